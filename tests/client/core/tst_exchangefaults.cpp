// What a shared directory does that a local disk never does: a file removed by another station
// between the test and the delete, a delete refused while another station holds the file open.
// unlink is defined in this executable, so the client's file code runs unchanged while its deletes
// of MESSAGE.KVT go as planned.

#include "StationFixture.h"
#include "common/FileIo.h"

#include <QTest>

#include <cerrno>
#include <dlfcn.h>
#include <unistd.h>

using namespace telvor;
using namespace telvor::test;

namespace {

enum class UnlinkPlan { Normal, RemovedByOthers, Busy };
UnlinkPlan g_plan = UnlinkPlan::Normal;
int g_refusals = 0; ///< deletes still to refuse while Busy

} // namespace

extern "C" int unlink(const char* path)
{
    using Unlink = int (*)(const char*);
    static const auto realUnlink = reinterpret_cast<Unlink>(dlsym(RTLD_NEXT, "unlink"));
    if (g_plan == UnlinkPlan::Normal || !QByteArray(path).endsWith("MESSAGE.KVT"))
        return realUnlink(path);
    if (g_plan == UnlinkPlan::RemovedByOthers) {
        realUnlink(path); // another station was quicker
        errno = ENOENT;
        return -1;
    }
    if (g_refusals > 0) {
        --g_refusals;
        errno = EBUSY;
        return -1;
    }
    return realUnlink(path);
}

class TestExchangeFaults final : public QObject {
    Q_OBJECT

private:
    StationFixture f;

    void sendAndHold()
    {
        f.start(f.config());
        QVERIFY(createEmptyFile(f.path(QStringLiteral("START.7"))).ok());
        f.scheduler->advance(1000);
        QVERIFY(f.state().messageSent);
    }
    int deletionsLogged() { return int(f.station->logTexts().count(QStringLiteral("Message - gelöscht"))); }

private Q_SLOTS:
    void init()
    {
        g_plan = UnlinkPlan::Normal;
        f.reset();
    }
    void cleanup() { g_plan = UnlinkPlan::Normal; }

    void holdEndThatFindsTheSlotGoneClaimsNothing()
    {
        sendAndHold();
        g_plan = UnlinkPlan::RemovedByOthers;
        f.scheduler->advance(15000);
        QVERIFY(!f.state().messageSent);
        QCOMPARE(deletionsLogged(), 0);
        QVERIFY(!f.station->views.sent.okEnabled);
        QCOMPARE(f.client().timer1().interval(), 5000);
        QVERIFY(f.station->standardError.isEmpty()); // gone is no failure
    }

    void holdEndRetriesWhileTheSlotIsHeldOpen()
    {
        sendAndHold();
        g_plan = UnlinkPlan::Busy;
        g_refusals = 1000; // longer than the short retries inside one delete
        f.scheduler->advance(15000);
        QVERIFY(f.state().messageSent);
        QVERIFY(f.client().timer1().isEnabled());
        QCOMPARE(deletionsLogged(), 0);
        g_refusals = 0;
        f.scheduler->advance(5000);
        QVERIFY(!f.state().messageSent);
        QVERIFY(!QFile::exists(f.path(QStringLiteral("MESSAGE.KVT"))));
        QCOMPARE(deletionsLogged(), 1);
        QVERIFY(f.station->views.sent.okEnabled);
        QCOMPARE(f.station->standardError.size(), 2); // the failure and its end, once each
    }

    void refusedDeleteOfAForeignSlotIsTriedAgain()
    {
        f.start(f.config());
        QVERIFY(writeFileAtomic(f.path(QStringLiteral("MESSAGE.KVT")), "55").ok()); // no MDAT55.KVT
        g_plan = UnlinkPlan::Busy;
        g_refusals = 1000;
        f.scheduler->advance(5000);
        QVERIFY(QFile::exists(f.path(QStringLiteral("MESSAGE.KVT"))));
        QVERIFY(!f.state().alarmShown);
        g_refusals = 0;
        f.scheduler->advance(5000);
        QVERIFY(!QFile::exists(f.path(QStringLiteral("MESSAGE.KVT"))));
        QVERIFY(f.station->views.alarms.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestExchangeFaults)
#include "tst_exchangefaults.moc"
