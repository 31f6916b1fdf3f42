#include "runtime/office/XlsxWriter.h"

#include "runtime/fs/DurableFile.h"
#include "runtime/fs/Paths.h"

#include <QFile>

#include <clocale>
#include <utility>
#include <vector>

#include <locale.h>

#include <xlsxwriter.h>

namespace zemor::runtime::office {

namespace {

// libxlsxwriter formats numbers with printf, which follows LC_NUMERIC: under a locale with a
// decimal comma it would write "1234,5" into the file. The writing thread uses the C locale
// while it runs; other threads are not affected.
class CNumericLocale
{
public:
    CNumericLocale() : m_c(newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr)))
    {
        if (m_c != locale_t(nullptr))
            m_previous = uselocale(m_c);
    }
    ~CNumericLocale()
    {
        if (m_c != locale_t(nullptr)) {
            uselocale(m_previous);
            freelocale(m_c);
        }
    }
    CNumericLocale(const CNumericLocale &) = delete;
    CNumericLocale &operator=(const CNumericLocale &) = delete;

private:
    locale_t m_c;
    locale_t m_previous = locale_t(nullptr);
};

uint8_t lxwBorder(BorderStyle style)
{
    // Both number the styles alike: none, thin, medium, dashed, dotted, thick, double, hair.
    return static_cast<uint8_t>(style);
}

uint8_t lxwAlignment(HorizontalAlignment alignment)
{
    switch (alignment) {
    case HorizontalAlignment::General:
        return LXW_ALIGN_NONE;
    case HorizontalAlignment::Left:
        return LXW_ALIGN_LEFT;
    case HorizontalAlignment::Center:
        return LXW_ALIGN_CENTER;
    case HorizontalAlignment::Right:
        return LXW_ALIGN_RIGHT;
    case HorizontalAlignment::Fill:
        return LXW_ALIGN_FILL;
    case HorizontalAlignment::Justify:
        return LXW_ALIGN_JUSTIFY;
    case HorizontalAlignment::CenterAcrossSelection:
        return LXW_ALIGN_CENTER_ACROSS;
    }
    return LXW_ALIGN_NONE;
}

class FormatCache
{
public:
    explicit FormatCache(lxw_workbook *workbook) : m_workbook(workbook) {}

    lxw_format *formatFor(const CellFormat &format)
    {
        if (format.isDefault())
            return nullptr;
        for (const auto &[known, lxw] : m_formats) {
            if (known == format)
                return lxw;
        }
        lxw_format *lxw = workbook_add_format(m_workbook);
        if (lxw == nullptr)
            return nullptr;
        format_set_left(lxw, lxwBorder(format.left));
        format_set_right(lxw, lxwBorder(format.right));
        format_set_top(lxw, lxwBorder(format.top));
        format_set_bottom(lxw, lxwBorder(format.bottom));
        if (format.bold)
            format_set_bold(lxw);
        if (format.italic)
            format_set_italic(lxw);
        if (format.underline)
            format_set_underline(lxw, LXW_UNDERLINE_SINGLE);
        if (!format.fontName.isEmpty())
            format_set_font_name(lxw, format.fontName.toUtf8().constData());
        if (format.fontSize > 0)
            format_set_font_size(lxw, format.fontSize);
        if (format.alignment != HorizontalAlignment::General)
            format_set_align(lxw, lxwAlignment(format.alignment));
        if (format.wrap)
            format_set_text_wrap(lxw);
        m_formats.emplace_back(format, lxw);
        return lxw;
    }

private:
    lxw_workbook *m_workbook;
    std::vector<std::pair<CellFormat, lxw_format *>> m_formats;
};

QString lxwText(lxw_error error)
{
    return QString::fromUtf8(lxw_strerror(error));
}

// Puts every part of `book` into the worksheet; the first refusal ends it.
Status fillSheet(const Workbook &book, lxw_worksheet *sheet, FormatCache &formats,
                 const QString &path)
{
    const auto check = [&](lxw_error error, int row, int column) -> Status {
        if (error == LXW_NO_ERROR)
            return {};
        const QString where = row > 0 ? CellRange::single(row, column).toR1C1() : QString();
        return fail(error == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED ? ErrorCode::Overflow
                                                                  : ErrorCode::InvalidData,
                    path, QStringLiteral("Не удалось записать %1: %2").arg(where, lxwText(error)));
    };
    for (auto it = book.columnWidths().cbegin(); it != book.columnWidths().cend(); ++it) {
        const auto column = lxw_col_t(it.key() - 1);
        if (auto s = check(worksheet_set_column(sheet, column, column, it.value(), nullptr), 0, 0);
            !s)
            return s;
    }
    for (auto it = book.rowHeights().cbegin(); it != book.rowHeights().cend(); ++it) {
        if (auto s =
                check(worksheet_set_row(sheet, lxw_row_t(it.key() - 1), it.value(), nullptr), 0, 0);
            !s)
            return s;
    }
    for (const CellRange &range : book.mergedRanges()) {
        const Cell *first = book.cell(range.top, range.left);
        lxw_format *format = first ? formats.formatFor(first->format) : nullptr;
        if (auto s = check(worksheet_merge_range(
                               sheet, lxw_row_t(range.top - 1), lxw_col_t(range.left - 1),
                               lxw_row_t(range.bottom - 1), lxw_col_t(range.right - 1), "", format),
                           range.top, range.left);
            !s)
            return s;
    }
    for (const auto &[position, cell] : book.cells()) {
        const auto row = lxw_row_t(position.first - 1);
        const auto column = lxw_col_t(position.second - 1);
        lxw_format *format = formats.formatFor(cell.format);
        lxw_error error = LXW_NO_ERROR;
        const QByteArray formula = cell.formula.toUtf8();
        switch (cell.kind) {
        case Cell::Kind::Number:
            error = cell.formula.isEmpty()
                        ? worksheet_write_number(sheet, row, column, cell.number, format)
                        : worksheet_write_formula_num(sheet, row, column, formula.constData(),
                                                      format, cell.number);
            break;
        case Cell::Kind::Text:
            if (cell.text.size() > XlsxWriter::kMaxTextLength) {
                error = LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED;
            } else {
                error =
                    cell.formula.isEmpty()
                        ? worksheet_write_string(sheet, row, column, cell.text.toUtf8().constData(),
                                                 format)
                        : worksheet_write_formula(sheet, row, column, formula.constData(), format);
            }
            break;
        case Cell::Kind::Empty:
            if (!cell.formula.isEmpty())
                error = worksheet_write_formula(sheet, row, column, formula.constData(), format);
            else if (format != nullptr)
                error = worksheet_write_blank(sheet, row, column, format);
            break;
        }
        if (auto s = check(error, position.first, position.second); !s)
            return s;
    }
    return {};
}

} // namespace

Status XlsxWriter::write(const Workbook &book, const QString &path)
{
    // The library writes the new file by name; the writer syncs and places it.
    auto target = fs::DurableFile::begin(path);
    if (!target)
        return std::unexpected(target.error());
    const QByteArray tempName = fs::encodeName(target->tempPath());

    CNumericLocale cLocale;
    lxw_workbook_options options{};
    lxw_workbook *workbook = workbook_new_opt(tempName.constData(), &options);
    if (workbook == nullptr)
        return fail(ErrorCode::IoError, path, QStringLiteral("Не удалось начать файл книги"));
    const QByteArray sheetName = book.sheetName().toUtf8();
    const bool nameUsable =
        !sheetName.isEmpty() &&
        workbook_validate_sheet_name(workbook, sheetName.constData()) == LXW_NO_ERROR;
    lxw_worksheet *sheet =
        workbook_add_worksheet(workbook, nameUsable ? sheetName.constData() : nullptr);
    Status filled = sheet != nullptr ? Status{}
                                     : fail(ErrorCode::IoError, path,
                                            QStringLiteral("Не удалось добавить лист"));
    FormatCache formats(workbook);
    if (filled)
        filled = fillSheet(book, sheet, formats, path);
    // The workbook is closed in every case: that frees it (and writes the temporary file).
    const lxw_error closed = workbook_close(workbook);
    if (filled && closed != LXW_NO_ERROR)
        filled = fail(ErrorCode::IoError, path,
                      QStringLiteral("Не удалось записать книгу: %1").arg(lxwText(closed)));
    if (!filled)
        return filled;
    return target->commit();
}

} // namespace zemor::runtime::office
