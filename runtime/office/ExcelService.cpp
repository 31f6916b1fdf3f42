#include "runtime/office/ExcelService.h"

#include "runtime/fs/Paths.h"
#include "runtime/office/XlsxReader.h"
#include "runtime/office/XlsxWriter.h"

#include <unistd.h>

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cmath>
#include <optional>

namespace zemor::runtime::office {

struct ExcelService::Entry
{
    int id = 0;
    Workbook book;
    QString path;           // the file on disk it was opened from or last saved to
    bool opaque = false;    // not a workbook file we can read: kept as it is
    bool savedAs = false;   // saved under a new name: the program goes on with it by topic
    bool modified = false;  // changed since it was opened or last saved
    bool topicUsed = false; // a conversation on its topic has been opened
    int openedOn = 0;       // the system conversation that opened it, while that lasts
    int conversations = 0;  // open conversations on its topic
    QList<CellRange> selection{CellRange::single(1, 1)};
};

namespace {

std::unexpected<Error> badArgument(const MacroCommand &command, const QString &why)
{
    return fail(ErrorCode::InvalidArgument, command.source, why);
}

// A file name or reference argument: a quoted text or a bare word.
std::optional<QString> textArgument(const MacroCommand &command, int index)
{
    const MacroArgument argument = command.argument(index);
    if (argument.kind != MacroArgument::Kind::Text && argument.kind != MacroArgument::Kind::Word)
        return std::nullopt;
    return argument.text;
}

Result<QString> fileArgument(const MacroCommand &command)
{
    const auto name = textArgument(command, 0);
    if (!name || name->trimmed().isEmpty())
        return badArgument(command, QStringLiteral("Не задано имя файла"));
    return fs::resolve(*name);
}

// A line style argument: missing (unchanged), or 0..7 (TRUE is a thin line).
Result<std::optional<BorderStyle>> styleArgument(const MacroCommand &command, int index)
{
    const MacroArgument argument = command.argument(index);
    if (argument.isMissing())
        return std::optional<BorderStyle>();
    const auto number = argument.toNumber();
    if (!number || *number < 0 || *number > 7 || *number != std::trunc(*number))
        return badArgument(command, QStringLiteral("Тип линии %1 не от 0 до 7").arg(argument.text));
    return std::optional<BorderStyle>(static_cast<BorderStyle>(int(*number)));
}

Result<std::optional<bool>> flagArgument(const MacroCommand &command, int index)
{
    const MacroArgument argument = command.argument(index);
    if (argument.isMissing())
        return std::optional<bool>();
    const auto number = argument.toNumber();
    if (!number)
        return badArgument(command, QStringLiteral("%1 не TRUE и не FALSE").arg(argument.text));
    return std::optional<bool>(*number != 0);
}

Result<std::optional<double>> numberArgument(const MacroCommand &command, int index, double min,
                                             double max)
{
    const MacroArgument argument = command.argument(index);
    if (argument.isMissing())
        return std::optional<double>();
    const auto number = argument.toNumber();
    if (!number || *number < min || *number > max)
        return badArgument(
            command,
            QStringLiteral("%1 не число от %2 до %3").arg(argument.text).arg(min).arg(max));
    return number;
}

Result<QList<CellRange>> areasArgument(const MacroCommand &command, int index)
{
    const auto text = textArgument(command, index);
    if (!text)
        return badArgument(command, QStringLiteral("Не заданы ячейки"));
    QList<CellRange> areas;
    for (const QString &part : text->split(u',')) {
        const auto range = CellRange::parseR1C1(part);
        if (!range)
            return badArgument(command, QStringLiteral("\"%1\" не обозначает ячейки").arg(part));
        areas.append(*range);
    }
    return areas;
}

Status checkSize(const QList<CellRange> &areas, const MacroCommand &command)
{
    qint64 cells = 0;
    for (const CellRange &area : areas)
        cells += qint64(area.rowCount()) * area.columnCount();
    if (cells > ExcelService::kMaxFormattedCells)
        return badArgument(command, QStringLiteral("Слишком много ячеек для одной команды"));
    return {};
}

template <class F> void forEachCell(Workbook &book, const QList<CellRange> &areas, F &&change)
{
    for (const CellRange &area : areas)
        for (int row = area.top; row <= area.bottom; ++row)
            for (int column = area.left; column <= area.right; ++column)
                change(book.cellAt(row, column).format, area, row, column);
}

QString fileNameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

} // namespace

ExcelService::ExcelService(ShowFunction show, LogFunction logUnknown)
    : m_show(std::move(show)), m_logUnknown(std::move(logUnknown))
{
}

ExcelService::~ExcelService() = default;

ExcelService::Entry *ExcelService::find(int id) const
{
    for (const auto &entry : m_entries) {
        if (entry->id == id)
            return entry.get();
    }
    return nullptr;
}

ExcelService::Entry *ExcelService::target(int workbook) const
{
    return find(workbook != 0 ? workbook : m_active);
}

const Workbook *ExcelService::workbook(int id) const
{
    const Entry *entry = find(id);
    return entry ? &entry->book : nullptr;
}

QString ExcelService::pathOf(int id) const
{
    const Entry *entry = find(id);
    return entry ? entry->path : QString();
}

QList<CellRange> ExcelService::selectionOf(int id) const
{
    const Entry *entry = find(id);
    return entry ? entry->selection : QList<CellRange>();
}

int ExcelService::workbookForTopic(const QString &topic) const
{
    QString name = topic.trimmed();
    if (name.startsWith(u'[')) {
        const qsizetype close = name.indexOf(u']');
        if (close > 0)
            name = name.mid(1, close - 1);
    }
    if (name.isEmpty())
        return 0;
    if (auto resolved = fs::resolve(name)) {
        for (const auto &entry : m_entries) {
            if (entry->path == *resolved)
                return entry->id;
        }
    }
    // Only a bare file name may name a workbook by its name alone.
    if (name.contains(u'\\') || name.contains(u'/'))
        return 0;
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        if (fileNameOf((*it)->path).compare(name, Qt::CaseInsensitive) == 0)
            return (*it)->id;
    }
    return 0;
}

Status ExcelService::execute(int channel, int workbook, const QString &command)
{
    auto commands = MacroCommand::parse(command);
    if (!commands) {
        m_logUnknown(command);
        return std::unexpected(commands.error());
    }
    for (const MacroCommand &one : std::as_const(*commands)) {
        if (auto done = run(channel, workbook, one); !done)
            return done;
    }
    return {};
}

Status ExcelService::run(int channel, int workbook, const MacroCommand &command)
{
    if (command.is(QStringLiteral("OPEN")) || command.is(QStringLiteral("OPEN.TEXT")))
        return open(channel, workbook, command);

    static const QStringList onWorkbook = {
        QStringLiteral("SAVE.AS"),         QStringLiteral("SAVE"),
        QStringLiteral("SELECT"),          QStringLiteral("BORDER"),
        QStringLiteral("FONT.PROPERTIES"), QStringLiteral("FORMAT.FONT"),
        QStringLiteral("ALIGNMENT"),       QStringLiteral("COLUMN.WIDTH"),
        QStringLiteral("FORMULA"),         QStringLiteral("CLOSE"),
        QStringLiteral("FILE.CLOSE")};
    if (!onWorkbook.contains(command.name, Qt::CaseInsensitive)) {
        m_logUnknown(command.source);
        return {};
    }
    Entry *entry = target(workbook);
    if (entry == nullptr)
        return fail(ErrorCode::FileNotOpen, command.source, QStringLiteral("Нет открытой книги"));
    m_active = entry->id;

    const bool changes =
        !command.is(QStringLiteral("SAVE.AS")) && !command.is(QStringLiteral("SAVE")) &&
        !command.is(QStringLiteral("SELECT")) && !command.is(QStringLiteral("CLOSE")) &&
        !command.is(QStringLiteral("FILE.CLOSE"));
    if (changes && entry->opaque)
        return fail(ErrorCode::AccessDenied, entry->path,
                    QStringLiteral("Этот файл не книга, которую здесь можно изменить"));

    if (command.is(QStringLiteral("SAVE.AS")))
        return saveAs(*entry, command);
    if (command.is(QStringLiteral("SAVE")))
        return save(*entry);
    if (command.is(QStringLiteral("SELECT")))
        return select(*entry, command);
    if (command.is(QStringLiteral("BORDER")))
        return border(*entry, command);
    if (command.is(QStringLiteral("FONT.PROPERTIES")))
        return font(*entry, command, true);
    if (command.is(QStringLiteral("FORMAT.FONT")))
        return font(*entry, command, false);
    if (command.is(QStringLiteral("ALIGNMENT")))
        return alignment(*entry, command);
    if (command.is(QStringLiteral("COLUMN.WIDTH")))
        return columnWidth(*entry, command);
    if (command.is(QStringLiteral("FORMULA")))
        return formula(*entry, command);
    return closeWorkbook(*entry, command);
}

Status ExcelService::open(int channel, int workbook, const MacroCommand &command)
{
    auto path = fileArgument(command);
    if (!path)
        return std::unexpected(path.error());
    for (const auto &entry : m_entries) {
        if (entry->path == *path) {
            m_active = entry->id;
            if (workbook == 0 && entry->conversations == 0)
                entry->openedOn = channel;
            return {};
        }
    }
    if (!fs::pathInfo(*path).isFile)
        return fail(ErrorCode::FileNotFound, *path);

    auto entry = std::make_unique<Entry>();
    if (XlsxReader::looksLikeWorkbook(*path)) {
        auto book = XlsxReader::read(*path);
        if (!book)
            return std::unexpected(book.error());
        entry->book = std::move(*book);
    } else if (::access(fs::encodeName(*path).constData(), R_OK) != 0) {
        return fail(ErrorCode::AccessDenied, *path);
    } else {
        entry->opaque = true;
    }
    entry->id = m_nextId++;
    entry->path = *path;
    entry->openedOn = workbook == 0 ? channel : 0;
    m_active = entry->id;
    m_entries.push_back(std::move(entry));
    return {};
}

Status ExcelService::saveAs(Entry &entry, const MacroCommand &command)
{
    auto path = fileArgument(command);
    if (!path)
        return std::unexpected(path.error());
    for (const auto &other : m_entries) {
        if (other.get() == &entry || other->path != *path)
            continue;
        // Another open workbook has this name. One that is saved and no longer talked to is
        // only a leftover and gives way; one with unsaved changes or a conversation does not.
        if (other->modified || other->conversations > 0)
            return fail(ErrorCode::AccessDenied, *path,
                        QStringLiteral("Открыта другая книга с тем же именем"));
        forget(other->id);
        break;
    }
    if (const QString folder = fs::folderOf(*path); !fs::pathInfo(folder).isDir)
        return fail(ErrorCode::FileNotFound, *path, QStringLiteral("Папки %1 нет").arg(folder));

    Status saved = entry.opaque
                       ? (entry.path == *path ? Status{} : fs::copyFile(entry.path, *path, true))
                       : XlsxWriter::write(entry.book, *path);
    if (!saved)
        return saved;
    entry.path = *path;
    entry.savedAs = true;
    entry.modified = false;
    return {};
}

Status ExcelService::save(Entry &entry)
{
    if (entry.opaque || !entry.modified)
        return {};
    if (auto saved = XlsxWriter::write(entry.book, entry.path); !saved)
        return saved;
    entry.modified = false;
    return {};
}

Status ExcelService::select(Entry &entry, const MacroCommand &command)
{
    auto areas = areasArgument(command, 0);
    if (!areas)
        return std::unexpected(areas.error());
    entry.selection = *areas;
    return {};
}

Status ExcelService::border(Entry &entry, const MacroCommand &command)
{
    std::optional<BorderStyle> styles[5];
    for (int i = 0; i < 5; ++i) {
        auto style = styleArgument(command, i);
        if (!style)
            return std::unexpected(style.error());
        styles[i] = *style;
    }
    if (auto size = checkSize(entry.selection, command); !size)
        return size;
    const std::optional<BorderStyle> &outline = styles[0];
    const std::optional<BorderStyle> &left = styles[1];
    const std::optional<BorderStyle> &right = styles[2];
    const std::optional<BorderStyle> &top = styles[3];
    const std::optional<BorderStyle> &bottom = styles[4];
    forEachCell(entry.book, entry.selection,
                [&](CellFormat &format, const CellRange &area, int row, int column) {
                    if (left)
                        format.left = *left;
                    if (right)
                        format.right = *right;
                    if (top)
                        format.top = *top;
                    if (bottom)
                        format.bottom = *bottom;
                    if (outline) {
                        if (row == area.top)
                            format.top = *outline;
                        if (row == area.bottom)
                            format.bottom = *outline;
                        if (column == area.left)
                            format.left = *outline;
                        if (column == area.right)
                            format.right = *outline;
                    }
                });
    entry.book.compact();
    entry.modified = true;
    return {};
}

Status ExcelService::font(Entry &entry, const MacroCommand &command, bool properties)
{
    // FONT.PROPERTIES(font, style, size, strike, super, sub, outline, shadow, underline, ...)
    // FORMAT.FONT(name, size, bold, italic, underline, ...)
    const std::optional<QString> name = textArgument(command, 0);
    auto size = numberArgument(command, properties ? 2 : 1, 1, 409);
    if (!size)
        return std::unexpected(size.error());
    std::optional<bool> bold;
    std::optional<bool> italic;
    std::optional<bool> underline;
    if (properties) {
        if (const auto style = textArgument(command, 1)) {
            // The style is a text such as "Bold Italic"; both words in either language.
            const QString s = style->toLower();
            bold = s.contains(QStringLiteral("bold")) || s.contains(QStringLiteral("полужирн"));
            italic = s.contains(QStringLiteral("italic")) || s.contains(QStringLiteral("курсив"));
        }
        auto under = numberArgument(command, 8, 0, 65535);
        if (!under)
            return std::unexpected(under.error());
        if (*under)
            underline = **under != 0;
    } else {
        auto b = flagArgument(command, 2);
        auto i = flagArgument(command, 3);
        auto u = flagArgument(command, 4);
        if (!b)
            return std::unexpected(b.error());
        if (!i)
            return std::unexpected(i.error());
        if (!u)
            return std::unexpected(u.error());
        bold = *b;
        italic = *i;
        underline = *u;
    }
    if (auto check = checkSize(entry.selection, command); !check)
        return check;
    forEachCell(entry.book, entry.selection, [&](CellFormat &format, const CellRange &, int, int) {
        if (name && !name->trimmed().isEmpty())
            format.fontName = name->trimmed();
        if (*size)
            format.fontSize = **size;
        if (bold)
            format.bold = *bold;
        if (italic)
            format.italic = *italic;
        if (underline)
            format.underline = *underline;
    });
    entry.book.compact();
    entry.modified = true;
    return {};
}

Status ExcelService::alignment(Entry &entry, const MacroCommand &command)
{
    auto horizontal = numberArgument(command, 0, 1, 7);
    if (!horizontal)
        return std::unexpected(horizontal.error());
    auto wrap = flagArgument(command, 1);
    if (!wrap)
        return std::unexpected(wrap.error());
    if (*horizontal && **horizontal != std::trunc(**horizontal))
        return badArgument(command, QStringLiteral("Выравнивание не от 1 до 7"));
    if (auto check = checkSize(entry.selection, command); !check)
        return check;
    forEachCell(entry.book, entry.selection, [&](CellFormat &format, const CellRange &, int, int) {
        if (*horizontal)
            format.alignment = static_cast<HorizontalAlignment>(int(**horizontal) - 1);
        if (*wrap)
            format.wrap = **wrap;
    });
    entry.book.compact();
    entry.modified = true;
    return {};
}

Status ExcelService::columnWidth(Entry &entry, const MacroCommand &command)
{
    auto width = numberArgument(command, 0, 0, 255);
    if (!width)
        return std::unexpected(width.error());
    if (!*width)
        return badArgument(command, QStringLiteral("Не задана ширина столбца"));
    QList<std::pair<int, int>> spans;
    if (const auto reference = textArgument(command, 1)) {
        for (const QString &part : reference->split(u',')) {
            auto range = CellRange::parseR1C1Columns(part);
            if (!range)
                range = CellRange::parseR1C1(part);
            if (!range)
                return badArgument(command,
                                   QStringLiteral("\"%1\" не обозначает столбцы").arg(part));
            spans.append({range->left, range->right});
        }
    } else {
        for (const CellRange &area : std::as_const(entry.selection))
            spans.append({area.left, area.right});
    }
    for (const auto &[first, last] : std::as_const(spans))
        for (int column = first; column <= last; ++column)
            entry.book.setColumnWidth(column, **width);
    entry.modified = true;
    return {};
}

Status ExcelService::formula(Entry &entry, const MacroCommand &command)
{
    CellRange cell = entry.selection.front();
    if (const auto reference = textArgument(command, 1)) {
        const auto range = CellRange::parseR1C1(*reference);
        if (!range)
            return badArgument(command,
                               QStringLiteral("\"%1\" не обозначает ячейку").arg(*reference));
        cell = *range;
    }
    const MacroArgument value = command.argument(0);
    switch (value.kind) {
    case MacroArgument::Kind::Missing:
        entry.book.setEntry(cell.top, cell.left, QString());
        break;
    case MacroArgument::Kind::Number:
        entry.book.cellAt(cell.top, cell.left).setNumber(value.number);
        break;
    case MacroArgument::Kind::Boolean:
    case MacroArgument::Kind::Word:
    case MacroArgument::Kind::Text:
        if (value.text.startsWith(u'='))
            // A formula would have to be computed to show its value; storing its text instead
            // would put a wrong value in the cell.
            return badArgument(command, QStringLiteral("Формулы не принимаются"));
        if (value.text.size() > XlsxWriter::kMaxTextLength)
            return fail(ErrorCode::Overflow, command.source,
                        QStringLiteral("Слишком длинный текст"));
        entry.book.setEntry(cell.top, cell.left, value.text);
        break;
    }
    entry.modified = true;
    return {};
}

Status ExcelService::closeWorkbook(Entry &entry, const MacroCommand &command)
{
    auto saveFirst = flagArgument(command, 0);
    if (!saveFirst)
        return std::unexpected(saveFirst.error());
    if (!*saveFirst && entry.modified)
        // The spreadsheet program would ask; with nobody to ask, the changes are not thrown
        // away on a guess.
        return fail(ErrorCode::AccessDenied, entry.path,
                    QStringLiteral("В книге есть несохраненные изменения; закройте ее "
                                   "с сохранением или без"));
    if (*saveFirst && **saveFirst) {
        if (auto saved = save(entry); !saved)
            return saved;
    }
    forget(entry.id);
    return {};
}

Status ExcelService::poke(int workbook, const QString &item, const QString &value)
{
    Entry *entry = find(workbook);
    if (entry == nullptr)
        return fail(ErrorCode::FileNotOpen, item, QStringLiteral("Книга не открыта"));
    if (entry->opaque)
        return fail(ErrorCode::AccessDenied, entry->path,
                    QStringLiteral("Этот файл не книга, которую здесь можно изменить"));
    if (item.size() > kMaxItemLength)
        return fail(ErrorCode::InvalidArgument, item,
                    QStringLiteral("Слишком длинное имя элемента"));
    const auto range = CellRange::parseR1C1(item);
    if (!range)
        return fail(ErrorCode::InvalidArgument, item, QStringLiteral("Нет такого элемента"));

    QString data = value;
    if (data.endsWith(QStringLiteral("\r\n")))
        data.chop(2);
    else if (data.endsWith(u'\n'))
        data.chop(1);
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    const QStringList lines = data.split(lineBreak);
    QList<QStringList> rows;
    for (const QString &line : lines)
        rows.append(line.split(u'\t'));

    const bool block = rows.size() > 1 || rows.front().size() > 1;
    const bool isRange = range->rowCount() > 1 || range->columnCount() > 1;
    // A range poke empties the whole range, so it is bounded like a formatting command.
    if (isRange && qint64(range->rowCount()) * range->columnCount() > kMaxFormattedCells)
        return fail(ErrorCode::Overflow, item,
                    QStringLiteral("Слишком много ячеек для одной передачи"));
    // Check everything first: a poke is taken whole or not at all.
    for (int i = 0; i < rows.size(); ++i) {
        for (int j = 0; j < rows.at(i).size(); ++j) {
            if (rows.at(i).at(j).size() > XlsxWriter::kMaxTextLength)
                return fail(ErrorCode::Overflow, item,
                            QStringLiteral("Текст не помещается в ячейку"));
            if (!isRange &&
                (range->top + i > CellRange::kMaxRows || range->left + j > CellRange::kMaxColumns))
                return fail(ErrorCode::Overflow, item,
                            QStringLiteral("Значения выходят за пределы листа"));
        }
    }
    if (!block && !isRange) {
        entry->book.setEntry(range->top, range->left, rows.front().front());
    } else {
        if (isRange) {
            for (int row = range->top; row <= range->bottom; ++row)
                for (int column = range->left; column <= range->right; ++column)
                    entry->book.setEntry(row, column, QString());
        }
        for (int i = 0; i < rows.size(); ++i) {
            for (int j = 0; j < rows.at(i).size(); ++j) {
                const int row = range->top + i;
                const int column = range->left + j;
                if (isRange && !range->contains(row, column))
                    continue;
                entry->book.setEntry(row, column, rows.at(i).at(j));
            }
        }
    }
    entry->modified = true;
    return {};
}

void ExcelService::attach(int workbook)
{
    if (Entry *entry = find(workbook)) {
        ++entry->conversations;
        entry->topicUsed = true;
        m_active = entry->id;
    }
}

Status ExcelService::detach(int workbook)
{
    Entry *entry = find(workbook);
    if (entry == nullptr)
        return {};
    if (entry->conversations > 0)
        --entry->conversations;
    if (entry->conversations == 0 && entry->openedOn == 0)
        return finish(*entry);
    return {};
}

Status ExcelService::systemClosed(int channel)
{
    QList<int> done;
    for (const auto &entry : m_entries) {
        if (entry->openedOn != channel)
            continue;
        entry->openedOn = 0;
        if (entry->conversations == 0 && (!entry->savedAs || entry->topicUsed))
            done.append(entry->id);
    }
    Status result;
    for (int id : std::as_const(done)) {
        if (Entry *entry = find(id)) {
            Status finished = finish(*entry);
            if (result && !finished)
                result = finished;
        }
    }
    return result;
}

Status ExcelService::finish(Entry &entry)
{
    QString shown = entry.path;
    if (entry.modified && !entry.opaque) {
        if (entry.savedAs) {
            if (auto saved = XlsxWriter::write(entry.book, entry.path); !saved)
                return saved;
        } else {
            // Never over the file it came from (a template): a copy of its own.
            QTemporaryDir dir(QDir::temp().filePath(QStringLiteral("zemor-office-XXXXXX")));
            if (!dir.isValid())
                return fail(ErrorCode::IoError, entry.path,
                            QStringLiteral("Не удалось создать временную папку для книги"));
            dir.setAutoRemove(false);
            shown = dir.filePath(fileNameOf(entry.path));
            if (auto saved = XlsxWriter::write(entry.book, shown); !saved)
                return saved;
        }
        entry.modified = false;
    }
    const int id = entry.id;
    forget(id);
    return m_show(shown);
}

void ExcelService::forget(int id)
{
    std::erase_if(m_entries, [id](const auto &entry) { return entry->id == id; });
    if (m_active == id)
        m_active = m_entries.empty() ? 0 : m_entries.back()->id;
}

} // namespace zemor::runtime::office
