#include "runtime/image/ImageLoader.h"

#include "runtime/fs/DurableFile.h"
#include "runtime/fs/Paths.h"
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <png.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace zemor::runtime::image {

namespace {

// Files above this size are not pictures the program ships or draws.
constexpr qint64 kMaxFileSize = qint64(256) << 20;
constexpr unsigned kMaxSide = 1u << 16;

// Both decoders report errors by longjmp() out of the library. The functions that call
// setjmp() therefore hold nothing with a destructor between setjmp() and the library calls:
// the image is owned by the caller and the error text lands in a plain buffer.
struct DecodeFailure
{
    char message[JMSG_LENGTH_MAX > 200 ? JMSG_LENGTH_MAX : 200] = {};
};

// ---- PNG -----------------------------------------------------------------------------------

struct PngSource
{
    const png_byte *data;
    size_t size;
    size_t pos;
    DecodeFailure *failure;
    std::jmp_buf jump;
};

void pngError(png_structp png, png_const_charp message)
{
    auto *source = static_cast<PngSource *>(png_get_error_ptr(png));
    std::snprintf(source->failure->message, sizeof source->failure->message, "%s", message);
    std::longjmp(source->jump, 1);
}

void pngWarning(png_structp, png_const_charp)
{
    // Warnings concern ancillary data (a damaged text chunk, an odd gamma); the picture itself
    // is intact.
}

void pngRead(png_structp png, png_bytep out, size_t length)
{
    auto *source = static_cast<PngSource *>(png_get_io_ptr(png));
    if (length > source->size - source->pos)
        png_error(png, "файл кончается раньше картинки");
    std::memcpy(out, source->data + source->pos, length);
    source->pos += length;
}

// Decodes into `out` (RGBA, 8 bits per channel). False with `failure` filled on any error.
bool readPng(PngSource *source, QImage *out)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, source, pngError, pngWarning);
    if (png == nullptr) {
        std::snprintf(source->failure->message, sizeof source->failure->message,
                      "не хватает памяти");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        std::snprintf(source->failure->message, sizeof source->failure->message,
                      "не хватает памяти");
        return false;
    }
    if (setjmp(source->jump) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, source, pngRead);
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (qint64(width) * qint64(height) > ImageLoader::maxPixels())
        png_error(png, "картинка слишком велика");

    png_set_expand(png); // palette to RGB, low bit depths to 8, tRNS to alpha
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(width) * 4)
        png_error(png, "неожиданное устройство строк");

    *out = QImage(int(width), int(height), QImage::Format_RGBA8888);
    if (out->isNull())
        png_error(png, "не хватает памяти");
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, out->scanLine(int(y)), nullptr);
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// ---- JPEG ----------------------------------------------------------------------------------

struct JpegErrors
{
    jpeg_error_mgr manager; // first member: libjpeg hands back a pointer to it
    DecodeFailure *failure;
    bool damaged;
    std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr cinfo)
{
    auto *errors = reinterpret_cast<JpegErrors *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->failure->message);
    std::longjmp(errors->jump, 1);
}

void jpegMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    auto *errors = reinterpret_cast<JpegErrors *>(cinfo->err);
    ++cinfo->err->num_warnings;
    // libjpeg goes on after these by inventing the missing data (grey blocks); a picture that
    // needed that is damaged, not shown half grey.
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
        if (!errors->damaged)
            (*cinfo->err->format_message)(cinfo, errors->failure->message);
        errors->damaged = true;
        break;
    default:
        break;
    }
}

bool readJpeg(const unsigned char *data, size_t size, DecodeFailure *failure, QImage *out)
{
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    cinfo.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegErrorExit;
    errors.manager.emit_message = jpegMessage;
    errors.failure = failure;
    errors.damaged = false;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 14, 0xffff); // the Adobe marker tells CMYK inversion
    jpeg_read_header(&cinfo, TRUE);

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    const bool gray = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    cinfo.out_color_space = cmyk ? JCS_CMYK : gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&cinfo);

    const JDIMENSION width = cinfo.output_width;
    const JDIMENSION height = cinfo.output_height;
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide ||
        qint64(width) * qint64(height) > ImageLoader::maxPixels()) {
        std::snprintf(failure->message, sizeof failure->message, "картинка слишком велика");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // A CMYK row needs four bytes per pixel and is converted in place into RGB32.
    *out = QImage(int(width), int(height),
                  cmyk   ? QImage::Format_RGB32
                  : gray ? QImage::Format_Grayscale8
                         : QImage::Format_RGB888);
    if (out->isNull()) {
        std::snprintf(failure->message, sizeof failure->message, "не хватает памяти");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < height) {
        JSAMPROW row = out->scanLine(int(cinfo.output_scanline));
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            break;
        if (cmyk) {
            // Adobe writes CMYK inverted (0 = full ink); that is what every producer does.
            const bool inverted = cinfo.saw_Adobe_marker;
            auto *pixel = reinterpret_cast<QRgb *>(row);
            for (JDIMENSION x = 0; x < width; ++x) {
                const unsigned char *ink = row + x * 4;
                int c = ink[0], m = ink[1], y = ink[2], k = ink[3];
                if (!inverted) {
                    c = 255 - c;
                    m = 255 - m;
                    y = 255 - y;
                    k = 255 - k;
                }
                pixel[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
            }
        }
    }
    if (!errors.damaged)
        jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return !errors.damaged;
}

QString failureText(const DecodeFailure &failure)
{
    return QString::fromLocal8Bit(failure.message);
}

} // namespace

ImageLoader::Kind ImageLoader::kindOf(const QByteArray &data)
{
    static const char pngSignature[] = "\x89PNG\r\n\x1a\n";
    if (data.startsWith(QByteArrayView(pngSignature, 8)))
        return Kind::Png;
    if (data.size() >= 3 && static_cast<unsigned char>(data[0]) == 0xff &&
        static_cast<unsigned char>(data[1]) == 0xd8 && static_cast<unsigned char>(data[2]) == 0xff)
        return Kind::Jpeg;
    return Kind::Other;
}

Result<QImage> ImageLoader::decodePng(const QByteArray &data, const QString &where)
{
    DecodeFailure failure;
    PngSource source{reinterpret_cast<const png_byte *>(data.constData()),
                     static_cast<size_t>(data.size()),
                     0,
                     &failure,
                     {}};
    QImage decoded;
    if (!readPng(&source, &decoded))
        return fail(ErrorCode::DamagedFile, where,
                    QStringLiteral("Картинка PNG повреждена: %1").arg(failureText(failure)));
    // An opaque picture needs no alpha channel, and paints faster without one.
    bool opaque = true;
    for (int y = 0; y < decoded.height() && opaque; ++y) {
        const uchar *row = decoded.constScanLine(y);
        for (int x = 0; x < decoded.width(); ++x) {
            if (row[x * 4 + 3] != 0xff) {
                opaque = false;
                break;
            }
        }
    }
    return decoded.convertToFormat(opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
}

Result<QImage> ImageLoader::decodeJpeg(const QByteArray &data, const QString &where)
{
    DecodeFailure failure;
    QImage decoded;
    if (!readJpeg(reinterpret_cast<const unsigned char *>(data.constData()),
                  static_cast<size_t>(data.size()), &failure, &decoded))
        return fail(ErrorCode::DamagedFile, where,
                    QStringLiteral("Картинка JPEG повреждена: %1").arg(failureText(failure)));
    if (decoded.format() == QImage::Format_RGB888)
        return decoded.convertToFormat(QImage::Format_RGB32);
    return decoded;
}

Result<QImage> ImageLoader::decode(const QByteArray &data, const QString &where)
{
    switch (kindOf(data)) {
    case Kind::Png:
        return decodePng(data, where);
    case Kind::Jpeg:
        return decodeJpeg(data, where);
    case Kind::Other:
        break;
    }
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage picture = reader.read();
    if (picture.isNull())
        return fail(ErrorCode::DamagedFile, where,
                    QStringLiteral("Картинку не удается прочитать: %1").arg(reader.errorString()));
    return picture;
}

Result<QImage> ImageLoader::load(const QString &path)
{
    const fs::PathInfo info = fs::pathInfo(path);
    if (!info.exists || info.isDir)
        return fail(ErrorCode::FileNotFound, path);
    if (info.size > kMaxFileSize)
        return fail(ErrorCode::DamagedFile, path, QStringLiteral("Файл картинки слишком велик"));
    const auto data = fs::readWholeFile(path);
    if (!data)
        return std::unexpected(data.error());
    return decode(*data, path);
}

QImage ImageLoader::loadOrEmpty(const QString &path, Error *error)
{
    auto picture = load(path);
    if (!picture) {
        if (error != nullptr)
            *error = picture.error();
        return {};
    }
    return std::move(*picture);
}

} // namespace zemor::runtime::image
