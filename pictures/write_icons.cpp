// Writes the program icon as the files of a hicolor icon theme, for the desktop's menu entries:
//   write_icons DIR  ->  DIR/<n>x<n>/apps/telvor.png and DIR/scalable/apps/telvor.svg
// Both are painted by the code that draws the icon in the programs' windows.

#include "common/StandardError.h"
#include "pictures/AlarmLamp.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgGenerator>

#include <array>

namespace {

constexpr int kSvgSide = 256;

bool writeSvg(const QString& path)
{
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(kSvgSide, kSvgSide));
    svg.setViewBox(QRect(0, 0, kSvgSide, kSvgSide));
    svg.setTitle(QStringLiteral("telvor"));
    svg.setDescription(QStringLiteral("An alarm lamp on an orange-red square"));
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    telvor::paintLampOnSquare(painter, kSvgSide);
    return painter.end();
}

int fail(const QString& path)
{
    telvor::printLine(QStringLiteral("write_icons: cannot write ") + path);
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    // No display is needed, nor wanted, to draw into a file.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        telvor::printLine(QStringLiteral("usage: write_icons DIR"));
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const int side : std::array{16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = root.filePath(QStringLiteral("%1x%1/apps").arg(side));
        const QString path = dir + QStringLiteral("/telvor.png");
        if (!QDir().mkpath(dir) || !telvor::lampOnSquare(side).save(path))
            return fail(path);
    }
    const QString scalable = root.filePath(QStringLiteral("scalable/apps"));
    const QString svgPath = scalable + QStringLiteral("/telvor.svg");
    if (!QDir().mkpath(scalable) || !writeSvg(svgPath))
        return fail(svgPath);
    return 0;
}
