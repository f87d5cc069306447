#include "common/UserDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace telvor {
namespace {

QString withoutFinalSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

QString chosenDirectory()
{
    QString appData = qEnvironmentVariable("APPDATA");
    if (!appData.isEmpty())
        return appData;
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is invalid by the XDG rules and would depend on the start directory.
    if (QDir::isAbsolutePath(configHome))
        return configHome + QStringLiteral("/telvor");
    return QDir::cleanPath(QDir::homePath() + QStringLiteral("/.config/telvor"));
}

} // namespace

QString perUserDirectory()
{
    QString directory = withoutFinalSlash(chosenDirectory());
    // A directory that cannot be made shows up as failing writes, which are reported there. Its
    // log tells when alarms were raised: it is the user's alone.
    if (!QFileInfo(directory).isDir()) {
        QDir().mkpath(QFileInfo(directory).absolutePath());
        ::mkdir(QFile::encodeName(directory).constData(), 0700);
    }
    return directory;
}

} // namespace telvor
