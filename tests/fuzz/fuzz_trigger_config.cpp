// TELVOR.DAT as telvorstart reads it. A file that is there and readable either gives an exchange
// directory and a station ID the client would name its trigger file with, or is reported as
// damaged with a message that tells the user no alarm went out.

#include "common/Cp1252.h"
#include "common/FileIo.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/ScratchRoom.h"
#include "trigger/TriggerConfig.h"
#include "trigger/TriggerMessages.h"

using namespace telvor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzz::inputBytes(data, size);
    const fuzz::ScratchRoom room;
    const QString directory = room.makeDirectory(QStringLiteral("appdata"));
    if (!writeFileAtomic(directory + QLatin1Char('/') + kConfigFileName, bytes).ok())
        fuzz::harnessFailed("cannot write TELVOR.DAT");

    const TriggerConfigLoad load = loadTriggerConfig({directory});
    if (!load.config) {
        FUZZ_REQUIRE(load.failure.outcome == TriggerOutcome::DamagedConfiguration);
        FUZZ_REQUIRE(load.failure.message.endsWith(kNoAlarmRaised));
        return 0;
    }
    FUZZ_REQUIRE(load.failure.ok());

    // The directory is field 1 of the first line, not blank, with a final separator added when it had none.
    const QString text = decodeCp1252(bytes);
    const qsizetype close = text.indexOf(u']');
    FUZZ_REQUIRE(close > 0);
    const QString field = text.mid(1, close - 1);
    const QString& exchangeDir = load.config->exchangeDir;
    FUZZ_REQUIRE(!field.trimmed().isEmpty());
    FUZZ_REQUIRE(exchangeDir.endsWith(u'/'));
    FUZZ_REQUIRE(exchangeDir == field || exchangeDir == field + u'/');

    // The ID is a 16-bit number in its plain decimal form, as the client writes it into file names.
    bool ok = false;
    const short id = load.config->stationId.toShort(&ok);
    FUZZ_REQUIRE(ok && QString::number(id) == load.config->stationId);
    return 0;
}
