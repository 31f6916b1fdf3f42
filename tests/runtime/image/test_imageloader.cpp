#include "runtime/image/ImageLoader.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using zemor::runtime::ErrorCode;
using zemor::runtime::image::ImageLoader;

namespace {

// A picture with distinct colours in each quadrant and a semi-transparent stripe, so that a
// decoder that swaps channels, flips rows or drops alpha shows in the comparison.
QImage sample(bool withAlpha)
{
    QImage picture(37, 21, withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const int r = x < 18 ? 250 : 10;
            const int g = y < 10 ? 200 : 40;
            const int b = (x + y) % 2 ? 30 : 160;
            const int a = withAlpha && y == 5 ? 90 : 255;
            picture.setPixel(x, y, qRgba(r, g, b, a));
        }
    }
    return picture;
}

QByteArray encoded(const QImage &picture, const char *format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, format, quality))
        qFatal("cannot encode the test picture");
    return bytes;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return path;
}

} // namespace

class ImageLoaderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pngKeepsEveryPixel_data();
    void pngKeepsEveryPixel();
    void jpegDecodesCloseToTheSource();
    void kindComesFromTheContentNotTheName();
    void otherFormatsGoThroughQt();
    void badFilesGiveAnErrorAndAnEmptyImage_data();
    void badFilesGiveAnErrorAndAnEmptyImage();

private:
    QTemporaryDir m_dir;
};

void ImageLoaderTest::pngKeepsEveryPixel_data()
{
    QTest::addColumn<bool>("withAlpha");
    QTest::addColumn<bool>("indexed");
    QTest::newRow("opaque") << false << false;
    QTest::newRow("with alpha") << true << false;
    QTest::newRow("palette") << false << true;
}

void ImageLoaderTest::pngKeepsEveryPixel()
{
    QFETCH(bool, withAlpha);
    QFETCH(bool, indexed);
    QImage source = sample(withAlpha);
    if (indexed) {
        // An indexed picture: libpng has to expand the palette.
        source = source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    }
    const QString path = writeFile(m_dir, QStringLiteral("p.png"), encoded(source, "PNG"));

    auto loaded = ImageLoader::load(path);
    QVERIFY2(loaded, qPrintable(loaded ? QString() : loaded.error().message));
    QCOMPARE(loaded->size(), source.size());
    QCOMPARE(loaded->hasAlphaChannel(), withAlpha);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            QCOMPARE(loaded->pixel(x, y), source.pixel(x, y));
}

void ImageLoaderTest::jpegDecodesCloseToTheSource()
{
    const QImage source = sample(false);
    const QString path = writeFile(m_dir, QStringLiteral("p.jpg"), encoded(source, "JPEG", 100));
    auto loaded = ImageLoader::load(path);
    QVERIFY2(loaded, qPrintable(loaded ? QString() : loaded.error().message));
    QCOMPARE(loaded->size(), source.size());
    // JPEG is lossy; away from the quadrant edges the colours must come back close.
    for (const QPoint p : {QPoint(3, 2), QPoint(30, 2), QPoint(3, 17), QPoint(30, 17)}) {
        const QColor a = loaded->pixelColor(p);
        const QColor b = source.pixelColor(p);
        QVERIFY2(qAbs(a.red() - b.red()) < 40 && qAbs(a.green() - b.green()) < 40,
                 qPrintable(QStringLiteral("at %1,%2").arg(p.x()).arg(p.y())));
    }
    // Red and blue swapped would turn the top-left (red, green high) into blue.
    QVERIFY(loaded->pixelColor(3, 2).red() > 200);
    QVERIFY(loaded->pixelColor(30, 17).red() < 60);
}

void ImageLoaderTest::kindComesFromTheContentNotTheName()
{
    const QByteArray png = encoded(sample(false), "PNG");
    const QByteArray jpeg = encoded(sample(false), "JPEG");
    QCOMPARE(ImageLoader::kindOf(png), ImageLoader::Kind::Png);
    QCOMPARE(ImageLoader::kindOf(jpeg), ImageLoader::Kind::Jpeg);
    QCOMPARE(ImageLoader::kindOf(encoded(sample(false), "BMP")), ImageLoader::Kind::Other);

    const QString misnamed = writeFile(m_dir, QStringLiteral("picture.BMP"), png);
    auto loaded = ImageLoader::load(misnamed);
    QVERIFY(loaded);
    QCOMPARE(loaded->pixel(0, 0), sample(false).pixel(0, 0));
}

void ImageLoaderTest::otherFormatsGoThroughQt()
{
    const QImage source = sample(false);
    const QString path = writeFile(m_dir, QStringLiteral("p.bmp"), encoded(source, "BMP"));
    auto loaded = ImageLoader::load(path);
    QVERIFY(loaded);
    QCOMPARE(loaded->size(), source.size());
    QCOMPARE(loaded->pixel(36, 20), source.pixel(36, 20));
}

void ImageLoaderTest::badFilesGiveAnErrorAndAnEmptyImage_data()
{
    QTest::addColumn<QByteArray>("content"); // empty name: no file at all
    QTest::addColumn<bool>("create");
    QTest::addColumn<ErrorCode>("code");

    const QByteArray png = encoded(sample(true), "PNG");
    // Large enough that half of it lies well inside the compressed scan data.
    const QByteArray jpeg = encoded(sample(false).scaled(400, 300), "JPEG", 90);
    QByteArray badCrc = png;
    const qsizetype idat = badCrc.indexOf("IDAT");
    badCrc[idat + 6] = char(badCrc[idat + 6] ^ 0x55);

    QTest::newRow("missing file") << QByteArray() << false << ErrorCode::FileNotFound;
    QTest::newRow("empty file") << QByteArray() << true << ErrorCode::DamagedFile;
    QTest::newRow("png signature only") << png.left(8) << true << ErrorCode::DamagedFile;
    QTest::newRow("png cut in its data")
        << png.left(png.size() - 40) << true << ErrorCode::DamagedFile;
    QTest::newRow("png with damaged data") << badCrc << true << ErrorCode::DamagedFile;
    QTest::newRow("jpeg header only") << jpeg.left(200) << true << ErrorCode::DamagedFile;
    QTest::newRow("jpeg cut in its data")
        << jpeg.left(jpeg.size() / 2) << true << ErrorCode::DamagedFile;
    QTest::newRow("not a picture")
        << QByteArray("plain text, not a picture") << true << ErrorCode::DamagedFile;
}

void ImageLoaderTest::badFilesGiveAnErrorAndAnEmptyImage()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, create);
    QFETCH(ErrorCode, code);
    const QString path = create ? writeFile(m_dir, QStringLiteral("bad.img"), content)
                                : m_dir.filePath(QStringLiteral("absent.png"));

    auto loaded = ImageLoader::load(path);
    QVERIFY(!loaded);
    QCOMPARE(loaded.error().code, code);
    QCOMPARE(loaded.error().where, path);

    zemor::runtime::Error error;
    QVERIFY(ImageLoader::loadOrEmpty(path, &error).isNull());
    QCOMPARE(error.code, code);
}

QTEST_GUILESS_MAIN(ImageLoaderTest)
#include "test_imageloader.moc"
