#include "runtime/office/XlsxReader.h"
#include "runtime/fs/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>

#include <cmath>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <unistd.h>
#include <unzip.h>

namespace zemor::runtime::office {

using namespace Qt::StringLiterals;

namespace {

// Columns beyond this keep the default width: tools write one width for "all the rest" up to
// the last column of the sheet, which says nothing about the cells in use.
constexpr int kMaxWidthColumn = 1024;

class ZipArchive
{
public:
    explicit ZipArchive(const QString &path)
        : m_file(unzOpen64(fs::encodeName(path).constData())), m_path(path)
    {
    }
    ~ZipArchive()
    {
        if (m_file != nullptr)
            unzClose(m_file);
    }
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    bool isOpen() const { return m_file != nullptr; }

    // The content of entry `name`; std::nullopt when the archive has no such entry.
    Result<std::optional<QByteArray>> entry(const QString &name)
    {
        const QByteArray encodedName = name.toUtf8();
        if (unzLocateFile(m_file, encodedName.constData(), 2 /* ignore case */) != UNZ_OK)
            return std::optional<QByteArray>();
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(m_file, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            return damaged(name, QStringLiteral("часть не читается"));
        if (info.uncompressed_size > quint64(XlsxReader::kMaxEntrySize))
            return damaged(name, QStringLiteral("часть слишком велика"));
        if (unzOpenCurrentFile(m_file) != UNZ_OK)
            return damaged(name, QStringLiteral("часть не открывается"));
        QByteArray content;
        content.reserve(qsizetype(info.uncompressed_size));
        char buffer[1 << 15];
        for (;;) {
            const int n = unzReadCurrentFile(m_file, buffer, sizeof buffer);
            if (n < 0) {
                unzCloseCurrentFile(m_file);
                return damaged(name, QStringLiteral("сжатые данные повреждены"));
            }
            if (n == 0)
                break;
            if (content.size() + n > XlsxReader::kMaxEntrySize) {
                unzCloseCurrentFile(m_file);
                return damaged(name, QStringLiteral("часть слишком велика"));
            }
            content.append(buffer, n);
        }
        if (unzCloseCurrentFile(m_file) != UNZ_OK)
            return damaged(name, QStringLiteral("не сходится контрольная сумма"));
        return std::optional<QByteArray>(std::move(content));
    }

    std::unexpected<Error> damaged(const QString &entry, const QString &why) const
    {
        return fail(ErrorCode::DamagedFile, m_path,
                    QStringLiteral("Книга повреждена (%1: %2)").arg(entry, why));
    }

private:
    unzFile m_file;
    QString m_path;
};

struct FontInfo
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    QString name;
    double size = 0;
};

struct BorderInfo
{
    BorderStyle left = BorderStyle::None;
    BorderStyle right = BorderStyle::None;
    BorderStyle top = BorderStyle::None;
    BorderStyle bottom = BorderStyle::None;
};

// A file stores a column's width with the cell padding and in steps of whole pixels of the
// default font's digit (7 pixels, padding 5); the workbook, like COLUMN.WIDTH, counts
// characters. This is the inverse of what the writer does.
double widthInCharacters(double fileWidth)
{
    constexpr double kDigitPixels = 7;
    constexpr double kPaddingPixels = 5;
    const double pixels = std::round(fileWidth * kDigitPixels);
    if (pixels >= kDigitPixels + kPaddingPixels)
        return (pixels - kPaddingPixels) / kDigitPixels;
    return pixels / (kDigitPixels + kPaddingPixels);
}

// Strings in the file escape characters XML cannot hold as "_xHHHH_".
QString unescape(const QString &text)
{
    if (!text.contains(QStringLiteral("_x")))
        return text;
    QString result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (text.at(i) == u'_' && i + 6 < text.size() && text.at(i + 1) == u'x' &&
            text.at(i + 6) == u'_') {
            bool ok = false;
            const uint code = QStringView(text).mid(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                result += QChar(char16_t(code));
                i += 7;
                continue;
            }
        }
        result += text.at(i);
        ++i;
    }
    return result;
}

bool flagAttribute(const QXmlStreamAttributes &attributes)
{
    const QStringView val = attributes.value("val"_L1);
    return val.isEmpty() || (val != u"0" && val != u"false" && val != u"none");
}

BorderStyle borderStyle(QStringView name)
{
    static const QHash<QString, BorderStyle> styles = {
        {QStringLiteral("thin"), BorderStyle::Thin},
        {QStringLiteral("medium"), BorderStyle::Medium},
        {QStringLiteral("dashed"), BorderStyle::Dashed},
        {QStringLiteral("dotted"), BorderStyle::Dotted},
        {QStringLiteral("thick"), BorderStyle::Thick},
        {QStringLiteral("double"), BorderStyle::Double},
        {QStringLiteral("hair"), BorderStyle::Hair},
        {QStringLiteral("mediumDashed"), BorderStyle::Dashed},
        {QStringLiteral("dashDot"), BorderStyle::Dashed},
        {QStringLiteral("mediumDashDot"), BorderStyle::Dashed},
        {QStringLiteral("slantDashDot"), BorderStyle::Dashed},
        {QStringLiteral("dashDotDot"), BorderStyle::Dotted},
        {QStringLiteral("mediumDashDotDot"), BorderStyle::Dotted},
    };
    return styles.value(name.toString(), BorderStyle::None);
}

HorizontalAlignment horizontalAlignment(QStringView name)
{
    if (name == u"left")
        return HorizontalAlignment::Left;
    if (name == u"center")
        return HorizontalAlignment::Center;
    if (name == u"right")
        return HorizontalAlignment::Right;
    if (name == u"fill")
        return HorizontalAlignment::Fill;
    if (name == u"justify" || name == u"distributed")
        return HorizontalAlignment::Justify;
    if (name == u"centerContinuous")
        return HorizontalAlignment::CenterAcrossSelection;
    return HorizontalAlignment::General;
}

class Parser
{
public:
    explicit Parser(const QString &path) : m_path(path) {}

    std::unexpected<Error> damaged(const QString &entry, const QString &why) const
    {
        return fail(ErrorCode::DamagedFile, m_path,
                    QStringLiteral("Книга повреждена (%1: %2)").arg(entry, why));
    }
    std::unexpected<Error> xmlError(const QString &entry, const QXmlStreamReader &xml) const
    {
        return damaged(
            entry, QStringLiteral("%1 в строке %2").arg(xml.errorString()).arg(xml.lineNumber()));
    }

    Status readSharedStrings(const QByteArray &data)
    {
        QXmlStreamReader xml(data);
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"si")
                m_strings.append(siText(xml));
        }
        if (xml.hasError())
            return xmlError(QStringLiteral("sharedStrings.xml"), xml);
        return {};
    }

    // The text of an <si> or <is> element, the reader on its start; phonetic runs left out.
    static QString siText(QXmlStreamReader &xml)
    {
        QString text;
        const QString element = xml.name().toString();
        int phonetic = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                if (xml.name() == u"rPh")
                    ++phonetic;
                else if (xml.name() == u"t" && phonetic == 0)
                    text += xml.readElementText();
            } else if (xml.isEndElement()) {
                if (xml.name() == u"rPh")
                    --phonetic;
                else if (xml.name() == element)
                    break;
            }
        }
        return unescape(text);
    }

    Status readStyles(const QByteArray &data)
    {
        QXmlStreamReader xml(data);
        QList<FontInfo> fonts;
        QList<BorderInfo> borders;
        QString section;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement()) {
                if (xml.name() == section)
                    section.clear();
                continue;
            }
            if (!xml.isStartElement())
                continue;
            const QStringView name = xml.name();
            const QXmlStreamAttributes attributes = xml.attributes();
            if (name == u"fonts" || name == u"borders" || name == u"cellXfs" ||
                name == u"cellStyleXfs" || name == u"dxfs") {
                section = name.toString();
            } else if (section == u"fonts") {
                if (name == u"font")
                    fonts.append(FontInfo{});
                else if (fonts.isEmpty())
                    continue;
                else if (name == u"b")
                    fonts.back().bold = flagAttribute(attributes);
                else if (name == u"i")
                    fonts.back().italic = flagAttribute(attributes);
                else if (name == u"u")
                    fonts.back().underline = flagAttribute(attributes);
                else if (name == u"sz")
                    fonts.back().size = attributes.value("val"_L1).toDouble();
                else if (name == u"name")
                    fonts.back().name = attributes.value("val"_L1).toString();
            } else if (section == u"borders") {
                if (name == u"border")
                    borders.append(BorderInfo{});
                else if (borders.isEmpty())
                    continue;
                else if (name == u"left" || name == u"start")
                    borders.back().left = borderStyle(attributes.value("style"_L1));
                else if (name == u"right" || name == u"end")
                    borders.back().right = borderStyle(attributes.value("style"_L1));
                else if (name == u"top")
                    borders.back().top = borderStyle(attributes.value("style"_L1));
                else if (name == u"bottom")
                    borders.back().bottom = borderStyle(attributes.value("style"_L1));
            } else if (section == u"cellXfs") {
                if (name == u"xf") {
                    CellFormat format;
                    const int fontId = attributes.value("fontId"_L1).toInt();
                    if (fontId > 0 && fontId < fonts.size()) {
                        const FontInfo &font = fonts.at(fontId);
                        const FontInfo &standard = fonts.front();
                        format.bold = font.bold;
                        format.italic = font.italic;
                        format.underline = font.underline;
                        if (font.name != standard.name)
                            format.fontName = font.name;
                        if (font.size != standard.size)
                            format.fontSize = font.size;
                    }
                    const int borderId = attributes.value("borderId"_L1).toInt();
                    if (borderId > 0 && borderId < borders.size()) {
                        const BorderInfo &border = borders.at(borderId);
                        format.left = border.left;
                        format.right = border.right;
                        format.top = border.top;
                        format.bottom = border.bottom;
                    }
                    m_formats.append(format);
                } else if (name == u"alignment" && !m_formats.isEmpty()) {
                    m_formats.back().alignment =
                        horizontalAlignment(attributes.value("horizontal"_L1));
                    const QStringView wrap = attributes.value("wrapText"_L1);
                    m_formats.back().wrap = wrap == u"1" || wrap == u"true";
                }
            }
        }
        if (xml.hasError())
            return xmlError(QStringLiteral("styles.xml"), xml);
        return {};
    }

    // The sheet's path inside the archive: the first sheet of the workbook.
    static QString firstSheetPath(const std::optional<QByteArray> &workbookXml,
                                  const std::optional<QByteArray> &relsXml, QString *sheetName)
    {
        const QString fallback = QStringLiteral("xl/worksheets/sheet1.xml");
        if (!workbookXml)
            return fallback;
        QString relationId;
        {
            QXmlStreamReader xml(*workbookXml);
            while (!xml.atEnd() && relationId.isEmpty()) {
                xml.readNext();
                if (xml.isStartElement() && xml.name() == u"sheet") {
                    *sheetName = xml.attributes().value("name"_L1).toString();
                    for (const QXmlStreamAttribute &attribute : xml.attributes()) {
                        if (attribute.name() == u"id")
                            relationId = attribute.value().toString();
                    }
                }
            }
        }
        if (relationId.isEmpty() || !relsXml)
            return fallback;
        QXmlStreamReader xml(*relsXml);
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"Relationship" &&
                xml.attributes().value("Id"_L1) == relationId) {
                QString target = xml.attributes().value("Target"_L1).toString();
                if (target.startsWith(u'/'))
                    target = target.mid(1);
                else
                    target = QStringLiteral("xl/") + target;
                return QDir::cleanPath(target);
            }
        }
        return fallback;
    }

    Status readSheet(const QByteArray &data, const QString &entry, Workbook &book)
    {
        QXmlStreamReader xml(data);
        int row = 0;
        int column = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            const QStringView name = xml.name();
            const QXmlStreamAttributes attributes = xml.attributes();
            if (name == u"col") {
                bool okMin = false, okMax = false, okWidth = false;
                const int min = attributes.value("min"_L1).toInt(&okMin);
                const int max = attributes.value("max"_L1).toInt(&okMax);
                const double width = attributes.value("width"_L1).toDouble(&okWidth);
                if (!okMin || !okMax || min < 1 || max < min || max > CellRange::kMaxColumns)
                    return damaged(entry, QStringLiteral("неверный диапазон столбцов"));
                if (okWidth && width >= 0) {
                    for (int c = min; c <= qMin(max, kMaxWidthColumn); ++c)
                        book.setColumnWidth(c, widthInCharacters(width));
                }
            } else if (name == u"row") {
                const QStringView r = attributes.value("r"_L1);
                if (r.isEmpty()) {
                    if (++row > CellRange::kMaxRows)
                        return damaged(entry, QStringLiteral("неверный номер строки"));
                } else {
                    bool ok = false;
                    row = r.toInt(&ok);
                    if (!ok || row < 1 || row > CellRange::kMaxRows)
                        return damaged(entry, QStringLiteral("неверный номер строки"));
                }
                column = 0;
                const QStringView ht = attributes.value("ht"_L1);
                const QStringView custom = attributes.value("customHeight"_L1);
                if (!ht.isEmpty() && (custom == u"1" || custom == u"true"))
                    book.setRowHeight(row, ht.toDouble());
            } else if (name == u"c") {
                if (row == 0)
                    return damaged(entry, QStringLiteral("ячейка вне строки"));
                const QStringView ref = attributes.value("r"_L1);
                if (ref.isEmpty()) {
                    ++column;
                } else {
                    const auto position = CellRange::parseA1(ref.toString());
                    if (!position || position->rowCount() != 1 || position->columnCount() != 1)
                        return damaged(entry, QStringLiteral("неверная ссылка на ячейку"));
                    row = position->top;
                    column = position->left;
                }
                if (column < 1 || column > CellRange::kMaxColumns)
                    return damaged(entry, QStringLiteral("неверная ссылка на ячейку"));
                if (auto cell = readCell(xml, attributes, entry, book.cellAt(row, column)); !cell)
                    return cell;
            } else if (name == u"mergeCell") {
                const auto range = CellRange::parseA1(attributes.value("ref"_L1).toString());
                if (!range)
                    return damaged(entry, QStringLiteral("неверный объединенный диапазон"));
                book.addMergedRange(*range);
            }
        }
        if (xml.hasError())
            return xmlError(entry, xml);
        book.compact();
        return {};
    }

    Status readCell(QXmlStreamReader &xml, const QXmlStreamAttributes &attributes,
                    const QString &entry, Cell &cell)
    {
        const QStringView style = attributes.value("s"_L1);
        if (!style.isEmpty()) {
            const int index = style.toInt();
            if (index >= 0 && index < m_formats.size())
                cell.format = m_formats.at(index);
        }
        const QString type = attributes.value("t"_L1).toString();
        QString value;
        QString inlineText;
        QString formula;
        bool hasValue = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement() && xml.name() == u"c")
                break;
            if (!xml.isStartElement())
                continue;
            if (xml.name() == u"v") {
                value = xml.readElementText();
                hasValue = true;
            } else if (xml.name() == u"f") {
                const QStringView kind = xml.attributes().value("t"_L1);
                const QString text = xml.readElementText();
                // Shared and array formulas are kept by their values only.
                if (kind.isEmpty() || kind == u"normal")
                    formula = text;
            } else if (xml.name() == u"is") {
                inlineText = siText(xml);
                hasValue = true;
            }
        }
        if (xml.hasError())
            return xmlError(entry, xml);

        if (type == u"inlineStr") {
            cell.setText(inlineText);
        } else if (!hasValue || value.isEmpty()) {
            cell.clearValue();
        } else if (type == u"s") {
            bool ok = false;
            const int index = value.toInt(&ok);
            if (!ok || index < 0 || index >= m_strings.size())
                return damaged(entry, QStringLiteral("неверный номер общей строки"));
            cell.setText(m_strings.at(index));
        } else if (type == u"str" || type == u"e" || type == u"d") {
            cell.setText(unescape(value));
        } else if (type == u"b") {
            cell.setText(value.trimmed() == u"1" ? QStringLiteral("TRUE")
                                                 : QStringLiteral("FALSE"));
        } else {
            bool ok = false;
            const double number = value.toDouble(&ok);
            // A cell holds a finite number: "NaN" and "INF" are no numbers of a workbook.
            if (!ok || !std::isfinite(number))
                return damaged(entry, QStringLiteral("неверное число"));
            cell.setNumber(number);
        }
        cell.formula = formula;
        return {};
    }

private:
    QString m_path;
    QStringList m_strings;
    QList<CellFormat> m_formats;
};

} // namespace

bool XlsxReader::looksLikeWorkbook(const QString &path)
{
    const int fd = ::open(fs::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char head[4] = {};
    const bool zip = ::read(fd, head, 4) == 4 && std::memcmp(head, "PK\x03\x04", 4) == 0;
    ::close(fd);
    return zip;
}

Result<Workbook> XlsxReader::read(const QString &path)
{
    const fs::PathInfo info = fs::pathInfo(path);
    if (!info.exists || info.isDir)
        return fail(ErrorCode::FileNotFound, path);
    if (::access(fs::encodeName(path).constData(), R_OK) != 0)
        return fail(ErrorCode::AccessDenied, path);
    if (!looksLikeWorkbook(path))
        return fail(ErrorCode::DamagedFile, path, QStringLiteral("Это не файл книги"));
    ZipArchive zip(path);
    if (!zip.isOpen())
        return fail(ErrorCode::DamagedFile, path, QStringLiteral("Архив книги поврежден"));

    Parser parser(path);
    auto workbookXml = zip.entry(QStringLiteral("xl/workbook.xml"));
    if (!workbookXml)
        return std::unexpected(workbookXml.error());
    auto relsXml = zip.entry(QStringLiteral("xl/_rels/workbook.xml.rels"));
    if (!relsXml)
        return std::unexpected(relsXml.error());
    Workbook book;
    QString sheetName;
    const QString sheetPath = Parser::firstSheetPath(*workbookXml, *relsXml, &sheetName);
    book.setSheetName(sheetName);

    auto strings = zip.entry(QStringLiteral("xl/sharedStrings.xml"));
    if (!strings)
        return std::unexpected(strings.error());
    if (*strings) {
        if (auto read = parser.readSharedStrings(**strings); !read)
            return std::unexpected(read.error());
    }
    auto styles = zip.entry(QStringLiteral("xl/styles.xml"));
    if (!styles)
        return std::unexpected(styles.error());
    if (*styles) {
        if (auto read = parser.readStyles(**styles); !read)
            return std::unexpected(read.error());
    }
    auto sheet = zip.entry(sheetPath);
    if (!sheet)
        return std::unexpected(sheet.error());
    if (!*sheet)
        return parser.damaged(sheetPath, QStringLiteral("отсутствует"));
    if (auto read = parser.readSheet(**sheet, sheetPath, book); !read)
        return std::unexpected(read.error());
    return book;
}

} // namespace zemor::runtime::office
