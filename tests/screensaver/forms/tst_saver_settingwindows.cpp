// The settings window and the password window: their layouts, the order of their controls, what
// they store and what they refuse, in a German locale.

#include "common/SettingsNames.h"
#include "common/SettingsStore.h"
#include "screensaver/forms/frmConfig.h"
#include "screensaver/forms/frmSetPassword.h"
#include "tests/support/TwipsOracle.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace telvor;
using test::fromTwips;

namespace {

QMessageBox* openMessage(QWidget* window)
{
    QApplication::processEvents();
    auto* box = window->findChild<QMessageBox*>();
    return box && box->isVisible() ? box : nullptr;
}

} // namespace

class TestSettingWindows final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void init();
    void cleanup();

    void layout_data();
    void layout();
    void configFocus();
    void intervalClickSelectsAll();
    void configAccept_data();
    void configAccept();
    void configAbortStoresNothing();
    void setPassword_data();
    void setPassword();
    void unwritableStoreKeepsWindowOpen_data();
    void unwritableStoreKeepsWindowOpen();

private:
    QString stored(const QString& key) const { return store().read(settings::kSection, key, QStringLiteral("<none>")); }
    SettingsStore store() const { return SettingsStore::atFile(m_dir->filePath(QStringLiteral("PendraSaver.ini"))); }
    template <typename T = QWidget> T* control(QWidget* window, const char* name)
    {
        return window->findChild<T*>(QLatin1String(name));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmConfig> m_config;
    std::unique_ptr<frmSetPassword> m_password;
};

void TestSettingWindows::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_config = std::make_unique<frmConfig>(store());
    m_password = std::make_unique<frmSetPassword>(store());
}

void TestSettingWindows::cleanup()
{
    m_config.reset();
    m_password.reset();
    m_dir.reset();
}

void TestSettingWindows::layout_data()
{
    QTest::addColumn<bool>("config");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");

    QTest::newRow("lblInterval") << true << "lblInterval"
                                 << "Aktualisierung:" << fromTwips(120, 732, 1536, 240);
    QTest::newRow("txtInterval") << true << "txtInterval"
                                 << "1000" << fromTwips(1770, 720, 876, 240);
    QTest::newRow("Label1") << true << "Label1"
                            << "in Millisekunden" << fromTwips(2880, 720, 2250, 240);
    QTest::newRow("lbl_pfad") << true << "lbl_pfad"
                              << "Verzeichniss:" << fromTwips(120, 1080, 1536, 240);
    QTest::newRow("txt_pfad") << true << "txt_pfad" << settings::kDefaultPath << fromTwips(1800, 1080, 3372, 240);
    QTest::newRow("config cmdAbort") << true << "cmdAbort"
                                     << "&Abbruch" << fromTwips(120, 1440, 1596, 444);
    QTest::newRow("config cmdAccept") << true << "cmdAccept"
                                      << "&Ü&bernehmen" << fromTwips(3600, 1440, 1632, 444);
    QTest::newRow("fraSetPassword") << false << "fraSetPassword"
                                    << "Password eingeben" << fromTwips(90, 90, 4470, 645);
    QTest::newRow("txtPassword") << false << "txtPassword" << QString() << fromTwips(135, 270, 4200, 240);
    QTest::newRow("password cmdAccept") << false << "cmdAccept"
                                        << "&Ü&bernehmen" << fromTwips(3285, 900, 1275, 330);
    QTest::newRow("password cmdAbort") << false << "cmdAbort"
                                       << "&Abbruch" << fromTwips(90, 900, 1275, 330);
}

void TestSettingWindows::layout()
{
    QFETCH(bool, config);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);
    m_config->Form_Load();
    m_password->Form_Load();
    QWidget* window = config ? static_cast<QWidget*>(m_config.get()) : m_password.get();
    QCOMPARE(window->windowTitle(), config ? QStringLiteral("Einstellungen") : QStringLiteral("Password"));
    QCOMPARE(window->size(), config ? QSize(354, 132) : QSize(312, 88));
    auto* control = window->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), geometry);
    const QVariant shown = control->property(control->inherits("QGroupBox") ? "title" : "text");
    QCOMPARE(shown.toString(), text);
}

void TestSettingWindows::configFocus()
{
    m_config->Form_Load();
    QVERIFY(QTest::qWaitForWindowActive(m_config.get()));
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdAbort"));
    QStringList order;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
        if (order.last() == QLatin1String("txtInterval")) {
            QApplication::processEvents();
            QCOMPARE(control<QLineEdit>(m_config.get(), "txtInterval")->selectedText(), QStringLiteral("1000"));
        }
    }
    QCOMPARE(order, (QStringList{"cmdAccept", "txtInterval", "txt_pfad"}));
}

void TestSettingWindows::intervalClickSelectsAll()
{
    m_config->Form_Load();
    QVERIFY(QTest::qWaitForWindowActive(m_config.get()));
    auto* interval = control<QLineEdit>(m_config.get(), "txtInterval");
    QTest::mouseClick(interval, Qt::LeftButton, {}, QPoint(4, interval->height() / 2));
    QApplication::processEvents();
    QVERIFY(interval->hasFocus());
    QCOMPARE(interval->selectedText(), QStringLiteral("1000"));
}

void TestSettingWindows::configAccept_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("German fraction as typed") << "1500,5" << true;
    QTest::newRow("with blanks as typed") << " 2000 " << true;
    QTest::newRow("letters") << "schnell" << false;
    QTest::newRow("empty") << "" << false;
}

void TestSettingWindows::configAccept()
{
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    m_config->Form_Load();
    control<QLineEdit>(m_config.get(), "txtInterval")->setText(typed);
    control<QLineEdit>(m_config.get(), "txt_pfad")->setText(QStringLiteral("/srv/alarm"));
    QTest::mouseClick(control<QPushButton>(m_config.get(), "cmdAccept"), Qt::LeftButton);
    QCOMPARE(m_config->isVisible(), !accepted);
    QCOMPARE(stored(settings::kInterval), accepted ? typed : QStringLiteral("<none>"));
    QCOMPARE(stored(settings::kPath), accepted ? QStringLiteral("/srv/alarm") : QStringLiteral("<none>"));
    QMessageBox* box = openMessage(m_config.get());
    QCOMPARE(box != nullptr, !accepted);
    if (!box)
        return;
    QCOMPARE(box->text(), QStringLiteral("Der Interval-Wert muß numerisch sein."));
    QCOMPARE(box->windowTitle(), QStringLiteral("Fehler:"));
    QCOMPARE(box->icon(), QMessageBox::Critical);
}

void TestSettingWindows::configAbortStoresNothing()
{
    m_config->Form_Load();
    control<QLineEdit>(m_config.get(), "txtInterval")->setText(QStringLiteral("500"));
    QTest::mouseClick(control<QPushButton>(m_config.get(), "cmdAbort"), Qt::LeftButton);
    QVERIFY(!m_config->isVisible());
    QVERIFY(!QFile::exists(store().filePath()));
}

void TestSettingWindows::setPassword_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("a new password") << "Neu-Geheim";
    QTest::newRow("empty removes the protection") << QString();
}

void TestSettingWindows::setPassword()
{
    QFETCH(QString, typed);
    QVERIFY(!store().write(settings::kSection, {{settings::kPassword, QStringLiteral("alt")}}));
    m_password->Form_Load();
    QVERIFY(QTest::qWaitForWindowActive(m_password.get()));
    auto* box = control<QLineEdit>(m_password.get(), "txtPassword");
    QCOMPARE(box->displayText(), QStringLiteral("***"));
    QVERIFY(box->hasFocus());
    box->clear();
    QTest::keyClicks(box, typed);
    // Enter has no special meaning here: no default button, nothing stored.
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(m_password->isVisible());
    QCOMPARE(stored(settings::kPassword), QStringLiteral("alt"));
    QTest::mouseClick(control<QPushButton>(m_password.get(), "cmdAccept"), Qt::LeftButton);
    QVERIFY(!m_password->isVisible());
    QCOMPARE(stored(settings::kPassword), typed);
}

void TestSettingWindows::unwritableStoreKeepsWindowOpen_data()
{
    QTest::addColumn<bool>("config");
    QTest::newRow("settings") << true;
    QTest::newRow("password") << false;
}

void TestSettingWindows::unwritableStoreKeepsWindowOpen()
{
    QFETCH(bool, config);
    // The store's file is a directory: nothing can be written, and nobody must believe it was.
    QVERIFY(QDir().mkpath(store().filePath()));
    QWidget* window = config ? static_cast<QWidget*>(m_config.get()) : m_password.get();
    config ? m_config->Form_Load() : m_password->Form_Load();
    QTest::mouseClick(control<QPushButton>(window, "cmdAccept"), Qt::LeftButton);
    QVERIFY(window->isVisible());
    QMessageBox* box = openMessage(window);
    QVERIFY(box);
    QCOMPARE(box->windowTitle(), QStringLiteral("Fehler:"));
    QVERIFY2(box->text().contains(store().filePath()), qPrintable(box->text()));
}

QTEST_MAIN(TestSettingWindows)
#include "tst_saver_settingwindows.moc"
