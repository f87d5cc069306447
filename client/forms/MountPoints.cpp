#include "client/forms/MountPoints.h"

#include <QFile>
#include <QSet>

#include <algorithm>

namespace telvor {

namespace {

/** The file systems of the kernel's own, not a place for an alarm share or a sound file. */
const QSet<QString>& pseudoTypes()
{
    static const QSet<QString> types{
        QStringLiteral("autofs"),    QStringLiteral("binfmt_misc"), QStringLiteral("bpf"),
        QStringLiteral("cgroup"),    QStringLiteral("cgroup2"),     QStringLiteral("configfs"),
        QStringLiteral("debugfs"),   QStringLiteral("devpts"),      QStringLiteral("devtmpfs"),
        QStringLiteral("efivarfs"),  QStringLiteral("fusectl"),     QStringLiteral("hugetlbfs"),
        QStringLiteral("mqueue"),    QStringLiteral("nsfs"),        QStringLiteral("proc"),
        QStringLiteral("pstore"),    QStringLiteral("rpc_pipefs"),  QStringLiteral("securityfs"),
        QStringLiteral("selinuxfs"), QStringLiteral("sysfs"),       QStringLiteral("tracefs"),
    };
    return types;
}

/** The kernel writes blanks, tabs, line ends and backslashes of a path as three octal digits. */
QString unescaped(const QString& field)
{
    const QByteArray bytes = field.toUtf8();
    const auto octal = [](char c) { return c >= '0' && c <= '7'; };
    QByteArray out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\\' && i + 3 < bytes.size() && octal(bytes[i + 1]) && octal(bytes[i + 2]) &&
            octal(bytes[i + 3])) {
            out.append(char((bytes[i + 1] - '0') * 64 + (bytes[i + 2] - '0') * 8 + (bytes[i + 3] - '0')));
            i += 3;
            continue;
        }
        out.append(bytes[i]);
    }
    return QFile::decodeName(out);
}

bool systemPlace(const QString& point)
{
    for (const char* place : {"/proc", "/sys", "/dev", "/run"}) {
        const QLatin1String prefix(place);
        if (point == prefix || point.startsWith(prefix + QLatin1Char('/')))
            return true;
    }
    return false;
}

} // namespace

QStringList mountPoints(const QString& mountinfo)
{
    QStringList points{QStringLiteral("/")};
    for (const QString& line : mountinfo.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        // id parent major:minor root mountpoint options [optional...] - type source superoptions
        const QStringList fields = line.split(QLatin1Char(' '));
        const qsizetype separator = fields.indexOf(QStringLiteral("-"));
        if (fields.size() < 5 || separator < 0 || separator + 1 >= fields.size())
            continue;
        const QString point = unescaped(fields[4]);
        if (pseudoTypes().contains(fields[separator + 1]) || systemPlace(point) || points.contains(point))
            continue;
        points.append(point);
    }
    std::sort(points.begin() + 1, points.end());
    return points;
}

QStringList currentMountPoints()
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("/")};
    return mountPoints(QString::fromUtf8(file.readAll()));
}

QString mountPointOf(const QString& path, const QStringList& points)
{
    QString best = QStringLiteral("/");
    for (const QString& point : points) {
        const bool holds = path == point || point == QLatin1String("/") || path.startsWith(point + QLatin1Char('/'));
        if (holds && point.size() > best.size())
            best = point;
    }
    return best;
}

} // namespace telvor
