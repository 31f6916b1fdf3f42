#include "exchange/Form62CsvImport.h"

#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/records/OtchetRecord.h"
#include "entry/ReportBatch.h"
#include "exchange/ExchangeNames.h"
#include "runtime/core/Progress.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/TextLineFile.h"

#include <QHash>

#include <algorithm>
#include <array>

namespace zemor::exchange {

using runtime::Decimal;
using runtime::Result;

namespace {

constexpr int valueCount = data::OtchetRecord::valueCount;
// Rows past this position are never read from a table file.
constexpr int lastReadableRow = 230;
// The row of table 8030 that the line after table 8000 carries.
constexpr int table8030 = 8030;
constexpr int row8030 = 673;
// Table 8030's number starts at this character of its line.
constexpr int position8030 = 235;

// The line of column numbers ends the header lines. A spreadsheet writes no ";" after the last
// field, so a table of seven fields ends its numbers with "7"; it may quote them.
bool isColumnNumbers(const QByteArray &line)
{
    static const QByteArray start = QByteArrayLiteral("1;2;3;4;5;6;7");
    const QByteArray plain =
        line.contains('"') ? Form62CsvImport::splitFields(line).join(';') : line;
    if (!plain.startsWith(start))
        return false;
    const QByteArray rest = plain.mid(start.size());
    return rest.startsWith(';') || rest.trimmed().isEmpty();
}

// Where a line leaves the quotes of its fields, read as splitFields() reads them: a quote opens
// a field only as its first character, and two quotes inside one are a quote.
struct QuoteState
{
    bool quoted = false;      // inside a quoted field
    bool fieldQuoted = false; // the current field began with a quote
    bool fieldEmpty = true;

    void follow(QByteArrayView text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (quoted) {
                if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                    ++i;
                } else if (c == '"') {
                    quoted = false;
                    continue;
                }
                fieldEmpty = false;
            } else if (c == ';') {
                fieldQuoted = false;
                fieldEmpty = true;
            } else if (c == '"' && fieldEmpty && !fieldQuoted) {
                quoted = fieldQuoted = true;
            } else {
                fieldEmpty = false;
            }
        }
    }
};

// The first field of a line without its quotes.
QByteArray firstField(const QByteArray &line)
{
    return line.contains('"') ? Form62CsvImport::splitFields(line).value(0) : line;
}

// The number that characters `from` to `to` (from 1) of a line form, or 0.
qint64 numberAt(QByteArrayView line, int from, int to)
{
    if (line.size() < from)
        return 0;
    const QByteArray part = line.sliced(from - 1, std::min<qsizetype>(to, line.size()) - from + 1)
                                .toByteArray()
                                .trimmed();
    bool ok = false;
    const qint64 n = part.toLongLong(&ok);
    return ok ? n : 0;
}

QString text(QByteArrayView bytes)
{
    return runtime::store::TextLineFile::decode(bytes);
}

// One report record of form 62 being filled.
struct RowRecord
{
    std::array<Decimal, valueCount> values{};

    void clear() { values.fill(Decimal()); }
    // Columns 1 to 35 only; 0 is not stored.
    void set(int column, const Decimal &v)
    {
        if (column >= 1 && column <= valueCount && !v.isZero())
            values[size_t(column - 1)] = v;
    }
    Result<QByteArray> bytes(int district, qint32 institution, qint64 table, int rowId) const
    {
        QByteArray record(data::OtchetRecord::recordSize, '\0');
        data::OtchetRecord r(record);
        r.clear();
        r.setCodReg(std::uint8_t(std::clamp(district, 0, 255)));
        r.setCodUch(institution);
        if (runtime::Status s = r.setCodTab(table); !s)
            return std::unexpected(s.error());
        r.setMes(0);
        r.setUnicodStr(qint16(rowId));
        for (int n = 1; n <= valueCount; ++n) {
            if (!values[size_t(n - 1)].isZero()) {
                if (runtime::Status s = r.setData(n, values[size_t(n - 1)]); !s)
                    return std::unexpected(s.error());
            }
        }
        return record;
    }
};

const entry::FormRow *rowAt(const QList<entry::FormRow> &rows, int number)
{
    for (const entry::FormRow &row : rows) {
        if (row.number == number)
            return &row;
    }
    return nullptr;
}

int columnCount(const entry::FormTable &table)
{
    return std::clamp(table.columns, 0, valueCount);
}

} // namespace

QList<QByteArray> Form62CsvImport::splitFields(QByteArrayView line)
{
    QList<QByteArray> fields;
    QByteArray field;
    bool quoted = false;      // inside double quotes
    bool fieldQuoted = false; // the field began with a quote
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < line.size() && line[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == ';') {
            fields.append(field);
            field.clear();
            fieldQuoted = false;
        } else if (c == '"' && field.isEmpty() && !fieldQuoted) {
            quoted = true;
            fieldQuoted = true;
        } else {
            field += c;
        }
    }
    fields.append(field);
    return fields;
}

std::optional<std::pair<int, int>> Form62CsvImport::splitTable8000Column(int field)
{
    struct Part
    {
        int first, last, table;
    };
    static constexpr std::array<Part, 7> parts{{{3, 15, 8000},
                                                {16, 28, 8001},
                                                {29, 41, 8002},
                                                {42, 67, 8003},
                                                {68, 80, 8004},
                                                {81, 93, 8005},
                                                {94, 106, 8006}}};
    for (const Part &p : parts) {
        if (field >= p.first && field <= p.last)
            return std::pair{p.table, field - p.first + 1};
    }
    return std::nullopt;
}

std::optional<int> Form62CsvImport::leadingFields(qint64 table)
{
    static constexpr std::array<int, 9> fields{2, 3, 2, 0, 2, 2, 3, 2, 2};
    const qint64 group = table / 1000;
    if (table < 0 || group < 1 || group > 9)
        return std::nullopt;
    return fields[size_t(group - 1)];
}

std::optional<Decimal> Form62CsvImport::value(QByteArrayView field)
{
    const QByteArray trimmed = field.toByteArray().trimmed();
    if (trimmed.isEmpty())
        return Decimal();
    for (char c : trimmed) {
        if (!(c >= '0' && c <= '9') && c != '-' && c != '+' && c != ',' && c != '.')
            return std::nullopt;
    }
    const auto read = Decimal::fromString(QString::fromLatin1(trimmed));
    if (!read)
        return std::nullopt;
    const auto fitted = read->fitted(17, 3);
    if (!fitted)
        return std::nullopt;
    return *fitted;
}

Result<QList<CsvFile>> Form62CsvImport::scan(const QString &folder) const
{
    const auto entries = runtime::fs::list(folder, QStringLiteral("*.csv"));
    if (!entries)
        return std::unexpected(entries.error());
    // The list is made from the last file by name to the first.
    QList<CsvFile> files;
    for (auto it = entries->crbegin(); it != entries->crend(); ++it) {
        const runtime::fs::DirEntry &e = *it;
        if (e.isDir)
            continue;
        CsvFile f;
        f.name = e.name.left(20);
        bool ok = false;
        const int inst = e.name.left(3).toInt(&ok);
        f.institution = ok ? inst : 0;
        const int table = e.name.mid(4, 4).toInt(&ok);
        f.table = ok && e.name.size() >= 8 ? table : 0;
        files.append(f);
    }
    return files;
}

Result<entry::FormCatalogue> Form62CsvImport::catalogue()
{
    return entry::FormCatalogue::read(m_context, m_year, form);
}

bool Form62CsvImport::readLines(const QString &path, const QString &name, QList<QByteArray> &lines,
                                CsvLoad &load) const
{
    const auto read = runtime::store::TextLineFile::readLines(path);
    if (!read) {
        load.messages.append(name + QStringLiteral(": файл не прочитан (") + read.error().message +
                             u')');
        return false;
    }
    CsvLines joined = tableLines(*read);
    if (!joined.refusal.isEmpty()) {
        load.messages.append(name + QStringLiteral(": ") + joined.refusal);
        return false;
    }
    lines = std::move(joined.lines);
    return true;
}

CsvLines Form62CsvImport::tableLines(const QList<QByteArray> &physical)
{
    // A quoted field may hold line breaks (a name that wraps in its cell): the lines it spans
    // are one line of the table.
    CsvLines out;
    QuoteState quotes;
    qsizetype opened = 0; // the line a quote still open began on
    for (qsizetype i = 0; i < physical.size(); ++i) {
        const QByteArray &line = physical[i];
        if (line.contains('\0')) {
            out.refusal = QStringLiteral("не текстовый файл (нулевые байты), не загружен");
            return out;
        }
        if (quotes.quoted) {
            quotes.follow("\n");
            out.lines.last() += '\n' + line;
        } else {
            quotes = {}; // a line of its own
            opened = i;
            out.lines.append(line);
        }
        quotes.follow(line);
    }
    if (quotes.quoted)
        out.refusal = QStringLiteral("кавычка, открытая в строке %1, не закрыта до конца файла; "
                                     "файл не загружен")
                          .arg(opened + 1);
    return out;
}

bool Form62CsvImport::store(const QString &name, const QList<QByteArray> &records, CsvFile &file,
                            CsvLoad &load)
{
    // The file's rows by institution, each institution's report written under its marker; all
    // of them in one transaction. A file with a report left in use is not loaded as a whole.
    QList<qint32> institutions;
    QHash<qint32, QList<QByteArray>> rowsOf;
    for (const QByteArray &bytes : records) {
        QByteArray view = QByteArray::fromRawData(bytes.constData(), bytes.size());
        const qint32 institution = data::OtchetRecord(view).codUch();
        auto &rows = rowsOf[institution];
        if (rows.isEmpty())
            institutions.append(institution);
        rows.append(bytes);
    }
    entry::ReportBatch batch(m_context);
    int added = 0;
    int duplicates = 0;
    bool whole = true;
    for (qint32 inst : institutions) {
        const auto told = [&, inst](const entry::BatchResult &r) {
            if (r.state == entry::BatchResult::State::InUse) {
                load.messages.append(name +
                                     QStringLiteral(": отчет ЛПУ %1 занят, не загружен").arg(inst));
                whole = false;
            }
            added += r.added;
            duplicates += r.duplicates;
        };
        const entry::ReportIdentity id{m_year, form, inst, 0, 0, 0};
        if (const auto queued =
                batch.add(id, rowsOf.value(inst), entry::BatchMode::Complete, {}, told);
            !queued) {
            load.messages.append(name + QStringLiteral(": не загружен (") + queued.error().message +
                                 u')');
            return false;
        }
    }
    if (const auto stored = batch.flush(); !stored) {
        load.messages.append(name + QStringLiteral(": не загружен (") + stored.error().message +
                             u')');
        return false;
    }
    file.errors = duplicates;
    load.rowsAdded += added;
    load.rowsPresent += duplicates;
    if (whole)
        load.loaded.append(name);
    return whole;
}

void Form62CsvImport::loadFile(const QString &path, CsvFile &file,
                               const entry::FormCatalogue &catalogue, int district, CsvLoad &load)
{
    const QString &name = file.name;
    auto say = [&](const QString &message) {
        load.messages.append(name + QStringLiteral(": ") + message);
    };
    const entry::FormTable *table = catalogue.table(file.table);
    const auto leading = leadingFields(file.table);
    if (!table || !leading) {
        say(QStringLiteral("?Tab") + QString::number(file.table));
        return;
    }
    int last = 0;
    const QList<entry::FormRow> rows = catalogue.rows(file.table);
    for (const entry::FormRow &row : rows) {
        if (row.number <= lastReadableRow)
            last = std::max(last, row.number);
    }

    QList<QByteArray> lines;
    if (!readLines(path, name, lines, load))
        return;
    const bool wrongTable =
        lines.size() < 2 ||
        (file.table == 5000 ? numberAt(firstField(lines[1]), 3, 6)
                            : numberAt(firstField(lines[1]), 2, 5)) != file.table;
    qsizetype first = -1;
    for (qsizetype i = 0; i < lines.size() && first < 0; ++i) {
        if (isColumnNumbers(lines[i]))
            first = i + 1;
    }
    if (wrongTable || first < 0) {
        say(QStringLiteral("??"));
        return;
    }

    QList<QByteArray> records;
    bool bad = false;
    auto add = [&](const RowRecord &row, qint64 tableCode, int rowId) {
        auto bytes = row.bytes(district, file.institution, tableCode, rowId);
        if (!bytes) {
            say(bytes.error().message);
            bad = true;
            return;
        }
        records.append(*bytes);
    };
    auto read = [&](const QByteArray &field, qint64 tableCode, int n, int column) {
        const auto v = value(field);
        if (!v) {
            say(QStringLiteral("таблица %1, строка %2, графа %3: не число \"%4\", не записано")
                    .arg(tableCode)
                    .arg(n)
                    .arg(column)
                    .arg(text(field.trimmed())));
            return Decimal();
        }
        return *v;
    };

    qsizetype at = first;
    int n = 0;
    RowRecord row;
    while (n < last && at < lines.size()) {
        ++n;
        const QList<QByteArray> fields = splitFields(lines[at++]);
        auto field = [&](int k) { return k <= fields.size() ? fields[k - 1] : QByteArray(); };
        if (file.table == 8000) {
            // Fields 3 to 106 fill the rows n of tables 8000 to 8006.
            row.clear();
            for (int f = 3; f <= 106; ++f) {
                const auto [part, column] = *splitTable8000Column(f);
                row.set(column, read(field(f), part, n, column));
                const int complete = part == 8003 ? 26 : 13;
                if (column == complete) {
                    if (const entry::FormRow *r = rowAt(catalogue.rows(part), n))
                        add(row, part, r->id);
                    else
                        say(QStringLiteral("err str#=") + QString::number(n));
                    row.clear();
                }
            }
            continue;
        }
        row.clear();
        const int columns = columnCount(*table);
        for (int column = 1; column <= columns; ++column)
            row.set(column, read(field(*leading + column), file.table, n, column));
        if (const entry::FormRow *r = rowAt(rows, n)) {
            add(row, file.table, r->id);
        } else {
            say(QStringLiteral("err"));
            ++n; // the next line belongs to the row after the missing one
        }
    }
    if (file.table == 8000 && at < lines.size() && lines[at].contains("(8030)")) {
        const QByteArray &line = lines[at];
        if (line.size() >= position8030) {
            qsizetype end = line.indexOf(';', position8030 - 1);
            if (end < 0)
                end = line.size();
            const QByteArray field = line.mid(position8030 - 1, end - position8030 + 1);
            const Decimal v = read(field, table8030, 1, 1);
            if (!v.isZero() && !v.isNegative()) {
                RowRecord visits;
                visits.set(1, v);
                add(visits, table8030, row8030);
            }
        }
    }
    if (bad)
        return;
    store(name, records, file, load);
}

CsvLoad Form62CsvImport::loadFiles(const QString &folder, QList<CsvFile> &files,
                                   runtime::Progress *progress)
{
    CsvLoad load;
    if (files.isEmpty())
        return load;
    const auto cat = catalogue();
    if (!cat) {
        load.messages.append(cat.error().message);
        return load;
    }
    ExchangeNames names(m_context);
    if (progress)
        progress->setTotal(files.size());
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (progress && progress->cancelled()) {
            load.cancelled = true;
            break;
        }
        CsvFile &file = files[i];
        if (progress)
            progress->step(i, file.name);
        const auto found = names.institution(file.institution);
        if (!found) {
            load.messages.append(file.name + QStringLiteral(": ") + found.error().message);
        } else if (!*found || file.institution == 0) {
            load.messages.append(file.name + QStringLiteral(": ") +
                                 unknownInstitutionText(file.name.left(3)));
        } else {
            loadFile(runtime::fs::join(folder, file.name), file, *cat, (*found)->district, load);
        }
        if (progress)
            progress->step(i + 1, file.name);
    }
    return load;
}

CsvLoad Form62CsvImport::loadSummary(const QString &folder, CsvFile &file)
{
    CsvLoad load;
    const auto cat = catalogue();
    if (!cat) {
        load.messages.append(cat.error().message);
        return load;
    }
    QList<QByteArray> lines;
    if (!readLines(runtime::fs::join(folder, file.name), file.name, lines, load))
        return load;
    auto say = [&](const QString &message) {
        load.messages.append(file.name + QStringLiteral(": ") + message);
    };

    ExchangeNames names(m_context);
    // The institutions file stays open while the lines name their institutions.
    const data::OpenedFile boln(m_context, data::FileId::boln);
    if (!boln.status()) {
        load.messages.append(file.name + QStringLiteral(": ") + boln.status().error().message);
        return load;
    }
    QHash<qint32, int> districts; // institution -> district, -1 when not in boln
    QList<QByteArray> records;
    bool bad = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const qint64 code = numberAt(firstField(line), 1, 4);
        const entry::FormTable *table = cat->table(code);
        if (!table || !leadingFields(code)) {
            say(QStringLiteral("err") + QString::number(i + 1));
            continue;
        }
        const QList<QByteArray> fields = splitFields(line);
        auto field = [&](int k) { return k <= fields.size() ? fields[k - 1] : QByteArray(); };
        bool ok = false;
        const qint32 inst = field(2).trimmed().toInt(&ok);
        if (!districts.contains(inst)) {
            const auto found = names.institution(inst);
            if (!found) {
                say(found.error().message);
                return load;
            }
            districts.insert(inst, *found && ok ? (*found)->district : -1);
            if (!*found || !ok)
                say(unknownInstitutionText(text(field(2).trimmed())));
        }
        const int district = std::max(districts.value(inst), 0);
        const int number = field(3).trimmed().toInt();
        const entry::FormRow *r = rowAt(cat->rows(code), number);
        if (!r) {
            say(QStringLiteral("err  str=") + text(field(3)));
            continue;
        }
        RowRecord row;
        for (int column = 1; column <= columnCount(*table); ++column) {
            const auto v = value(field(3 + column));
            if (!v) {
                say(QStringLiteral("таблица %1, ЛПУ %2, строка %3, графа %4: не число \"%5\", не "
                                   "записано")
                        .arg(code)
                        .arg(inst)
                        .arg(number)
                        .arg(column)
                        .arg(text(field(3 + column).trimmed())));
                continue;
            }
            row.set(column, *v);
        }
        auto bytes = row.bytes(district, inst, code, r->id);
        if (!bytes) {
            say(bytes.error().message);
            bad = true;
            continue;
        }
        records.append(*bytes);
    }
    if (!bad)
        store(file.name, records, file, load);
    return load;
}

} // namespace zemor::exchange
