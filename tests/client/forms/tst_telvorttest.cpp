#include "client/core/Company.h"
#include "client/forms/telvorttest.h"
#include "tests/support/TwipsOracle.h"
#include "tests/support/fakes/NullInput.h"
#include "tests/support/time/VirtualScheduler.h"

#include <functional>

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace telvor;
using test::fromTwips;

namespace {

const QColor kDarkRed(192, 0, 0);

/** One thing the window did to its client, and when. */
struct Call {
    QString what;
    qint64 atMs;
};

} // namespace

class TestTelvorttest final : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void nothingShowsBeforeLoad();
    void controls_data();
    void controls();
    void fonts_data();
    void fonts();
    void window();
    void picturesAreDrawn();
    void controlsFitAndDoNotOverlap();

    void startPhase_data();
    void startPhase();
    void initialisierungExactlyAtTenSeconds();
    void secondLoadDoesNothing();

    void presses_data();
    void presses();
    void okPasses_data();
    void okPasses();
    void abrechenEndsTheClient();
    void pressBeforeLoadCreatesAndStarts();

    void frameCloseKeepsStartPhase_data();
    void frameCloseKeepsStartPhase();
    void pressBringsClosedWindowBack();

private:
    template <typename T = QWidget> T* control(const QString& name) { return m_window->findChild<T*>(name); }
    QLabel* label3() { return control<QLabel>(QStringLiteral("Label3")); }
    QPushButton* command1() { return control<QPushButton>(QStringLiteral("Command1")); }
    QFrame* shape1() { return control<QFrame>(QStringLiteral("Shape1")); }
    /** Lets virtual time run on to msSinceStart. */
    void advanceTo(qint64 ms) { m_time->advance(ms - m_time->now()); }
    int count(const QString& what) const;
    bool shown(QWidget* w) const { return w->isVisibleTo(m_window.get()); }

    std::unique_ptr<VirtualScheduler> m_time;
    /** What the window tells its client, by name. */
    struct Client final : test::NullInput {
        void setupEdited(const SetupFields&) override { record(QStringLiteral("setupEdited")); }
        void setInitialisierung(bool v) override
        {
            record(v ? QStringLiteral("initialisierung") : QStringLiteral("initialisierung false"));
        }
        void setGetestet(bool v) override { record(v ? QStringLiteral("getestet") : QStringLiteral("getestet false")); }
        void endProgram() override { record(QStringLiteral("quit")); }
        std::function<void(const QString&)> record;
    };

    Client m_client;
    std::unique_ptr<telvorttest> m_window;
    QList<Call> m_calls;
};

void TestTelvorttest::init()
{
    m_calls.clear();
    m_time = std::make_unique<VirtualScheduler>();
    m_client.record = [this](const QString& call) { m_calls.append({call, m_time->now()}); };
    m_window = std::make_unique<telvorttest>(*m_time);
    m_window->attach(&m_client);
}

void TestTelvorttest::cleanup()
{
    m_window.reset();
    m_time.reset();
}

int TestTelvorttest::count(const QString& what) const
{
    return static_cast<int>(
        std::count_if(m_calls.begin(), m_calls.end(), [&](const Call& c) { return c.what == what; }));
}

void TestTelvorttest::nothingShowsBeforeLoad()
{
    QVERIFY(!m_window->isLoaded());
    QVERIFY(!m_window->isVisible());
    m_time->advance(60000);
    QVERIFY(m_calls.isEmpty());
    QVERIFY(!m_window->isVisible());
}

void TestTelvorttest::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("shown");

    QTest::newRow("Label1") << "Label1" << QByteArray("QLabel") << "Pendra - Quorvel" << fromTwips(1440, 480, 3015, 855)
                            << true;
    QTest::newRow("Label2") << "Label2" << QByteArray("QLabel") << "Initialisiere :" << fromTwips(240, 1680, 2175, 255)
                            << true;
    QTest::newRow("Shape1") << "Shape1" << QByteArray("QFrame") << QString() << fromTwips(240, 2040, 255, 135) << true;
    QTest::newRow("Label3") << "Label3" << QByteArray("QLabel") << "Bitte Alarm auslösen "
                            << fromTwips(240, 3000, 3015, 375) << false;
    QTest::newRow("Command1") << "Command1" << QByteArray("QPushButton") << "Abrechen"
                              << fromTwips(3840, 2880, 1215, 495) << false;
    QTest::newRow("Image1") << "Image1" << QByteArray("QLabel") << QString() << fromTwips(240, 240, 975, 975) << true;
    QTest::newRow("Image2") << "Image2" << QByteArray("QLabel") << QString() << fromTwips(3960, 3600, 1215, 255)
                            << true;
}

void TestTelvorttest::controls()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, kind);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);
    QFETCH(bool, shown);

    m_window->load();
    QWidget* w = control(name);
    QVERIFY(w);
    QCOMPARE(QByteArray(w->metaObject()->className()), kind);
    QCOMPARE(w->parentWidget(), m_window.get());
    if (auto* label = qobject_cast<QLabel*>(w))
        QCOMPARE(label->text(), text);
    if (auto* button = qobject_cast<QPushButton*>(w))
        QCOMPARE(button->text(), text);
    QCOMPARE(w->geometry(), geometry);
    QCOMPARE(this->shown(w), shown);
}

void TestTelvorttest::fonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qreal>("pointSize");

    QTest::newRow("title") << "Label1" << 15.75;
    QTest::newRow("prompt") << "Label3" << 14.25;
}

void TestTelvorttest::fonts()
{
    QFETCH(QString, name);
    QFETCH(qreal, pointSize);

    m_window->load();
    auto* label = control<QLabel>(name);
    QVERIFY(label);
    const QFont font = label->font();
    QCOMPARE(font.family(), QStringLiteral("Arial"));
    QVERIFY(font.bold());
    QVERIFY(font.italic());
    QCOMPARE(font.pointSizeF(), pointSize);
    QCOMPARE(label->palette().color(QPalette::WindowText), kDarkRed);
    QVERIFY(!control<QLabel>(QStringLiteral("Label2"))->font().bold());
}

void TestTelvorttest::window()
{
    m_window->load();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QVERIFY(m_window->isWindow());
    QCOMPARE(m_window->windowTitle(), companyCaption);
    QCOMPARE(m_window->windowModality(), Qt::NonModal);
    QVERIFY(!m_window->isModal());
    QCOMPARE(m_window->size(), QSize(test::pxOf(5325), test::pxOf(3855)));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    // The window may be closed through its frame; that must not end the client.
    QVERIFY(m_window->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!m_window->testAttribute(Qt::WA_QuitOnClose));
    QVERIFY(!m_window->testAttribute(Qt::WA_DeleteOnClose));
}

void TestTelvorttest::picturesAreDrawn()
{
    m_window->load();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    for (const QString& name : {QStringLiteral("Image1"), QStringLiteral("Image2")}) {
        auto* image = control<QLabel>(name);
        QVERIFY(image);
        QVERIFY2(!image->pixmap().isNull(), qPrintable(name));
        QVERIFY2(image->hasScaledContents(), qPrintable(name));
    }
    // The banner: dark-red lettering on white, seen on the screen.
    const QImage shot = control(QStringLiteral("Image2"))->grab().toImage();
    int red = 0;
    int white = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            red += c == kDarkRed ? 1 : 0;
            white += c == QColor(Qt::white) ? 1 : 0;
        }
    }
    QVERIFY2(red > 20, qPrintable(QString::number(red)));
    QVERIFY2(white > shot.width() * shot.height() / 3, qPrintable(QString::number(white)));
}

void TestTelvorttest::controlsFitAndDoNotOverlap()
{
    m_window->load();
    // The bar at its widest, just before the start phase ends.
    m_time->advance(19 * 500);
    QVERIFY(shown(shape1()));

    const QStringList names{"Label1", "Label2", "Shape1", "Label3", "Command1", "Image1", "Image2"};
    for (int i = 0; i < names.size(); ++i) {
        const QRect a = control(names[i])->geometry();
        QVERIFY2(m_window->rect().contains(a), qPrintable(names[i]));
        for (int j = i + 1; j < names.size(); ++j)
            QVERIFY2(!a.intersects(control(names[j])->geometry()), qPrintable(names[i] + " / " + names[j]));
    }

    // Every text the window can show is drawn whole.
    auto fits = [](QLabel* label, const QString& text) {
        return label->fontMetrics().horizontalAdvance(text) <= label->width() &&
               label->fontMetrics().height() <= label->height();
    };
    auto* label1 = control<QLabel>(QStringLiteral("Label1"));
    QVERIFY(fits(label1, label1->text()));
    for (const QString& text : {QStringLiteral("Bitte Alarm auslösen "), QStringLiteral("Alarm ausgelöst"),
                                QStringLiteral("Bitte alarm auslösen")})
        QVERIFY2(fits(label3(), text), qPrintable(text));
    auto* label2 = control<QLabel>(QStringLiteral("Label2"));
    QFont bold = label2->font();
    bold.setBold(true);
    QVERIFY(QFontMetrics(bold).horizontalAdvance(QStringLiteral("Tastenfunktionstest :")) <= label2->width());
    for (const QString& text : {QStringLiteral("Abrechen"), QStringLiteral("OK !")})
        QVERIFY2(command1()->fontMetrics().horizontalAdvance(text) < command1()->width(), qPrintable(text));
}

void TestTelvorttest::startPhase_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("barTwips"); // only looked at while the bar shows
    QTest::addColumn<bool>("over");

    QTest::newRow("loaded") << 0 << 255 << false;
    QTest::newRow("1 tick") << 1 << 355 << false;
    QTest::newRow("2 ticks") << 2 << 455 << false;
    QTest::newRow("10 ticks") << 10 << 1255 << false;
    QTest::newRow("19 ticks") << 19 << 2155 << false;
    QTest::newRow("20 ticks") << 20 << 0 << true;
    QTest::newRow("long after") << 200 << 0 << true;
}

void TestTelvorttest::startPhase()
{
    QFETCH(int, ticks);
    QFETCH(int, barTwips);
    QFETCH(bool, over);

    m_window->load();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_time->advance(qint64(ticks) * 500);

    auto* label2 = control<QLabel>(QStringLiteral("Label2"));
    QCOMPARE(shown(shape1()), !over);
    QCOMPARE(shown(label3()), over);
    QCOMPARE(shown(command1()), over);
    QCOMPARE(label2->text(), over ? QStringLiteral("Tastenfunktionstest :") : QStringLiteral("Initialisiere :"));
    QCOMPARE(label2->font().bold(), over);
    QCOMPARE(label3()->text(), QStringLiteral("Bitte Alarm auslösen "));
    QCOMPARE(command1()->text(), QStringLiteral("Abrechen"));
    QCOMPARE(count(QStringLiteral("initialisierung")), over ? 1 : 0);
    QCOMPARE(m_calls.size(), over ? 1 : 0);
    QVERIFY(m_window->isVisible());

    if (!over) {
        QCOMPARE(shape1()->geometry(), fromTwips(240, 2040, barTwips, 135));
        // The bar is really drawn in dark red up to its right end, and not beyond.
        const QImage shot = m_window->grab().toImage();
        const QRect bar = shape1()->geometry();
        const int y = bar.center().y();
        QCOMPARE(shot.pixelColor(bar.left(), y), kDarkRed);
        QCOMPARE(shot.pixelColor(bar.right(), y), kDarkRed);
        QVERIFY(shot.pixelColor(bar.right() + 1, y) != kDarkRed);
    }
}

void TestTelvorttest::initialisierungExactlyAtTenSeconds()
{
    m_window->load();
    m_time->advance(9999);
    QVERIFY(m_calls.isEmpty());
    QVERIFY(!shown(command1()));
    m_time->advance(1);
    QCOMPARE(m_calls.size(), 1);
    QCOMPARE(m_calls[0].what, QStringLiteral("initialisierung"));
    QCOMPARE(m_calls[0].atMs, 10000);
    QVERIFY(shown(command1()));
    // The start phase does not repeat.
    m_time->advance(120000);
    QCOMPARE(m_calls.size(), 1);
    QVERIFY(!shown(shape1()));
}

void TestTelvorttest::secondLoadDoesNothing()
{
    m_window->load();
    m_time->advance(5000);
    const QRect bar = shape1()->geometry();
    m_window->setWindowTitle(QStringLiteral("anders"));
    m_window->load();
    QCOMPARE(shape1()->geometry(), bar);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("anders"));

    // The phase ends ten seconds after the first load, not after the second.
    advanceTo(10000);
    QCOMPARE(count(QStringLiteral("initialisierung")), 1);
    QCOMPARE(m_calls.last().atMs, 10000);

    m_window->load();
    m_time->advance(20000);
    QCOMPARE(m_calls.size(), 1);
    QVERIFY(!shown(shape1()));
    QCOMPARE(control<QLabel>(QStringLiteral("Label2"))->text(), QStringLiteral("Tastenfunktionstest :"));
    QCOMPARE(command1()->text(), QStringLiteral("Abrechen"));
}

void TestTelvorttest::presses_data()
{
    QTest::addColumn<QList<int>>("pressesAt");
    QTest::addColumn<int>("lookAt");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("buttonShown");

    const QString ask = QStringLiteral("Bitte Alarm auslösen ");
    const QString seen = QStringLiteral("Alarm ausgelöst");
    const QString again = QStringLiteral("Bitte alarm auslösen");
    const QString ok = QStringLiteral("OK !");

    QTest::newRow("no press") << QList<int>{} << 30000 << ask << "Abrechen" << true;
    QTest::newRow("press right after the start phase") << QList<int>{10000} << 10000 << seen << ok << true;
    QTest::newRow("5999 ms after the press") << QList<int>{10000} << 15999 << seen << ok << true;
    QTest::newRow("6 s after the press") << QList<int>{10000} << 16000 << again << ok << true;
    QTest::newRow("long after the press") << QList<int>{10000} << 60000 << again << ok << true;
    // Pressing and releasing both reach the window: the second report must not restart the 6 s.
    QTest::newRow("second press keeps the count") << QList<int>{10000, 13000} << 16000 << again << ok << true;
    QTest::newRow("press after the prompt returned") << QList<int>{10000, 17000} << 17000 << seen << ok << true;
    QTest::newRow("6 s after a later press") << QList<int>{10000, 17000} << 23000 << again << ok << true;
    QTest::newRow("later press, before its 6 s") << QList<int>{10000, 17000} << 22999 << seen << ok << true;
    // The soft trigger can report a press during the start phase: the button shows at its end.
    QTest::newRow("trigger in the start phase") << QList<int>{2000} << 2000 << seen << ok << false;
    QTest::newRow("trigger, 6 s on, start phase running") << QList<int>{2000} << 8000 << again << ok << false;
    QTest::newRow("trigger, start phase over") << QList<int>{2000} << 10000 << again << ok << true;
    QTest::newRow("trigger late in the start phase") << QList<int>{8000} << 10000 << seen << ok << true;
    QTest::newRow("trigger late, 6 s on") << QList<int>{8000} << 14000 << again << ok << true;
}

void TestTelvorttest::presses()
{
    QFETCH(QList<int>, pressesAt);
    QFETCH(int, lookAt);
    QFETCH(QString, prompt);
    QFETCH(QString, button);
    QFETCH(bool, buttonShown);

    m_window->load();
    for (int at : pressesAt) {
        advanceTo(at);
        m_window->reportPress();
    }
    advanceTo(lookAt);

    QCOMPARE(label3()->text(), prompt);
    QCOMPARE(command1()->text(), button);
    QCOMPARE(shown(command1()), buttonShown);
    QCOMPARE(shown(label3()), buttonShown);
    QVERIFY(m_window->isVisible());
    // A press never passes the test by itself; only the start phase has told the client anything.
    QCOMPARE(count(QStringLiteral("initialisierung")), lookAt >= 10000 ? 1 : 0);
    QCOMPARE(m_calls.size(), lookAt >= 10000 ? 1 : 0);
}

void TestTelvorttest::okPasses_data()
{
    QTest::addColumn<int>("pressAt");
    QTest::addColumn<int>("clickAt");

    QTest::newRow("right after the press") << 10000 << 10000;
    QTest::newRow("prompt returned") << 10000 << 20000;
    QTest::newRow("trigger in the start phase") << 3000 << 10000;
}

void TestTelvorttest::okPasses()
{
    QFETCH(int, pressAt);
    QFETCH(int, clickAt);

    m_window->load();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    advanceTo(pressAt);
    m_window->reportPress();
    advanceTo(clickAt);
    QCOMPARE(command1()->text(), QStringLiteral("OK !"));
    QTest::mouseClick(command1(), Qt::LeftButton);

    QCOMPARE(count(QStringLiteral("getestet")), 1);
    QCOMPARE(m_calls.last().atMs, clickAt);
    QCOMPARE(count(QStringLiteral("quit")), 0);
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_window->isLoaded());

    // The window stays loaded and hidden for the rest of the run.
    m_window->load();
    m_time->advance(60000);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_calls.size(), 2);
}

void TestTelvorttest::abrechenEndsTheClient()
{
    m_window->load();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    advanceTo(10000);
    QCOMPARE(command1()->text(), QStringLiteral("Abrechen"));
    QTest::mouseClick(command1(), Qt::LeftButton);
    QCOMPARE(count(QStringLiteral("quit")), 1);
    QCOMPARE(count(QStringLiteral("getestet")), 0);
    QCOMPARE(m_calls.size(), 2);
}

void TestTelvorttest::pressBeforeLoadCreatesAndStarts()
{
    m_time->advance(4000);
    m_window->reportPress();

    QVERIFY(m_window->isLoaded());
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->windowTitle(), companyCaption);
    QCOMPARE(control<QLabel>(QStringLiteral("Label1"))->text(), QStringLiteral("Pendra - Quorvel"));
    QCOMPARE(control<QLabel>(QStringLiteral("Label2"))->text(), QStringLiteral("Initialisiere :"));
    QCOMPARE(shape1()->geometry(), fromTwips(240, 2040, 255, 135));
    QCOMPARE(label3()->text(), QStringLiteral("Alarm ausgelöst"));
    QCOMPARE(command1()->text(), QStringLiteral("OK !"));
    QVERIFY(!shown(command1()));

    // The start phase runs from the press; a load meanwhile does not start it again.
    m_time->advance(5000);
    m_window->load();
    m_time->advance(4999);
    QVERIFY(m_calls.isEmpty());
    m_time->advance(1);
    QCOMPARE(count(QStringLiteral("initialisierung")), 1);
    QCOMPARE(m_calls.last().atMs, 14000);
    QVERIFY(shown(command1()));
    QCOMPARE(command1()->text(), QStringLiteral("OK !"));
    QCOMPARE(label3()->text(), QStringLiteral("Bitte alarm auslösen"));
}

void TestTelvorttest::frameCloseKeepsStartPhase_data()
{
    QTest::addColumn<int>("closeAt");

    QTest::newRow("at once") << 0;
    QTest::newRow("mid phase") << 5000;
    QTest::newRow("last moment") << 9999;
    QTest::newRow("after the phase") << 12000;
}

void TestTelvorttest::frameCloseKeepsStartPhase()
{
    QFETCH(int, closeAt);

    m_window->load();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    advanceTo(closeAt);
    QVERIFY(m_window->close());
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_window->isLoaded());

    advanceTo(30000);
    QCOMPARE(count(QStringLiteral("initialisierung")), 1);
    QCOMPARE(m_calls[0].atMs, 10000);
    // The test stays pending: nothing else reaches the client.
    QCOMPARE(m_calls.size(), 1);
    QVERIFY(!shown(shape1()));
    QVERIFY(shown(command1()));
    // The window exists: asking for the test again shows nothing.
    m_window->load();
    QVERIFY(!m_window->isVisible());
}

void TestTelvorttest::pressBringsClosedWindowBack()
{
    m_window->load();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_time->advance(3000);
    QVERIFY(m_window->close());
    advanceTo(12000);
    m_window->reportPress();

    QVERIFY(m_window->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QCOMPARE(label3()->text(), QStringLiteral("Alarm ausgelöst"));
    QCOMPARE(command1()->text(), QStringLiteral("OK !"));
    QTest::mouseClick(command1(), Qt::LeftButton);
    QCOMPARE(count(QStringLiteral("getestet")), 1);
    QVERIFY(!m_window->isVisible());
}

QTEST_MAIN(TestTelvorttest)

#include "tst_telvorttest.moc"
