#include "client/core/LoadFailure.h"

#include <cerrno>

namespace telvor {

QString LoadFailure::message(const QString& portNote) const
{
    return description + QStringLiteral(" - ") + QString::number(number) + QStringLiteral("  ") + portNote;
}

LoadFailure LoadFailure::endOfFile()
{
    return {62, QStringLiteral("Einlesen hinter Dateiende")};
}

LoadFailure LoadFailure::overflow()
{
    return {6, QStringLiteral("Überlauf")};
}

LoadFailure LoadFailure::invalidValue()
{
    return {380, QStringLiteral("Unzulässiger Wert")};
}

LoadFailure LoadFailure::invalidRecord()
{
    return {5, QStringLiteral("Ungültiger Datensatz")};
}

LoadFailure LoadFailure::invalidPortNumber()
{
    return {8002, QStringLiteral("Ungültige Portnummer")};
}

LoadFailure LoadFailure::fromIo(const IoResult& result)
{
    switch (result.error) {
    case ENOENT:
    case ENOTDIR:
        return {53, QStringLiteral("Datei oder Verzeichnis nicht gefunden")};
    case EACCES:
    case EPERM:
    case EROFS:
        return {70, QStringLiteral("Zugriff verweigert")};
    case ENOSPC:
    case EDQUOT:
        return {61, QStringLiteral("Datenträger voll")};
    case EIO:
        return {57, QStringLiteral("Ein-/Ausgabefehler des Datenträgers")};
    default:
        return {75, QStringLiteral("Fehler beim Zugriff auf Pfad/Datei")};
    }
}

LoadFailure LoadFailure::fromSerial(const SerialOpenResult& result)
{
    switch (result.error) {
    case SerialOpenError::None:
        break;
    case SerialOpenError::NotPresent:
        return {8010, QStringLiteral("Schnittstelle nicht vorhanden")};
    case SerialOpenError::AccessDenied:
        return {8011, QStringLiteral("Zugriff auf die Schnittstelle verweigert")};
    case SerialOpenError::Busy:
        return {8005, QStringLiteral("Schnittstelle wird von einem anderen Programm benutzt")};
    case SerialOpenError::Failed:
        break;
    }
    return {8015, QStringLiteral("Schnittstelle kann nicht geöffnet werden")};
}

} // namespace telvor
