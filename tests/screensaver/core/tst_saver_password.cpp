// Leaving the screen saver: input ends the real screen saver, a stored password guards the end
// through the prompt, and the pointer's display counter comes out even.

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
    void init();
    void cleanup() { f.reset(); }

    void inputEndsAtOnceWithoutPassword_data();
    void inputEndsAtOnceWithoutPassword();
    void otherModesIgnoreInput_data();
    void otherModesIgnoreInput();
    void tenMovesAreIgnored_data();
    void tenMovesAreIgnored();
    void moveCountStopsAtItsTop();
    void promptOpensOnceArmed();
    void typedPassword_data();
    void typedPassword();
    void abortRearmsAfterOneSecond();
    void closeWhilePromptingOpensNothing();
    void refreshPausesWhilePrompting();
    void inputIsGrabbedOnlyWhilePasswordGuards_data();
    void inputIsGrabbedOnlyWhilePasswordGuards();

private:
    void loadWithPassword(const QString& password = kPassword, const QString& runMode = kScreenSaverRunMode)
    {
        f->writeSettings({{settings::kPassword, password}});
        f->load(runMode);
    }
    void keyDown() { f->saver->Form_KeyDown(); }
    bool pointerVisible() const { return f->context.pointer.isVisible(); }

    std::unique_ptr<SaverFixture> f;
};

void TestSaverPassword::init()
{
    f = std::make_unique<SaverFixture>();
}

void TestSaverPassword::inputEndsAtOnceWithoutPassword_data()
{
    QTest::addColumn<Input>("input");
    QTest::newRow("key down") << Input([](ScreenSaver& s) { s.Form_KeyDown(); });
    QTest::newRow("key press") << Input([](ScreenSaver& s) { s.Form_KeyPress(); });
    QTest::newRow("key up") << Input([](ScreenSaver& s) { s.Form_KeyUp(); });
    QTest::newRow("button down") << Input([](ScreenSaver& s) { s.Form_MouseDown(); });
    QTest::newRow("button up") << Input([](ScreenSaver& s) { s.Form_MouseUp(); });
}

void TestSaverPassword::inputEndsAtOnceWithoutPassword()
{
    QFETCH(Input, input);
    loadWithPassword(QString());
    QVERIFY(!pointerVisible());
    // Within the first second too.
    input(*f->saver);
    QCOMPARE(f->view.calls, QStringList{"close"});
    QVERIFY(pointerVisible());
    // What comes after the close changes nothing, the pointer balance included.
    input(*f->saver);
    QVERIFY(f->requestClose());
    QCOMPARE(f->view.calls, QStringList{"close"});
    QVERIFY(pointerVisible());
}

void TestSaverPassword::otherModesIgnoreInput_data()
{
    QTest::addColumn<QString>("runMode");
    QTest::addColumn<QString>("password");
    QTest::newRow("preview") << QString() << QString();
    QTest::newRow("preview with a password") << QString() << kPassword;
    QTest::newRow("mode in lower case") << "screensaver" << QString();
}

void TestSaverPassword::otherModesIgnoreInput()
{
    QFETCH(QString, runMode);
    QFETCH(QString, password);
    loadWithPassword(password, runMode);
    f->time.advance(2000);
    for (int i = 0; i < 20; ++i)
        f->saver->Form_MouseMove();
    keyDown();
    f->saver->Form_KeyUp();
    f->saver->Form_MouseDown();
    QVERIFY(f->view.calls.isEmpty());
    QVERIFY(pointerVisible());
}

void TestSaverPassword::tenMovesAreIgnored_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("eleventh");
    QTest::newRow("no password: the eleventh move ends") << QString() << "close";
    QTest::newRow("password: the eleventh move asks") << kPassword << "prompt";
}

void TestSaverPassword::tenMovesAreIgnored()
{
    QFETCH(QString, password);
    QFETCH(QString, eleventh);
    loadWithPassword(password);
    f->time.advance(1000);
    f->view.calls.removeAll(QStringLiteral("grab"));
    for (int i = 0; i < 10; ++i)
        f->saver->Form_MouseMove();
    QVERIFY(f->view.calls.isEmpty());
    f->saver->Form_MouseMove();
    QVERIFY(f->view.calls.contains(eleventh));
}

void TestSaverPassword::moveCountStopsAtItsTop()
{
    loadWithPassword();
    // Moves refused while the prompt is not armed still count: an 8-bit counter would be back at 0.
    for (int i = 0; i < 256; ++i)
        f->saver->Form_MouseMove();
    f->time.advance(1000);
    f->saver->Form_MouseMove();
    QVERIFY(f->view.calls.contains(QStringLiteral("prompt")));
}

void TestSaverPassword::promptOpensOnceArmed()
{
    loadWithPassword();
    QVERIFY(!pointerVisible());
    f->time.advance(999);
    keyDown();
    QCOMPARE(f->view.calls, QStringList{"grab"});
    f->time.advance(1);
    keyDown();
    QCOMPARE(f->view.calls, (QStringList{"grab", "not above", "release", "prompt"}));
    QVERIFY(pointerVisible());
    QVERIFY(!f->view.closed);
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
    loadWithPassword();
    f->time.advance(1000);
    keyDown();
    QCOMPARE(f->view.prompt->cmdAccept_Click(typed), right);
    // A wrong password leaves the prompt open, and the screen saver waits for it.
    QCOMPARE(f->view.prompt->isOpen(), !right);
    QVERIFY(pointerVisible() != right);
    if (!right)
        return;
    f->saver->passwordPromptClosed();
    QCOMPARE(f->view.calls.mid(4), (QStringList{"above", "close"}));
    QVERIFY(f->context.passwordOk);
    QVERIFY(pointerVisible());
    QVERIFY(f->requestClose());
}

void TestSaverPassword::abortRearmsAfterOneSecond()
{
    loadWithPassword();
    f->time.advance(1000);
    keyDown();
    f->view.prompt->cmdAbort_Click();
    f->saver->passwordPromptClosed();
    QCOMPARE(f->view.calls.mid(4), (QStringList{"above", "grab"}));
    QVERIFY(!pointerVisible());
    QVERIFY(!f->context.passwordOk);

    f->view.calls.clear();
    f->time.advance(999);
    keyDown();
    QVERIFY(!f->requestClose());
    QVERIFY(f->view.calls.isEmpty());
    f->time.advance(1);
    keyDown();
    QVERIFY(f->view.calls.contains(QStringLiteral("prompt")));
    QVERIFY(pointerVisible());
}

void TestSaverPassword::closeWhilePromptingOpensNothing()
{
    loadWithPassword();
    f->time.advance(1000);
    keyDown();
    f->view.calls.clear();
    // The window manager or SIGTERM asks again while the prompt is open.
    QVERIFY(!f->requestClose());
    f->time.advance(5000);
    QVERIFY(!f->requestClose());
    keyDown();
    QVERIFY(f->view.calls.isEmpty());
    QVERIFY(pointerVisible());
}

void TestSaverPassword::refreshPausesWhilePrompting()
{
    loadWithPassword();
    f->time.advance(1000);
    QCOMPARE(f->view.display.time, QStringLiteral("09:15:01"));
    keyDown();
    f->time.advance(5000);
    QCOMPARE(f->view.display.time, QStringLiteral("09:15:01"));
    f->view.prompt->cmdAbort_Click();
    f->saver->passwordPromptClosed();
    f->time.advance(1000);
    QCOMPARE(f->view.display.time, QStringLiteral("09:15:07"));
}

void TestSaverPassword::inputIsGrabbedOnlyWhilePasswordGuards_data()
{
    QTest::addColumn<QString>("runMode");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("grabbed");
    QTest::newRow("screen saver with password") << kScreenSaverRunMode << kPassword << true;
    QTest::newRow("screen saver without password") << kScreenSaverRunMode << QString() << false;
    QTest::newRow("preview with password") << QString() << kPassword << false;
}

void TestSaverPassword::inputIsGrabbedOnlyWhilePasswordGuards()
{
    QFETCH(QString, runMode);
    QFETCH(QString, password);
    QFETCH(bool, grabbed);
    loadWithPassword(password, runMode);
    QCOMPARE(f->view.calls.contains(QStringLiteral("grab")), grabbed);
}

QTEST_GUILESS_MAIN(TestSaverPassword)
#include "tst_saver_password.moc"
