// A soak of a whole site in virtual time: 100 stations on one exchange directory for simulated
// hours of random push-button presses, soft triggers, setup saves, share outages and hangs. The
// slot is watched from outside every 100 ms; each message that appears there is an alarm, and
// afterwards:
//   - no station ended, and none has an alarm left to send after a quiet end;
//   - every alarm that stayed in the slot for its hold time was shown once by every station that
//     was idle-polling, with reception on and its share in reach, when it was written, unless that
//     station got busy with its own alarm or lost its share before its next poll, or found in the
//     same poll the message this one overwrote (a slot is shown once until it empties);
//   - every alarm cut short, or every press that sent nothing, was lost by a race the design
//     accepts, counted by kind;
//   - the heap in use stays flat once the site has settled in.
// The run prints its seed and figures. Closing an alarm window is the window's own business (the
// station is not told of it), so a site without windows has nothing to close.
//
//   TELVOR_SOAK_HOURS=H   simulated hours (default 1; 24 for the full day)
//   TELVOR_SOAK_SEED=S    the seed of the happenings (default: from the clock)

#include "common/FileIo.h"
#include "tests/support/fakes/Station.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <vector>

// Present when the test runs under AddressSanitizer, whose allocations glibc's statistics miss.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the sanitizer's own name
extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

using namespace telvor;
using namespace telvor::test;

namespace {

constexpr int kStations = 100;
constexpr int kReceptionOffFrom = 91; ///< stations 91 to 100 have reception switched off
constexpr qint64 kStepMs = 100;       ///< how often the slot and the stations are looked at
constexpr qint64 kHoldMs = 15000;     ///< how long a sender leaves its message in the slot
constexpr qint64 kSettleMs = 180000;  ///< the quiet end: nothing new happens, pending alarms go out
constexpr qint64 kMemorySampleMs = 600000;
constexpr qint64 kWarmUpMs = 600000; ///< the heap is compared from here on
/** Bytes the heap in use may grow after the warm-up: a string lost at every poll would pass it within the hour. */
constexpr qint64 kHeapGrowthBound = qint64{256} * 1024;

qint64 heapInUse()
{
    if (__sanitizer_get_current_allocated_bytes != nullptr)
        return static_cast<qint64>(__sanitizer_get_current_allocated_bytes());
    const struct mallinfo2 info = mallinfo2();
    return static_cast<qint64>(info.uordblks) + static_cast<qint64>(info.hblkhd);
}

qint64 envNumber(const char* name, qint64 fallback)
{
    bool ok = false;
    const qint64 value = qEnvironmentVariable(name).toLongLong(&ok);
    return ok ? value : fallback;
}

/** What a station was doing, seen from outside between two steps. */
struct Look {
    bool inReach = true;
    bool ownAlarm = false; ///< its own alarm is waiting, about to go out or in the slot
    bool holding = false;  ///< its own message is in the slot
    bool waiting = false;  ///< it waits for the slot
    bool showing = false;
    bool receives = true;
    bool idlePolling() const { return inReach && receives && !ownAlarm && !showing; }
};

/** One message in the slot, from its write to its removal. */
struct Episode {
    int sender = 0;
    qint64 start = 0;
    std::vector<bool> eligible;   ///< idle-polling, reception on, share in reach when it was written
    std::vector<int> shown;       ///< Alarm() calls per station for this message
    std::vector<QString> excused; ///< why an eligible station could not see it before its next poll
};

} // namespace

class TestSoak final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_root;
    VirtualScheduler m_time;
    std::vector<std::unique_ptr<Station>> m_stations;
    QString m_exchange;
    std::mt19937 m_random;
    std::vector<qint64> m_outageUntil = std::vector<qint64>(kStations, -1);
    std::vector<qint64> m_hangUntil = std::vector<qint64>(kStations, -1);
    std::vector<Look> m_before = std::vector<Look>(kStations);
    std::vector<int> m_saves = std::vector<int>(kStations, 0);
    std::unique_ptr<Episode> m_episode;

    std::map<QString, qint64> m_happened; ///< inputs and faults by kind
    std::map<QString, qint64> m_lost;     ///< alarms and sightings lost by an accepted race, by kind
    std::map<QString, qint64> m_figures;
    QStringList m_violations;

    Station& at(int index) { return *m_stations[static_cast<size_t>(index)]; }
    static int idOf(int index) { return index + 1; }
    QString slotPath() const { return m_exchange + QStringLiteral("MESSAGE.KVT"); }

    bool inReach(int i) const
    {
        return m_outageUntil[static_cast<size_t>(i)] < 0 && m_hangUntil[static_cast<size_t>(i)] < 0;
    }
    Look look(int i)
    {
        const ClientState& s = at(i).client().state();
        Look l;
        l.inReach = inReach(i);
        l.holding = s.messageSent;
        l.waiting = s.sendWaiting;
        l.ownAlarm = s.messageSent || s.sendWaiting || s.sendNow;
        l.showing = s.alarmShown;
        l.receives = at(i).client().config().alarmempf != QLatin1String("1");
        return l;
    }
    void violation(const QString& text)
    {
        if (m_violations.size() < 20)
            m_violations.append(QStringLiteral("at %1 s: %2").arg(m_time.now() / 1000).arg(text));
        ++m_figures[QStringLiteral("violations")];
    }

    // --- what happens at a station ---------------------------------------------------------------

    void press(int i)
    {
        // A press while the station's own alarm is under way sends nothing, as designed.
        if (look(i).ownAlarm)
            ++m_lost[QStringLiteral("press while its own alarm was under way (dropped)")];
        at(i).serial.pressedAt(m_time.now() - 200);
        at(i).serial.releasedAt(m_time.now());
    }
    void softTrigger(int i)
    {
        const QString trigger = m_exchange + QStringLiteral("START.%1").arg(idOf(i));
        // A second request before the first was taken is the same file: one alarm.
        if (QFile::exists(trigger))
            ++m_lost[QStringLiteral("soft trigger while its file still waited (merged)")];
        QVERIFY(createEmptyFile(trigger).ok());
    }
    void save(int i)
    {
        TelvorClient& client = at(i).client();
        client.setupRequested();
        SetupFields fields = client.fields();
        fields.Text1 = QStringLiteral("Alarm bei %1 (%2)").arg(idOf(i)).arg(++m_saves[static_cast<size_t>(i)]);
        client.setupEdited(fields);
        client.speichern_Click();
    }
    void outage(int i, qint64 ms)
    {
        if (!inReach(i))
            return;
        at(i).share.fail(FaultyExchangeIo::OpAny, QString(), EIO);
        m_outageUntil[static_cast<size_t>(i)] = m_time.now() + ms;
    }
    void hang(int i, qint64 ms)
    {
        if (!inReach(i))
            return;
        at(i).share.hang();
        m_hangUntil[static_cast<size_t>(i)] = m_time.now() + ms;
    }
    void endFaultsDue(bool all)
    {
        for (int i = 0; i < kStations; ++i) {
            auto& outage = m_outageUntil[static_cast<size_t>(i)];
            if (outage >= 0 && (all || outage <= m_time.now())) {
                at(i).share.clearFaults();
                outage = -1;
            }
            auto& hang = m_hangUntil[static_cast<size_t>(i)];
            if (hang >= 0 && (all || hang <= m_time.now())) {
                at(i).share.release();
                hang = -1;
            }
        }
    }

    qint64 uniform(qint64 from, qint64 to) { return std::uniform_int_distribution<qint64>(from, to)(m_random); }

    struct Happening {
        QString name;
        double perHour; ///< across the site
        std::function<void(int station)> act;
    };
    std::vector<Happening> happenings()
    {
        return {
            {QStringLiteral("push-button presses"), 45, [this](int i) { press(i); }},
            {QStringLiteral("soft triggers"), 45, [this](int i) { softTrigger(i); }},
            {QStringLiteral("setup saves"), 30, [this](int i) { save(i); }},
            {QStringLiteral("share outages (EIO, 20 s to 3 min)"), 6,
             [this](int i) { outage(i, uniform(20000, 180000)); }},
            {QStringLiteral("share hangs (2 s to 60 s)"), 6, [this](int i) { hang(i, uniform(2000, 60000)); }},
        };
    }

    // --- watching the slot ------------------------------------------------------------------------

    static int senderOf(const QString& alarmText)
    {
        static const QRegularExpression pattern(QStringLiteral("^Alarm bei (\\d+)"));
        const QRegularExpressionMatch match = pattern.match(alarmText);
        return match.hasMatch() ? match.captured(1).toInt() : 0;
    }
    int slotSender() const
    {
        const ReadResult slot = readWholeFile(slotPath());
        return slot.ok() ? slot.bytes.toInt() : 0;
    }

    void openEpisode(int sender)
    {
        m_episode = std::make_unique<Episode>();
        m_episode->sender = sender;
        m_episode->start = m_time.now();
        m_episode->shown.assign(kStations, 0);
        m_episode->excused.assign(kStations, QString());
        m_episode->eligible.assign(kStations, false);
        for (int i = 0; i < kStations; ++i)
            m_episode->eligible[static_cast<size_t>(i)] =
                idOf(i) != sender && m_before[static_cast<size_t>(i)].idlePolling();
        ++m_figures[QStringLiteral("alarms written to the slot")];
    }

    /** The message left the slot: replaced by replacement (0: deleted) at this step. */
    void closeEpisode(const Episode& e, int replacement, const std::vector<bool>& removers)
    {
        const qint64 lasted = m_time.now() - e.start;
        if (lasted >= kHoldMs - kStepMs) {
            ++m_figures[QStringLiteral("alarms that stayed their hold time")];
            for (int i = 0; i < kStations; ++i) {
                const auto s = static_cast<size_t>(i);
                if (!e.eligible[s])
                    continue;
                if (e.shown[s] == 1)
                    ++m_figures[QStringLiteral("shown by the stations that had to show them")];
                else if (e.shown[s] == 0 && !e.excused[s].isEmpty())
                    ++m_lost[QStringLiteral("not seen: ") + e.excused[s]];
                else if (e.shown[s] == 0)
                    violation(QStringLiteral("station %1 never showed the alarm of %2 written at %3 ms; its poll "
                                             "period %4 ms; its log ends: %5")
                                  .arg(idOf(i))
                                  .arg(e.sender)
                                  .arg(e.start)
                                  .arg(at(i).client().timer1().isTicking() ? at(i).client().timer1().interval() : 0)
                                  .arg(at(i).logTexts().mid(at(i).logTexts().size() - 4).join(QStringLiteral(" | "))));
            }
            return;
        }
        if (replacement != 0) {
            ++m_lost[QStringLiteral("cut short: overwritten by another station's write")];
            return;
        }
        // Who removed it tells which race it was.
        for (int i = 0; i < kStations; ++i) {
            if (!removers[static_cast<size_t>(i)] || idOf(i) == e.sender)
                continue;
            const Look& was = m_before[static_cast<size_t>(i)];
            if (was.holding)
                ++m_lost[QStringLiteral("cut short: removed by another sender's hold end")];
            else if (was.waiting)
                ++m_lost[QStringLiteral("cut short: cleared as stale by a station that waited 16 polls")];
            else
                violation(QStringLiteral("station %1 removed the alarm of %2 after %3 ms")
                              .arg(idOf(i))
                              .arg(e.sender)
                              .arg(lasted));
            return;
        }
        violation(QStringLiteral("the alarm of %1 left the slot after %2 ms").arg(e.sender).arg(lasted));
    }

    /** Everything the stations did in the last step, as the slot and their windows show it. */
    void watch()
    {
        std::vector<bool> wrote(kStations, false);
        std::vector<bool> removed(kStations, false);
        for (int i = 0; i < kStations; ++i) {
            FaultyExchangeIo& share = at(i).share;
            const bool reached = inReach(i);
            for (const FaultyExchangeIo::Call& call : share.calls) {
                if (!reached || !call.path.endsWith(QLatin1String("/MESSAGE.KVT")))
                    continue;
                if (call.operation == FaultyExchangeIo::OpWrite)
                    wrote[static_cast<size_t>(i)] = true;
                if (call.operation == FaultyExchangeIo::OpRemove || call.operation == FaultyExchangeIo::OpForceRemove)
                    removed[static_cast<size_t>(i)] = true;
            }
            share.calls.clear();
        }

        const int sender = slotSender();
        std::unique_ptr<Episode> closing;
        // The same sender written again in one step (its hold end, then a waiting trigger) is a new alarm.
        if (m_episode && (sender != m_episode->sender ||
                          (sender >= 1 && sender <= kStations && wrote[static_cast<size_t>(sender - 1)])))
            closing = std::move(m_episode);
        if (sender != 0 && !m_episode)
            openEpisode(sender);
        // A message written and replaced (or removed) within one step never showed in a look at the slot.
        std::vector<int> vanished;
        for (int i = 0; i < kStations; ++i) {
            if (wrote[static_cast<size_t>(i)] && idOf(i) != sender && (!closing || idOf(i) != closing->sender)) {
                vanished.push_back(idOf(i));
                ++m_figures[QStringLiteral("alarms written to the slot")];
                Episode gone;
                gone.sender = idOf(i);
                gone.start = m_time.now();
                closeEpisode(gone, sender, removed);
            }
        }

        for (int i = 0; i < kStations; ++i) {
            const auto s = static_cast<size_t>(i);
            QStringList& alarms = at(i).views.alarms;
            for (const QString& text : alarms) {
                const int from = senderOf(text);
                ++m_figures[QStringLiteral("alarm windows shown")];
                // When one sender's message left and came again in this step, the window is the
                // message's that the station still had to show.
                const auto owes = [s](const std::unique_ptr<Episode>& e) {
                    return e && e->eligible[s] && e->shown[s] == 0;
                };
                Episode* target = nullptr;
                for (Episode* e : {owes(m_episode) ? m_episode.get() : nullptr, owes(closing) ? closing.get() : nullptr,
                                   m_episode.get(), closing.get()}) {
                    if (target == nullptr && e != nullptr && e->sender == from)
                        target = e;
                }
                const bool gone = std::find(vanished.begin(), vanished.end(), from) != vanished.end();
                if (target != nullptr)
                    ++target->shown[s];
                else if (!gone)
                    violation(QStringLiteral("station %1 showed an alarm of %2 that is not in the slot")
                                  .arg(idOf(i))
                                  .arg(from));
                // It found the message that the one in the slot now overwrote; one slot is shown
                // once until it empties.
                if (target != m_episode.get() && m_episode && m_episode->eligible[s] && m_episode->shown[s] == 0)
                    m_episode->excused[s] = QStringLiteral("it showed the alarm this one overwrote in the same step");
            }
            alarms.clear();
            at(i).views.alarmsFullScreen.clear();
            at(i).sound.tones.clear();
            at(i).sound.waves.clear();
            at(i).views.messages.clear();
            at(i).standardError.clear();
        }
        for (const Episode* e : {closing.get(), m_episode.get()}) {
            for (size_t s = 0; e != nullptr && s < e->shown.size(); ++s) {
                if (e->shown[s] > 1)
                    violation(QStringLiteral("station %1 showed the alarm of %2 %3 times")
                                  .arg(s + 1)
                                  .arg(e->sender)
                                  .arg(e->shown[s]));
            }
        }
        if (closing)
            closeEpisode(*closing, sender, removed);

        // An eligible station that has not shown the alarm yet may have been kept from its next poll.
        for (int i = 0; i < kStations; ++i) {
            const auto s = static_cast<size_t>(i);
            const Look now = look(i);
            if (m_episode && m_episode->eligible[s] && m_episode->shown[s] == 0 && m_episode->excused[s].isEmpty()) {
                if (!now.inReach)
                    m_episode->excused[s] = QStringLiteral("the station lost its share before its next poll");
                else if (now.ownAlarm)
                    m_episode->excused[s] =
                        QStringLiteral("the station was busy with its own alarm before its next poll");
            }
            m_before[s] = now;
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_root = std::make_unique<QTemporaryDir>();
        m_exchange = m_root->filePath(QStringLiteral("exchange")) + QLatin1Char('/');
        QDir().mkpath(m_exchange);
    }

    void aSiteForHours()
    {
        const qint64 hours = envNumber("TELVOR_SOAK_HOURS", 1);
        const auto seed =
            static_cast<quint32>(envNumber("TELVOR_SOAK_SEED", QDateTime::currentMSecsSinceEpoch() % 1000000));
        m_random.seed(seed);
        qInfo("soak: %d stations, %lld simulated hours, seed %u (TELVOR_SOAK_SEED=%u repeats it)", kStations, hours,
              seed, seed);
        QElapsedTimer wall;
        wall.start();

        // Started one after the other, so that their polls are spread over the period.
        for (int i = 0; i < kStations; ++i) {
            auto station =
                std::make_unique<Station>(m_time, m_root->filePath(QStringLiteral("station%1").arg(idOf(i))));
            ConfigText c;
            c.exchangeDir = m_exchange;
            c.stationId = QString::number(idOf(i));
            c.alarmText1 = QStringLiteral("Alarm bei %1").arg(idOf(i));
            c.text2 = QStringLiteral("Büro %1").arg(idOf(i));
            c.comDisabled = QStringLiteral("0");
            c.alarmempf = idOf(i) >= kReceptionOffFrom ? QStringLiteral("1") : QStringLiteral("0");
            station->writeConfig(c);
            station->start();
            m_stations.push_back(std::move(station));
            m_time.advance(50);
        }
        for (int i = 0; i < kStations; ++i)
            m_before[static_cast<size_t>(i)] = look(i);

        const std::vector<Happening> table = happenings();
        const qint64 busyUntil = m_time.now() + hours * 3600000;
        std::vector<qint64> heap;
        qint64 nextSample = m_time.now() + kWarmUpMs;
        while (m_time.now() < busyUntil + kSettleMs) {
            const bool busy = m_time.now() < busyUntil;
            for (const Happening& h : table) {
                if (busy && std::bernoulli_distribution(h.perHour * kStepMs / 3600000.0)(m_random)) {
                    ++m_happened[h.name];
                    h.act(static_cast<int>(uniform(0, kStations - 1)));
                }
            }
            endFaultsDue(!busy);
            m_time.advance(kStepMs);
            watch();
            if (m_time.now() >= nextSample) {
                heap.push_back(heapInUse());
                nextSample += kMemorySampleMs;
            }
        }

        for (int i = 0; i < kStations; ++i) {
            if (at(i).ended != 0)
                violation(QStringLiteral("station %1 ended").arg(idOf(i)));
            // After the quiet end every alarm raised has gone out, the share's outages included.
            const ClientState& state = at(i).client().state();
            if (state.sendWaiting || state.sendNow ||
                QFile::exists(m_exchange + QStringLiteral("START.%1").arg(idOf(i))))
                violation(QStringLiteral("station %1 still has an alarm to send").arg(idOf(i)));
        }
        const qint64 wallMs = wall.elapsed();
        qInfo("soak: %-50s %lld", "alarms raised (presses and soft triggers)",
              m_happened[QStringLiteral("push-button presses")] + m_happened[QStringLiteral("soft triggers")]);
        for (const auto& [name, count] : m_happened)
            qInfo("soak: %-50s %lld", qPrintable(name), count);
        for (const auto& [name, count] : m_figures)
            qInfo("soak: %-50s %lld", qPrintable(name), count);
        for (const auto& [name, count] : m_lost)
            qInfo("soak: lost, %-80s %lld", qPrintable(name), count);
        QStringList samples;
        for (const qint64 bytes : heap)
            samples.append(QString::number(bytes / 1024));
        qInfo("soak: heap in use every %lld simulated minutes (KiB): %s", kMemorySampleMs / 60000,
              qPrintable(samples.join(QLatin1Char(' '))));
        qInfo("soak: wall time %lld s", wallMs / 1000);

        QVERIFY2(m_violations.isEmpty(), qPrintable(m_violations.join(QLatin1Char('\n'))));
        QVERIFY(m_figures[QStringLiteral("alarms that stayed their hold time")] > 0);
        QVERIFY2(heap.size() >= 2 && heap.back() - heap.front() <= kHeapGrowthBound,
                 qPrintable(QStringLiteral("the heap grew by %1 KiB").arg((heap.back() - heap.front()) / 1024)));
    }

    void cleanupTestCase() { m_stations.clear(); }
};

QTEST_GUILESS_MAIN(TestSoak)
#include "tst_soak.moc"
