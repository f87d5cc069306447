// TELVOR.DAT as a station reads it at start-up, whatever the file holds. The station starts
// and lives through 20 seconds of virtual time without crashing or hanging, leaves the file as
// it was and keeps polling. Every input gets a fresh per-user directory and a fresh, empty
// working directory, so that exchange paths relative to it stay in the scratch room. An exchange
// directory elsewhere is fuzzed only where writing anywhere is safe (scripts/fuzz's sandbox, or
// TELVOR_FUZZ_MAY_WRITE_ANYWHERE=1): the station clears its leftovers and trigger file there.

#include "common/BracketRecord.h"
#include "common/Cp1252.h"
#include "common/FileIo.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/ScratchRoom.h"
#include "support/fakes/Station.h"

#include <QDir>
#include <QFile>
#include <QStringView>

#include <cstdio>

using namespace telvor;

namespace {

/** Each line is the text up to the next line end, and lines and ends together are the whole text. */
void checkLines(const QString& text)
{
    LineReader reader(text);
    qsizetype pos = 0;
    while (const std::optional<QString> line = reader.readLine()) {
        const qsizetype before = pos;
        FUZZ_REQUIRE(!line->contains(u'\r') && !line->contains(u'\n'));
        FUZZ_REQUIRE(QStringView(text).mid(pos, line->size()) == *line);
        pos += line->size();
        if (pos < text.size()) {
            FUZZ_REQUIRE(text.at(pos) == u'\r' || text.at(pos) == u'\n');
            const bool crLf = text.at(pos) == u'\r' && pos + 1 < text.size() && text.at(pos + 1) == u'\n';
            pos += crLf ? 2 : 1;
        }
        FUZZ_REQUIRE(pos > before);
        FUZZ_REQUIRE(reader.atEnd() == (pos >= text.size()));
    }
    FUZZ_REQUIRE(pos == text.size());
}

/** Whether the exchange directory the station would take from the text lies outside the room. */
bool leavesRoom(const QString& text, const fuzz::ScratchRoom& room)
{
    const BracketRecord record = readBracketRecord(text, 1);
    // No directory, or one with a NUL, which names no file at all.
    if (record.negativeFirst || record.fields.isEmpty() || record.fields.first().contains(QChar(u'\0')))
        return false;
    const QString directory = QDir::cleanPath(QDir(room.workDirectory()).absoluteFilePath(record.fields.first()));
    const QString root = QDir::cleanPath(room.root());
    return directory != root && !directory.startsWith(root + u'/');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzz::inputBytes(data, size);
    const QString text = decodeCp1252(bytes);
    checkLines(text);

    const fuzz::ScratchRoom room;
    if (qEnvironmentVariable("TELVOR_FUZZ_MAY_WRITE_ANYWHERE") != QLatin1String("1") && leavesRoom(text, room)) {
        std::fprintf(stderr, "fuzz_load_config: exchange directory outside the scratch room, not started\n");
        return 0;
    }
    const QString appData = room.makeDirectory(QStringLiteral("appdata"));
    qputenv("APPDATA", QFile::encodeName(appData));
    {
        VirtualScheduler scheduler;
        test::Station station(scheduler, appData);
        station.writeRawConfig(bytes);
        station.start();
        scheduler.advance(20000);

        // Whatever the file held, the station still watches for alarms and soft triggers.
        FUZZ_REQUIRE(station.client().timer1().isTicking());
        FUZZ_REQUIRE(station.client().timer3().isTicking());
    }
    // Start-up only reads its configuration.
    const ReadResult after = readWholeFile(appData + QStringLiteral("/TELVOR.DAT"));
    FUZZ_REQUIRE(after.ok() && after.bytes == bytes);
    return 0;
}
