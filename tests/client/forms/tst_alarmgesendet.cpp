#include "client/core/Company.h"
#include "client/forms/alarmgesendet.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace telvor;

class TestAlarmgesendet final : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void loadPreparesWithoutShowing();
    void sequences_data();
    void sequences();
    void controlsFitAndDoNotOverlap();

private:
    QPushButton* okButton() { return m_window->findChild<QPushButton*>(QStringLiteral("Command1")); }

    std::unique_ptr<alarmgesendet> m_window;
};

void TestAlarmgesendet::init()
{
    m_window = std::make_unique<alarmgesendet>();
}

void TestAlarmgesendet::cleanup()
{
    m_window.reset();
}

void TestAlarmgesendet::loadPreparesWithoutShowing()
{
    m_window->load();
    QCOMPARE(m_window->windowTitle(), companyCaption);
    QVERIFY(m_window->windowState().testFlag(Qt::WindowMinimized));
    QVERIFY(!m_window->isVisible());

    auto* label = m_window->findChild<QLabel*>(QStringLiteral("Label1"));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("Der Alarm wurde ausgelöst ."));
    QCOMPARE(label->font().family(), QStringLiteral("Arial"));
    QVERIFY(label->font().bold());
    QCOMPARE(label->font().pointSize(), 12);
    QVERIFY(okButton());
    QCOMPARE(okButton()->text(), QStringLiteral("OK !"));
    auto* image = m_window->findChild<QLabel*>(QStringLiteral("Image1"));
    QVERIFY(image);
    QVERIFY(!image->pixmap().isNull());
    // Loading again changes nothing.
    m_window->setWindowTitle(QStringLiteral("anders"));
    m_window->load();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("anders"));
}

void TestAlarmgesendet::sequences_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("minimised");
    QTest::addColumn<bool>("okEnabled");

    // Each step is one call of the client or one act of the user.
    QTest::newRow("sent") << QStringList{"einschalten"} << true << true << false;
    QTest::newRow("disabled OK does not close")
        << QStringList{"einschalten", "restore", "click"} << true << false << false;
    QTest::newRow("hold over") << QStringList{"einschalten", "enableOk"} << true << true << true;
    QTest::newRow("OK hides") << QStringList{"einschalten", "enableOk", "restore", "click"} << false << false << true;
    QTest::newRow("next alarm after OK") << QStringList{"einschalten", "enableOk", "restore", "click", "einschalten"}
                                         << true << true << false;
    QTest::newRow("restored, sent again")
        << QStringList{"einschalten", "restore", "einschalten"} << true << true << false;
    QTest::newRow("next alarm before OK")
        << QStringList{"einschalten", "enableOk", "einschalten"} << true << true << false;
    // The slot was cleared by someone else: "OK !" is never enabled, the user closes the window.
    QTest::newRow("closed by the user") << QStringList{"einschalten", "close"} << false << true << false;
    QTest::newRow("enableOk loads without showing") << QStringList{"enableOk"} << false << true << true;
}

void TestAlarmgesendet::sequences()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, visible);
    QFETCH(bool, minimised);
    QFETCH(bool, okEnabled);

    for (const QString& step : steps) {
        if (step == QLatin1String("einschalten")) {
            m_window->einschalten();
        } else if (step == QLatin1String("enableOk")) {
            m_window->enableOk();
        } else if (step == QLatin1String("restore")) {
            m_window->showNormal();
            QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        } else if (step == QLatin1String("click")) {
            QTest::mouseClick(okButton(), Qt::LeftButton);
        } else if (step == QLatin1String("close")) {
            QVERIFY(m_window->close());
        } else {
            QFAIL(qPrintable(step));
        }
    }
    QCOMPARE(m_window->windowTitle(), companyCaption);
    QCOMPARE(m_window->isVisible(), visible);
    QCOMPARE(m_window->isMinimized(), minimised);
    QCOMPARE(okButton()->isEnabled(), okEnabled);
    QVERIFY(m_window->isLoaded());
}

void TestAlarmgesendet::controlsFitAndDoNotOverlap()
{
    m_window->einschalten();
    m_window->showNormal();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());

    const QList<QWidget*> controls{m_window->findChild<QWidget*>(QStringLiteral("Label1")),
                                   m_window->findChild<QWidget*>(QStringLiteral("Image1")), okButton()};
    for (int i = 0; i < controls.size(); ++i) {
        QVERIFY(controls[i]);
        QVERIFY2(m_window->rect().contains(controls[i]->geometry()), qPrintable(controls[i]->objectName()));
        for (int j = i + 1; j < controls.size(); ++j)
            QVERIFY2(!controls[i]->geometry().intersects(controls[j]->geometry()),
                     qPrintable(controls[i]->objectName() + QStringLiteral(" / ") + controls[j]->objectName()));
    }
    // The whole message is drawn, not cut at the label's edge.
    auto* label = qobject_cast<QLabel*>(controls[0]);
    QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(label->text()));
    QVERIFY(okButton()->width() >= okButton()->sizeHint().width());
}

QTEST_MAIN(TestAlarmgesendet)

#include "tst_alarmgesendet.moc"
