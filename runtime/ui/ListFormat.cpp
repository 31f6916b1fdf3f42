#include "runtime/ui/ListFormat.h"

#include <algorithm>

namespace zemor::runtime::ui {

namespace {

constexpr int maxNumber = 99999; // widths, indents, styles and field numbers

std::optional<ListAlignment> alignmentOf(QChar ch)
{
    switch (ch.toUpper().unicode()) {
    case u'L':
        return ListAlignment::Left;
    case u'R':
        return ListAlignment::Right;
    case u'C':
        return ListAlignment::Center;
    case u'D':
        return ListAlignment::Decimal;
    default:
        return std::nullopt;
    }
}

QChar alignmentLetter(ListAlignment alignment)
{
    switch (alignment) {
    case ListAlignment::Left:
        return u'L';
    case ListAlignment::Right:
        return u'R';
    case ListAlignment::Center:
        return u'C';
    case ListAlignment::Decimal:
        return u'D';
    }
    return u'L';
}

// A cursor over the format text that knows how to report where it stopped.
class Scanner
{
public:
    explicit Scanner(QStringView text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_text[m_pos]; }
    QChar take() { return m_text[m_pos++]; }
    qsizetype pos() const { return m_pos; }

    std::unexpected<Error> error(const QString &what) const { return errorAt(m_pos, what); }
    std::unexpected<Error> errorAt(qsizetype pos, const QString &what) const
    {
        return fail(ErrorCode::InvalidData, m_text.toString(),
                    QStringLiteral("Формат списка, позиция %1: %2").arg(pos + 1).arg(what));
    }

    Result<int> number(const QString &what)
    {
        const qsizetype start = m_pos;
        int value = 0;
        while (!atEnd() && peek().isDigit() && peek().unicode() < 128) {
            value = value * 10 + (take().unicode() - u'0');
            if (value > maxNumber)
                return errorAt(start, QStringLiteral("%1: слишком большое число").arg(what));
        }
        if (m_pos == start)
            return error(QStringLiteral("ожидается %1").arg(what));
        return value;
    }

    // "(n)" when the next character opens it; nullopt when there is none.
    Result<std::optional<int>> optionalParenNumber(const QString &what)
    {
        if (peek() != u'(')
            return std::optional<int>();
        take();
        auto value = number(what);
        if (!value)
            return std::unexpected(value.error());
        if (peek() != u')')
            return error(QStringLiteral("%1: ожидается ')'").arg(what));
        take();
        return std::optional<int>(*value);
    }

    // The text up to the next `close`, which is consumed; the opening character is consumed
    // already.
    Result<QStringView> until(QChar close, const QString &what)
    {
        const qsizetype start = m_pos;
        const qsizetype end = m_text.indexOf(close, m_pos);
        if (end < 0)
            return errorAt(start - 1, QStringLiteral("%1: нет закрывающего '%2'").arg(what, close));
        m_pos = end + 1;
        return m_text.sliced(start, end - start);
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

Status parseColors(Scanner &in, qsizetype start, QStringView body, ListColors &colors)
{
    const QList<QStringView> parts = body.split(u',');
    if (parts.size() > 4)
        return in.errorAt(start, QStringLiteral("в E() не больше четырех цветов"));
    QColor *targets[] = {&colors.foreground, &colors.background, &colors.selectedForeground,
                         &colors.selectedBackground};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        auto color = ListFormat::parseColor(parts[i]);
        if (!color)
            return in.errorAt(start, color.error().message);
        *targets[i] = *color;
    }
    return {};
}

Status parsePicture(Scanner &in, qsizetype start, QStringView body, ListColumn &column)
{
    column.pictureText = body.toString();
    if (body.trimmed().isEmpty()) {
        column.picture.reset();
        return {};
    }
    auto picture = Picture::parse(body);
    if (!picture)
        return in.errorAt(
            start,
            QStringLiteral("шаблон \"%1\": %2").arg(body.toString(), picture.error().message));
    column.picture = std::move(*picture);
    return {};
}

Result<ListColumn> parseColumn(Scanner &in)
{
    ListColumn column;
    auto width = in.number(QStringLiteral("ширина столбца"));
    if (!width)
        return std::unexpected(width.error());
    column.width = *width;

    if (in.atEnd())
        return in.error(QStringLiteral("ожидается выравнивание (L, R, C или D)"));
    const auto alignment = alignmentOf(in.peek());
    if (!alignment)
        return in.error(QStringLiteral("ожидается выравнивание (L, R, C или D)"));
    in.take();
    column.alignment = *alignment;
    auto indent = in.optionalParenNumber(QStringLiteral("отступ"));
    if (!indent)
        return std::unexpected(indent.error());
    column.indent = indent->value_or(0);
    column.headingAlignment = column.alignment;
    column.headingIndent = column.indent;

    bool seenHeading = false;
    bool seenPicture = false;
    bool seenColors = false;
    while (!in.atEnd()) {
        const QChar ch = in.peek();
        if (ch.isDigit() && ch.unicode() < 128)
            break; // the next column
        const qsizetype start = in.pos();
        in.take();
        switch (ch.toUpper().unicode()) {
        case u'|':
            column.rightBorder = true;
            break;
        case u'_':
            column.bottomBorder = true;
            break;
        case u'M':
            column.resizable = true;
            break;
        case u'F':
            column.fixed = true;
            break;
        case u'?':
            column.locator = true;
            break;
        case u'/':
            column.breakAfter = true;
            break;
        case u'*':
            column.rowColors = true;
            break;
        case u'Y':
            column.cellStyle = true;
            break;
        case u'I':
            column.icon = true;
            break;
        case u'~': {
            if (seenHeading)
                return in.errorAt(start, QStringLiteral("у столбца второй заголовок"));
            seenHeading = true;
            auto text = in.until(u'~', QStringLiteral("заголовок"));
            if (!text)
                return std::unexpected(text.error());
            column.hasHeading = true;
            column.heading = text->toString();
            if (const auto headingAlignment = alignmentOf(in.peek())) {
                in.take();
                column.headingAlignment = *headingAlignment;
                auto headingIndent = in.optionalParenNumber(QStringLiteral("отступ заголовка"));
                if (!headingIndent)
                    return std::unexpected(headingIndent.error());
                column.headingIndent = headingIndent->value_or(0);
            }
            break;
        }
        case u'@': {
            if (seenPicture)
                return in.errorAt(start, QStringLiteral("у столбца второй шаблон"));
            seenPicture = true;
            auto body = in.until(u'@', QStringLiteral("шаблон"));
            if (!body)
                return std::unexpected(body.error());
            if (auto ok = parsePicture(in, start, *body, column); !ok)
                return std::unexpected(ok.error());
            break;
        }
        case u'E': {
            if (seenColors)
                return in.errorAt(start, QStringLiteral("у столбца второй E()"));
            seenColors = true;
            if (in.peek() != u'(')
                return in.error(QStringLiteral("после E ожидается '('"));
            in.take();
            auto body = in.until(u')', QStringLiteral("E("));
            if (!body)
                return std::unexpected(body.error());
            if (auto ok = parseColors(in, start, *body, column.colors); !ok)
                return std::unexpected(ok.error());
            break;
        }
        case u'Z': {
            auto style = in.optionalParenNumber(QStringLiteral("номер стиля"));
            if (!style)
                return std::unexpected(style.error());
            if (!style->has_value())
                return in.error(QStringLiteral("после Z ожидается '('"));
            column.style = **style;
            break;
        }
        case u'#': {
            auto field = in.number(QStringLiteral("номер поля"));
            if (!field)
                return std::unexpected(field.error());
            if (*field < 1)
                return in.errorAt(start, QStringLiteral("номера полей начинаются с 1"));
            if (in.peek() != u'#')
                return in.error(QStringLiteral("после номера поля ожидается '#'"));
            in.take();
            column.field = *field;
            break;
        }
        default:
            return in.errorAt(start, QStringLiteral("неожиданный символ '%1'").arg(ch));
        }
    }
    return column;
}

QString numberInParens(int value)
{
    return QStringLiteral("(%1)").arg(value);
}

} // namespace

Result<ListFormat> ListFormat::parse(QStringView text)
{
    Scanner in(text);
    if (in.atEnd())
        return in.error(QStringLiteral("в формате нет ни одного столбца"));
    ListFormat format;
    while (!in.atEnd()) {
        auto column = parseColumn(in);
        if (!column)
            return std::unexpected(column.error());
        format.m_columns.append(std::move(*column));
    }
    return format;
}

Result<QColor> ListFormat::parseColor(QStringView text)
{
    const QStringView t = text.trimmed();
    if (t.isEmpty())
        return QColor();
    bool ok = false;
    qulonglong value = 0;
    if (t.endsWith(u'H') || t.endsWith(u'h'))
        value = t.chopped(1).toULongLong(&ok, 16);
    else
        value = t.toULongLong(&ok, 10);
    if (!ok)
        return fail(ErrorCode::InvalidData, text.toString(),
                    QStringLiteral("\"%1\" не номер цвета").arg(text.toString()));
    if (value > 0xFFFFFF)
        return fail(ErrorCode::InvalidData, text.toString(),
                    QStringLiteral("цвет %1 больше 0FFFFFFH").arg(text.toString()));
    // Blue-green-red: the low byte is red.
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QString ListFormat::colorText(const QColor &color)
{
    if (!color.isValid())
        return {};
    const uint value = uint(color.red()) | (uint(color.green()) << 8) | (uint(color.blue()) << 16);
    // A leading 0 keeps the number from starting with a letter.
    return QStringLiteral("0%1H").arg(value, 0, 16).toUpper();
}

int ListFormat::fixedColumnCount() const
{
    const auto firstFree = std::find_if(m_columns.cbegin(), m_columns.cend(),
                                        [](const ListColumn &c) { return !c.fixed; });
    return int(firstFree - m_columns.cbegin());
}

int ListFormat::locatorColumn() const
{
    for (int i = 0; i < columnCount(); ++i) {
        if (m_columns[i].locator)
            return i;
    }
    return -1;
}

bool ListFormat::hasHeadings() const
{
    return std::any_of(m_columns.cbegin(), m_columns.cend(),
                       [](const ListColumn &c) { return c.hasHeading; });
}

QString ListFormat::toString() const
{
    QString out;
    for (const ListColumn &c : m_columns) {
        out += QString::number(c.width);
        out += alignmentLetter(c.alignment);
        if (c.indent != 0)
            out += numberInParens(c.indent);
        if (c.rightBorder)
            out += u'|';
        if (c.bottomBorder)
            out += u'_';
        if (c.fixed)
            out += u'F';
        if (c.resizable)
            out += u'M';
        if (c.hasHeading) {
            out += u'~' + c.heading + u'~';
            if (c.headingAlignment != c.alignment || c.headingIndent != c.indent) {
                out += alignmentLetter(c.headingAlignment);
                out += numberInParens(c.headingIndent);
            }
        }
        if (!c.pictureText.isEmpty())
            out += u'@' + c.pictureText + u'@';
        if (!c.colors.isEmpty()) {
            out += QStringLiteral("E(%1,%2,%3,%4)")
                       .arg(colorText(c.colors.foreground), colorText(c.colors.background),
                            colorText(c.colors.selectedForeground),
                            colorText(c.colors.selectedBackground));
        }
        if (c.style)
            out += QStringLiteral("Z(%1)").arg(*c.style);
        if (c.field)
            out += QStringLiteral("#%1#").arg(*c.field);
        if (c.rowColors)
            out += u'*';
        if (c.cellStyle)
            out += u'Y';
        if (c.icon)
            out += u'I';
        if (c.locator)
            out += u'?';
        if (c.breakAfter)
            out += u'/';
    }
    return out;
}

} // namespace zemor::runtime::ui
