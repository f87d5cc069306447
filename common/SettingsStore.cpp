#include "common/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace telvor {
namespace {

constexpr mode_t kFileMode = 0600;
constexpr mode_t kDirectoryMode = 0700;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

/** Makes the store's directory (0700) and an empty file (0600) where missing; why not, if it failed. */
std::optional<QString> prepareFile(const QString& filePath)
{
    const QString directory = QFileInfo(filePath).absolutePath();
    if (!QFileInfo(directory).isDir()) {
        QDir().mkpath(QFileInfo(directory).absolutePath());
        if (::mkdir(QFile::encodeName(directory).constData(), kDirectoryMode) != 0 && errno != EEXIST)
            return QStringLiteral("%1: %2").arg(directory, systemError(errno));
    }
    // Created here, before the first write, so that the password is never readable by others, not
    // even for a moment; the store's later writes keep the mode of the file they replace.
    const int fd =
        ::open(QFile::encodeName(filePath).constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kFileMode);
    if (fd < 0)
        return QStringLiteral("%1: %2").arg(filePath, systemError(errno));
    // A file made by an earlier version or by hand may be readable by others.
    struct stat status {};
    if (::fstat(fd, &status) == 0 && (status.st_mode & 0777) != kFileMode)
        ::fchmod(fd, kFileMode);
    ::close(fd);
    return std::nullopt;
}

} // namespace

QString settingsFilePath(const QString& application)
{
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is invalid by the XDG rules and would depend on the start directory.
    if (!QDir::isAbsolutePath(configHome))
        configHome = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(configHome + QLatin1Char('/') + application + QLatin1Char('/') + application +
                           QStringLiteral(".ini"));
}

SettingsStore::SettingsStore(const QString& application) : m_filePath(settingsFilePath(application))
{
}

SettingsStore SettingsStore::atFile(const QString& filePath)
{
    SettingsStore store;
    store.m_filePath = filePath;
    return store;
}

QString SettingsStore::read(const QString& section, const QString& key, const QString& defaultValue) const
{
    const QSettings settings(m_filePath, QSettings::IniFormat);
    const QVariant value = settings.value(section + QLatin1Char('/') + key);
    // The text as it was written; a value that is no text (written by hand as a list) reads as its parts joined.
    if (!value.isValid())
        return defaultValue;
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

std::optional<QString> SettingsStore::write(const QString& section, const Values& values) const
{
    if (std::optional<QString> problem = prepareFile(m_filePath))
        return problem;
    QSettings settings(m_filePath, QSettings::IniFormat);
    for (const auto& [key, text] : values)
        settings.setValue(section + QLatin1Char('/') + key, text);
    settings.sync();
    switch (settings.status()) {
    case QSettings::NoError:
        return std::nullopt;
    case QSettings::AccessError:
        return QStringLiteral("%1: kein Schreibzugriff").arg(m_filePath);
    case QSettings::FormatError:
        return QStringLiteral("%1: Dateiformat fehlerhaft").arg(m_filePath);
    }
    return QStringLiteral("%1: unbekannter Fehler").arg(m_filePath);
}

} // namespace telvor
