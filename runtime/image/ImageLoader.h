#pragma once

// Loads the pictures the program shows (help pictures, map pictures, page images) into a
// QImage. PNG files are decoded with libpng and JPEG files with libjpeg; the kind is taken from
// the file's first bytes, not from its name, so a picture named ".bmp" that holds PNG data still
// loads. Any other kind goes to Qt's own image readers.
//
// A missing, unreadable, truncated or otherwise damaged file never crashes the program and never
// gives a half-decoded picture: load() returns an Error (FileNotFound, AccessDenied, DamagedFile)
// and loadOrEmpty() an empty QImage. Pictures larger than maxPixels() are refused as damaged, so
// that a forged header cannot make the program allocate gigabytes.
//
// The functions keep no state and may be called from any thread.

#include "runtime/core/Error.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace zemor::runtime::image {

class ImageLoader
{
public:
    enum class Kind { Png, Jpeg, Other };

    // The picture in the file at `path` (a path on disk).
    [[nodiscard]] static Result<QImage> load(const QString &path);
    // The same, with an empty QImage for any failure; the error goes to `error` when given.
    static QImage loadOrEmpty(const QString &path, Error *error = nullptr);

    // Decoders for data already in memory; `where` names the data in errors.
    [[nodiscard]] static Result<QImage> decode(const QByteArray &data, const QString &where);
    [[nodiscard]] static Result<QImage> decodePng(const QByteArray &data, const QString &where);
    [[nodiscard]] static Result<QImage> decodeJpeg(const QByteArray &data, const QString &where);

    static Kind kindOf(const QByteArray &data);
    // The largest picture accepted, in pixels (width times height).
    static constexpr qint64 maxPixels() { return qint64(1) << 28; }
};

} // namespace zemor::runtime::image
