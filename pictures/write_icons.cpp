// Writes the program icon as PNG files of a hicolor icon theme, for the desktop's menu entries:
//   write_icons DIR  ->  DIR/<n>x<n>/apps/telvor.png

#include "pictures/AlarmLamp.h"

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

#include <array>

int main(int argc, char* argv[])
{
    // No display is needed, nor wanted, to draw into a file.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: write_icons DIR\n";
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const int side : std::array{16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = root.filePath(QStringLiteral("%1x%1/apps").arg(side));
        if (!QDir().mkpath(dir) || !telvor::lampOnSquare(side).save(dir + QStringLiteral("/telvor.png"))) {
            QTextStream(stderr) << "write_icons: cannot write " << dir << "/telvor.png\n";
            return 1;
        }
    }
    return 0;
}
