#pragma once

// Writes pictures as GIF89a files: up to 256 colours, one of which may be transparent.
//
// A picture is given as 8-bit colour indices (QImage::Format_Indexed8) and a palette. The
// indices are packed once (gifImageData) and can go out under several palettes: pictures that
// differ only in their colours share the packing.

#include "runtime/core/Error.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

namespace zemor::tools {

// The LZW-packed indices of an 8-bit indexed picture, with its size.
struct GifImageData
{
    int width = 0;
    int height = 0;
    QByteArray packed; // code size byte, data sub-blocks, terminator
};

GifImageData gifImageData(const QImage &indexed);

// The whole file: `palette` (1..256 colours) and the packed picture; `transparent` is the index
// of the colour that shows through.
QByteArray gifFile(const GifImageData &image, const QList<QRgb> &palette,
                   std::optional<int> transparent);

// A picture drawn in colours of `palette` only: each pixel takes the index of its colour
// (a colour not in the palette the nearest one).
QImage indexedPicture(const QImage &picture, const QList<QRgb> &palette);

// Writes the GIF to `path` (demo pictures: written plainly, without syncing each file).
[[nodiscard]] runtime::Status writeGif(const QString &path, const GifImageData &image,
                                       const QList<QRgb> &palette, std::optional<int> transparent);
[[nodiscard]] runtime::Status writeGif(const QString &path, const QImage &picture,
                                       const QList<QRgb> &palette, std::optional<int> transparent);

} // namespace zemor::tools
