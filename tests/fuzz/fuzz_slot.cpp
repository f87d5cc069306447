// A receiving station and a message slot written by someone else. The input, split at its first
// 0xFF byte, is the content of MESSAGE.KVT and the alarm text; the alarm text file is named after
// the slot's content only when that is a plain decimal ID, otherwise there is none. Within six
// seconds the station shows the alarm of a slot that names a station, clears a slot that names
// no alarm text, leaves an empty one (its writer is not done yet) alone, and never opens,
// writes or removes anything outside its exchange directory and its own event log.

#include "common/Cp1252.h"
#include "common/ExchangeNames.h"
#include "common/FileIo.h"
#include "fuzz/AccessWatch.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/ScratchRoom.h"
#include "support/fakes/Station.h"

#include <QFile>

#include <cstdio>

using namespace telvor;

namespace {

const QString kOwnId = QStringLiteral("7");

/** Digits, with a minus in front or not. */
bool isPlainDecimal(const QByteArray& id)
{
    const qsizetype first = id.startsWith('-') ? 1 : 0;
    if (id.size() <= first)
        return false;
    for (qsizetype i = first; i < id.size(); ++i)
        if (id.at(i) < '0' || id.at(i) > '9')
            return false;
    return true;
}

/** An ID as a station writes it into the slot: its 16-bit number in decimal. */
bool isStationId(const QByteArray& id)
{
    bool ok = false;
    const short value = id.toShort(&ok);
    return ok && QByteArray::number(value) == id;
}

void put(const QString& path, const QByteArray& bytes)
{
    if (!writeFileAtomic(path, bytes).ok())
        fuzz::harnessFailed("cannot write into the exchange directory");
}

void requireUntouched(const QStringList& events)
{
    for (const QString& event : events)
        std::fprintf(stderr, "touched outside the exchange directory: %s\n", qPrintable(event));
    FUZZ_REQUIRE(events.isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input = fuzz::inputBytes(data, size);
    const qsizetype split = input.indexOf('\xff');
    const QByteArray slot = split < 0 ? input : input.left(split);
    const QByteArray alarmText = split < 0 ? QByteArray() : input.mid(split + 1);

    const fuzz::ScratchRoom room;
    const QString exchange = room.makeDirectory(QStringLiteral("exchange")) + QLatin1Char('/');
    const QString appData = room.makeDirectory(QStringLiteral("appdata"));
    // What a path taken from the slot could reach outside the exchange directory.
    const QString outside = room.makeDirectory(QStringLiteral("outside"));
    put(outside + QStringLiteral("/MDAT12.KVT"), "fremd");
    put(outside + QLatin1Char('/') + kMessageFileName, "12");

    VirtualScheduler scheduler;
    test::Station station(scheduler, appData);
    test::ConfigText config;
    config.exchangeDir = exchange;
    config.stationId = kOwnId;
    station.writeConfig(config);
    station.start();
    if (!QFile::exists(exchange + alarmTextFileName(kOwnId)))
        fuzz::harnessFailed("the station did not start");

    // One watch for the whole run: a new one per input would cost more than the input itself.
    static fuzz::AccessWatch watch;
    for (const QString& directory : {room.root(), outside, room.workDirectory(), appData})
        watch.watch(directory);

    put(exchange + kMessageFileName, slot);
    if (isPlainDecimal(slot))
        put(exchange + alarmTextFileName(QString::fromLatin1(slot)), alarmText);
    scheduler.advance(6000);

    // The station's own event log is the one thing it may write outside the exchange directory.
    QStringList touched;
    for (const QString& event : watch.events())
        if (!event.startsWith(appData + QStringLiteral("/telvor.log:")))
            touched.append(event);
    watch.clear();
    requireUntouched(touched);

    const QStringList& shown = station.views.alarms;
    const bool slotLeft = QFile::exists(exchange + kMessageFileName);
    if (isStationId(slot)) {
        FUZZ_REQUIRE(shown == QStringList{decodeCp1252(alarmText)});
    } else if (!isPlainDecimal(slot)) {
        FUZZ_REQUIRE(shown.isEmpty());
        FUZZ_REQUIRE(slotLeft == slot.isEmpty());
    } else {
        // "007", "40000", a hundred digits: no station writes them; shown or not, never altered.
        FUZZ_REQUIRE(shown.isEmpty() || shown == QStringList{decodeCp1252(alarmText)});
    }
    return 0;
}
