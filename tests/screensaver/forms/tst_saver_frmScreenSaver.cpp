// The screen-saver window with its prompt, offscreen: what it shows at a refresh, how input ends
// it, the prompt in front of it, and the pointer over it.

#include "screensaver/core/SaverFixture.h"

#include "common/SettingsNames.h"
#include "screensaver/forms/PointerCursor.h"
#include "screensaver/forms/frmScreenSaver.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTest>

#include <memory>

using namespace telvor;
using namespace telvor::test;

namespace {

/** Remembers the layer changes that the window asks the window manager for. */
struct RecordingWindowSystem final : WindowSystem {
    std::optional<QSize> windowSize(quint32) override { return std::nullopt; }
    void watchWindow(quint32, std::function<void()>, std::function<void(QSize)>) override {}
    void setAbove(quint32, bool above) override { layers << (above ? "above" : "not above"); }
    QStringList layers;
};

QWidget* openWindow(const QString& name)
{
    QApplication::processEvents();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->objectName() == name)
            return window;
    return nullptr;
}

bool pointerHidden()
{
    return QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::BlankCursor;
}

} // namespace

class TestFrmScreenSaver final : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void alarmOnTheScreen();
    void inputEndsItWithoutPassword_data();
    void inputEndsItWithoutPassword();
    void passwordPrompt();

private:
    void open(const QString& runMode);
    QLabel* label(const char* name) { return m_window->findChild<QLabel*>(QLatin1String(name)); }
    void typeIntoPrompt(const QString& text);

    std::unique_ptr<SaverFixture> m_fixture;
    RecordingWindowSystem m_windows;
    std::unique_ptr<frmScreenSaver> m_window;
};

void TestFrmScreenSaver::init()
{
    m_fixture = std::make_unique<SaverFixture>();
    m_fixture->random.values = {0.0, 0.5, 0.999999};
    m_windows.layers.clear();
    bindPointerToCursor(m_fixture->context.pointer);
}

void TestFrmScreenSaver::cleanup()
{
    m_window.reset();
    m_fixture.reset();
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

void TestFrmScreenSaver::open(const QString& runMode)
{
    m_fixture->context.RunMode = runMode;
    m_window = std::make_unique<frmScreenSaver>(m_fixture->context,
                                                ScreenSaverServices{m_fixture->time, m_fixture->share, m_fixture->clock,
                                                                    m_fixture->random, QLocale(QLocale::German)},
                                                m_windows);
    m_window->Form_Load();
    m_window->showFullScreenSaver();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestFrmScreenSaver::typeIntoPrompt(const QString& text)
{
    auto* box = openWindow(QStringLiteral("frmCheckPassword"))->findChild<QLineEdit*>(QStringLiteral("txtPassword"));
    box->clear();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

void TestFrmScreenSaver::alarmOnTheScreen()
{
    m_fixture->writeSettings({});
    m_fixture->putFile(QStringLiteral("MESSAGE.KVT"), "12");
    m_fixture->putFile(QStringLiteral("MDAT12.KVT"), "Alarm <b>Kasse</b>\rB\xFC"
                                                     "ro 3");
    open(kScreenSaverRunMode);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("PENDRASaver"));
    QVERIFY(m_window->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(label("Image1")->geometry(), QRect(16, 16, 65, 65));
    QCOMPARE(label("lbl_time")->geometry(), QRect(24, 88, 113, 25));
    QCOMPARE(label("lbl_time")->font().pointSizeF(), 9.75);
    QVERIFY(!label("Label1")->isVisible());
    m_fixture->time.advance(1000);

    QLabel* text = label("Label1");
    QCOMPARE(text->pos(), QPoint(24, 120));
    QVERIFY(text->isVisible());
    QCOMPARE(text->text(), QStringLiteral("Alarm <b>Kasse</b>\nBüro 3"));
    QCOMPARE(text->textFormat(), Qt::PlainText);
    QVERIFY(text->font().bold());
    QCOMPARE(text->font().pointSizeF(), m_window->screen()->geometry().width() * 15 / 450.0);
    QCOMPARE(label("lbl_time")->text(), QStringLiteral("09:15:01"));
    const QImage shown = m_window->grab().toImage();
    QCOMPARE(shown.pixelColor(600, shown.height() - 10), QColor(0, 128, 255));
    QCOMPARE(text->palette().color(QPalette::WindowText), QColor(Qt::black));
    QCOMPARE(label("lbl_time")->palette().color(QPalette::WindowText), QColor(Qt::white));
}

void TestFrmScreenSaver::inputEndsItWithoutPassword_data()
{
    QTest::addColumn<bool>("byMouse");
    QTest::newRow("a key") << false;
    // Moves without a button held count too; the first ten are ignored.
    QTest::newRow("the eleventh mouse move") << true;
}

void TestFrmScreenSaver::inputEndsItWithoutPassword()
{
    QFETCH(bool, byMouse);
    m_fixture->writeSettings({});
    open(kScreenSaverRunMode);
    QVERIFY(pointerHidden());
    for (int i = 0; byMouse && i < 10; ++i)
        QTest::mouseMove(m_window.get(), QPoint(100 + i, 100 + i));
    QVERIFY(m_window->isVisible());
    if (byMouse)
        QTest::mouseMove(m_window.get(), QPoint(200, 200));
    else
        QTest::keyClick(m_window.get(), Qt::Key_Shift);
    QVERIFY(!m_window->isVisible());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestFrmScreenSaver::passwordPrompt()
{
    m_fixture->writeSettings({{settings::kPassword, QStringLiteral("Geheim")}});
    open(kScreenSaverRunMode);
    QTest::keyClick(m_window.get(), Qt::Key_A);
    QVERIFY(!openWindow(QStringLiteral("frmCheckPassword")));

    // Armed after a second: the prompt comes in front of the screen saver, with the pointer.
    m_fixture->time.advance(1000);
    QTest::keyClick(m_window.get(), Qt::Key_A);
    QWidget* prompt = openWindow(QStringLiteral("frmCheckPassword"));
    QVERIFY(prompt);
    QCOMPARE(prompt->windowTitle(), QStringLiteral("Password"));
    QVERIFY(prompt->isModal());
    QCOMPARE(m_windows.layers, QStringList{"not above"});
    QVERIFY(!pointerHidden());

    // Closed through its frame: as "&Abbruch", the pointer hidden again, the screen saver on top.
    prompt->close();
    QApplication::processEvents();
    QVERIFY(pointerHidden());
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_windows.layers, (QStringList{"not above", "above"}));

    m_fixture->time.advance(1000);
    QTest::keyClick(m_window.get(), Qt::Key_A);
    typeIntoPrompt(QStringLiteral("geheim"));
    QWidget* wrong = openWindow(QStringLiteral("errorBox"));
    QVERIFY(wrong);
    QCOMPARE(static_cast<QMessageBox*>(wrong)->text(), QStringLiteral("Falsches Passwort."));
    QCOMPARE(wrong->windowTitle(), QStringLiteral("Passwort:"));
    QCOMPARE(static_cast<QMessageBox*>(wrong)->icon(), QMessageBox::Critical);
    auto* box = openWindow(QStringLiteral("frmCheckPassword"))->findChild<QLineEdit*>(QStringLiteral("txtPassword"));
    QCOMPARE(box->text(), QStringLiteral("geheim"));
    QCOMPARE(box->displayText(), QStringLiteral("******"));
    wrong->close();

    typeIntoPrompt(QStringLiteral("Geheim"));
    QApplication::processEvents();
    QVERIFY(!m_window->isVisible());
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(m_windows.layers, (QStringList{"not above", "above", "not above", "above"}));
}

QTEST_MAIN(TestFrmScreenSaver)
#include "tst_saver_frmScreenSaver.moc"
