#include "client/forms/NotifierPictures.h"

#include <QImage>
#include <QPixmap>
#include <QtEndian>

namespace telvor {

QList<NotifierPixmap> notifierPictures(const QIcon& icon)
{
    QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty())
        sizes = {{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}};
    QList<NotifierPixmap> pictures;
    for (const QSize size : sizes) {
        const QImage image = icon.pixmap(size, 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        NotifierPixmap picture{image.width(), image.height(), {}};
        picture.argb.resize(qsizetype(image.width()) * image.height() * 4);
        auto* out = reinterpret_cast<quint32*>(picture.argb.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                *out++ = qToBigEndian<quint32>(line[x]);
        }
        pictures.append(picture);
    }
    return pictures;
}

} // namespace telvor
