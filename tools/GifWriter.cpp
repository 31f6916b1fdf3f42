#include "tools/GifWriter.h"

#include "runtime/fs/DurableFile.h"

#include <QVector>

#include <vector>

namespace zemor::tools {

namespace {

void put16(QByteArray &out, int value)
{
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

// Collects variable-width codes, least significant bit first, into data sub-blocks.
class CodeStream
{
public:
    void put(int code, int width)
    {
        m_bits |= quint32(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            m_bytes.append(char(m_bits & 0xff));
            m_bits >>= 8;
            m_count -= 8;
        }
    }
    QByteArray blocks()
    {
        if (m_count > 0)
            m_bytes.append(char(m_bits & 0xff));
        m_bits = 0;
        m_count = 0;
        QByteArray out;
        for (qsizetype i = 0; i < m_bytes.size(); i += 255) {
            const QByteArray block = m_bytes.mid(i, 255);
            out.append(char(block.size()));
            out.append(block);
        }
        out.append('\0');
        return out;
    }

private:
    QByteArray m_bytes;
    quint32 m_bits = 0;
    int m_count = 0;
};

} // namespace

GifImageData gifImageData(const QImage &indexed)
{
    Q_ASSERT(indexed.format() == QImage::Format_Indexed8);
    constexpr int minimumCodeSize = 8;
    constexpr int clear = 1 << minimumCodeSize;
    constexpr int end = clear + 1;
    constexpr int lastCode = 4095;

    // The dictionary as a tree: the code that extends `prefix` by `index`, 0 for none.
    std::vector<quint16> next(size_t(lastCode + 1) * 256, 0);
    int codeSize = minimumCodeSize + 1;
    int maxCode = end;
    CodeStream codes;
    codes.put(clear, codeSize);

    int current = -1;
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar *line = indexed.constScanLine(y);
        for (int x = 0; x < indexed.width(); ++x) {
            const int index = line[x];
            if (current < 0) {
                current = index;
                continue;
            }
            quint16 &extended = next[size_t(current) * 256 + size_t(index)];
            if (extended != 0) {
                current = extended;
                continue;
            }
            codes.put(current, codeSize);
            extended = quint16(++maxCode);
            if (maxCode >= (1 << codeSize))
                ++codeSize;
            if (maxCode == lastCode) {
                codes.put(clear, codeSize);
                std::fill(next.begin(), next.end(), quint16(0));
                codeSize = minimumCodeSize + 1;
                maxCode = end;
            }
            current = index;
        }
    }
    if (current >= 0)
        codes.put(current, codeSize);
    codes.put(clear, codeSize);
    codes.put(end, minimumCodeSize + 1);

    GifImageData data;
    data.width = indexed.width();
    data.height = indexed.height();
    data.packed.append(char(minimumCodeSize));
    data.packed.append(codes.blocks());
    return data;
}

QByteArray gifFile(const GifImageData &image, const QList<QRgb> &palette,
                   std::optional<int> transparent)
{
    Q_ASSERT(!palette.isEmpty() && palette.size() <= 256);
    // The colour table holds 2^depth entries.
    int depth = 1;
    while ((1 << depth) < palette.size())
        ++depth;

    QByteArray out("GIF89a");
    put16(out, image.width);
    put16(out, image.height);
    out.append(char(0x80 | ((depth - 1) << 4) | (depth - 1))); // global table and its size
    out.append('\0');                                          // background colour
    out.append('\0');                                          // aspect
    for (int i = 0; i < (1 << depth); ++i) {
        const QRgb c = i < palette.size() ? palette[i] : qRgb(0, 0, 0);
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    // Graphic control: the transparent colour.
    out.append("\x21\xf9\x04", 3);
    out.append(char(transparent ? 0x01 : 0x00));
    put16(out, 0);
    out.append(char(transparent.value_or(0)));
    out.append('\0');
    // The picture: all of it, no table of its own.
    out.append(',');
    put16(out, 0);
    put16(out, 0);
    put16(out, image.width);
    put16(out, image.height);
    out.append('\0');
    out.append(image.packed);
    out.append(';');
    return out;
}

QImage indexedPicture(const QImage &picture, const QList<QRgb> &palette)
{
    return picture.convertToFormat(QImage::Format_Indexed8,
                                   QVector<QRgb>(palette.cbegin(), palette.cend()),
                                   Qt::ThresholdDither | Qt::AvoidDither);
}

runtime::Status writeGif(const QString &path, const GifImageData &image, const QList<QRgb> &palette,
                         std::optional<int> transparent)
{
    return runtime::fs::writeWholeFile(path, gifFile(image, palette, transparent));
}

runtime::Status writeGif(const QString &path, const QImage &picture, const QList<QRgb> &palette,
                         std::optional<int> transparent)
{
    return writeGif(path, gifImageData(indexedPicture(picture, palette)), palette, transparent);
}

} // namespace zemor::tools
