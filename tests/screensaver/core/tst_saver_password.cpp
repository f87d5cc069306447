// Leaving the screen saver in virtual time: input ends the real screen saver, a stored password
// guards the end through the prompt, and the pointer's display counter comes out even.

#include "SaverFixture.h"

#include "common/SettingsNames.h"

#include <QTest>

#include <functional>

using namespace telvor;
using namespace telvor::test;

namespace {

using Input = std::function<void(ScreenSaver&)>;
const QString kPassword = QStringLiteral("Geheim42");

} // namespace

Q_DECLARE_METATYPE(Input)

class TestSaverPassword final : public QObject {
    Q_OBJECT
private slots:
    void init() { f = std::make_unique<SaverFixture>(); }
    void cleanup() { f.reset(); }

    void input_data();
    void input();
    void moveCountStopsAtItsTop();
    void typedPassword_data();
    void typedPassword();
    void refusedPromptRearmsAfterOneSecond();

private:
    void load(const QString& password, const QString& runMode = kScreenSaverRunMode)
    {
        f->writeSettings({{settings::kPassword, password}});
        f->load(runMode);
    }
    void openPrompt()
    {
        f->time.advance(1000);
        f->saver->Form_KeyDown();
        QVERIFY(f->view.prompt && f->view.prompt->isOpen());
    }

    std::unique_ptr<SaverFixture> f;
};

void TestSaverPassword::input_data()
{
    QTest::addColumn<QString>("runMode");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("afterMs");
    QTest::addColumn<Input>("input");
    QTest::addColumn<QStringList>("calls");

    const Input keyDown = [](ScreenSaver& s) { s.Form_KeyDown(); };
    const auto moves = [](int n) {
        return Input([n](ScreenSaver& s) {
            for (int i = 0; i < n; ++i)
                s.Form_MouseMove();
        });
    };
    const QString saver = kScreenSaverRunMode;
    QTest::newRow("key down, first second") << saver << QString() << 0 << keyDown << QStringList{"close"};
    QTest::newRow("key typed") << saver << QString() << 0 << Input([](ScreenSaver& s) { s.Form_KeyPress(); })
                               << QStringList{"close"};
    QTest::newRow("key up") << saver << QString() << 0 << Input([](ScreenSaver& s) { s.Form_KeyUp(); })
                            << QStringList{"close"};
    QTest::newRow("button down") << saver << QString() << 0 << Input([](ScreenSaver& s) { s.Form_MouseDown(); })
                                 << QStringList{"close"};
    QTest::newRow("button up") << saver << QString() << 0 << Input([](ScreenSaver& s) { s.Form_MouseUp(); })
                               << QStringList{"close"};
    QTest::newRow("ten moves") << saver << QString() << 0 << moves(10) << QStringList{};
    QTest::newRow("eleven moves") << saver << QString() << 0 << moves(11) << QStringList{"close"};
    QTest::newRow("password, first second") << saver << kPassword << 999 << keyDown << QStringList{"grab"};
    QTest::newRow("password, armed") << saver << kPassword << 1000 << keyDown
                                     << QStringList{"grab", "not above", "release", "prompt"};
    QTest::newRow("password, eleven moves")
        << saver << kPassword << 1000 << moves(11) << QStringList{"grab", "not above", "release", "prompt"};
    QTest::newRow("preview") << QString() << QString() << 2000 << moves(20) << QStringList{};
    QTest::newRow("preview with password") << QString() << kPassword << 2000 << keyDown << QStringList{};
}

void TestSaverPassword::input()
{
    QFETCH(QString, runMode);
    QFETCH(QString, password);
    QFETCH(int, afterMs);
    QFETCH(Input, input);
    QFETCH(QStringList, calls);
    load(password, runMode);
    f->time.advance(afterMs);
    input(*f->saver);
    QCOMPARE(f->view.calls, calls);
    // Hidden only by the real screen saver; shown again by the close or by the prompt.
    QCOMPARE(f->context.pointer.isVisible(),
             runMode.isEmpty() || calls.contains(QStringLiteral("close")) || calls.contains(QStringLiteral("prompt")));
    // Whatever comes after the close changes nothing, the pointer included.
    input(*f->saver);
    if (calls.contains(QStringLiteral("close")))
        QCOMPARE(f->view.calls, calls);
}

void TestSaverPassword::moveCountStopsAtItsTop()
{
    load(kPassword);
    // Moves refused before the prompt is armed still count: an 8-bit counter would be back at 0.
    for (int i = 0; i < 256; ++i)
        f->saver->Form_MouseMove();
    f->time.advance(1000);
    f->saver->Form_MouseMove();
    QVERIFY(f->view.calls.contains(QStringLiteral("prompt")));
}

void TestSaverPassword::typedPassword_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("right");
    QTest::newRow("right") << kPassword << true;
    QTest::newRow("one letter in another case") << "geheim42" << false;
    QTest::newRow("blank behind it") << "Geheim42 " << false;
    QTest::newRow("empty") << QString() << false;
}

void TestSaverPassword::typedPassword()
{
    QFETCH(QString, typed);
    QFETCH(bool, right);
    load(kPassword);
    openPrompt();
    QCOMPARE(f->view.prompt->cmdAccept_Click(typed), right);
    // A wrong password leaves the prompt open with the pointer; the screen saver waits for it.
    QCOMPARE(f->view.prompt->isOpen(), !right);
    QCOMPARE(f->context.pointer.isVisible(), !right);
    if (!right)
        return;
    f->saver->passwordPromptClosed();
    QCOMPARE(f->view.calls.mid(4), (QStringList{"above", "close"}));
    QVERIFY(f->context.pointer.isVisible());
    QVERIFY(f->requestClose());
}

void TestSaverPassword::refusedPromptRearmsAfterOneSecond()
{
    load(kPassword);
    openPrompt();
    QCOMPARE(f->view.display.time, QStringLiteral("09:15:01"));
    // A second request while the prompt is open (window manager, SIGTERM) opens nothing; the
    // refresh pauses.
    QVERIFY(!f->requestClose());
    f->time.advance(5000);
    QCOMPARE(f->view.display.time, QStringLiteral("09:15:01"));
    QCOMPARE(f->view.calls.count(QStringLiteral("prompt")), 1);

    f->view.prompt->cmdAbort_Click();
    f->saver->passwordPromptClosed();
    QCOMPARE(f->view.calls.mid(4), (QStringList{"above", "grab"}));
    QVERIFY(!f->context.pointer.isVisible());
    f->time.advance(999);
    QVERIFY(!f->requestClose());
    QCOMPARE(f->view.calls.count(QStringLiteral("prompt")), 1);
    f->time.advance(1);
    QCOMPARE(f->view.display.time, QStringLiteral("09:15:07"));
    QVERIFY(!f->requestClose());
    QCOMPARE(f->view.calls.count(QStringLiteral("prompt")), 2);
}

QTEST_GUILESS_MAIN(TestSaverPassword)
#include "tst_saver_password.moc"
