#include "exchange/DbfImport.h"

#include "data/DataContext.h"
#include "data/Dictionary.h"
#include "data/OpenedFile.h"
#include "data/records/FormaRecord.h"
#include "data/records/OtchetRecord.h"
#include "entry/FormCatalogue.h"
#include "entry/ReportBatch.h"
#include "runtime/core/Progress.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/fs/Paths.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <map>

namespace zemor::exchange {

using data::FileId;
using runtime::ErrorCode;
using runtime::Result;
using runtime::store::DbaseField;
using runtime::store::DbaseReader;
using runtime::store::DbaseRecord;
namespace fs = runtime::fs;

namespace {

constexpr int valueColumns = 25; // IMP:COL1 .. IMP:COL25

QList<DbaseField> layoutOf(FileId id)
{
    QList<DbaseField> out;
    for (const runtime::store::FieldDef &f : data::declaration(id).layout.fields)
        out.append(DbaseField{f.name, 'C', f.size, 0});
    return out;
}

// A whole number written as text ("  62", "0062", "5.0"); blank text is 0. The fraction of a
// number is dropped, as numbers turn into codes. Anything else does not read.
std::optional<qint64> wholeNumber(const QString &text)
{
    const auto value = runtime::Decimal::fromString(text);
    if (!value)
        return std::nullopt;
    return value->toInt64();
}

// A file opened in one of the two layouts, or why it opens in neither.
struct Opened
{
    int type = DbfFile::Unreadable;
    QString reason;
};

Opened openEither(DbaseReader &reader, const QString &path)
{
    const runtime::Status rows = reader.open(path, DbfImport::rowsLayout());
    if (rows)
        return {DbfFile::Rows, {}};
    if (rows.error().code == ErrorCode::LayoutMismatch &&
        reader.open(path, DbfImport::personsLayout()))
        return {DbfFile::Persons, {}};
    reader.close();
    if (rows.error().code == ErrorCode::FileNotFound)
        return {DbfFile::Unreadable, QStringLiteral("файл не найден")};
    if (rows.error().code == ErrorCode::LayoutMismatch)
        return {
            DbfFile::Unreadable,
            QStringLiteral("поля файла не те, что ждет загрузка (%1)").arg(rows.error().message)};
    return {DbfFile::Unreadable, rows.error().message};
}

} // namespace

// A form of the current file (`QF`).
struct DbfImport::Form
{
    qint64 code = 0;          // QF:CODFORM
    int year = 0;             // QF:YEAR
    int period = 0;           // QF:MES
    QString name;             // QF:S
    int periodicity = 0;      // QF:TIP
    bool periodError = false; // QF:ERR_PMES
};

QList<DbaseField> DbfImport::rowsLayout()
{
    static const QList<DbaseField> fields = layoutOf(FileId::import1);
    return fields;
}

QList<DbaseField> DbfImport::personsLayout()
{
    static const QList<DbaseField> fields = layoutOf(FileId::VOV4000);
    return fields;
}

QStringList DbfImport::pathChoices()
{
    return {QStringLiteral("\\import\\"), QStringLiteral("C:\\1\\"), QStringLiteral("F:\\"),
            QStringLiteral("D:\\1\\")};
}

std::pair<int, int> DbfImport::monthAndYear(const QString &fileName)
{
    const qsizetype dot = fileName.indexOf(QLatin1Char('.'));
    const QStringView stem = QStringView(fileName).first(dot < 0 ? fileName.size() : dot);
    if (stem.size() < 6)
        return {0, 0};
    const QStringView digits = stem.last(6);
    if (!std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return {0, 0};
    return {digits.first(2).toInt(), digits.last(4).toInt()};
}

bool DbfImport::periodFits(int periodicity, int period)
{
    switch (periodicity) {
    case 0:
        return period == 0;
    case 1:
        return period >= 1 && period <= 12;
    case 2:
        return period >= 1 && period <= 4;
    case 3:
        return period >= 1 && period <= 2;
    default:
        return period != 0;
    }
}

QString DbfImport::duplicateText(qint64 form, int year, int period, const QString &rowText)
{
    return QStringLiteral("в форме%1 за %2год %3месяц строка %4 уже есть")
        .arg(form)
        .arg(year)
        .arg(period)
        .arg(rowText);
}

QString DbfImport::doneText(int added, int present)
{
    return QStringLiteral("ГОТОВО %1(ошибок %2)").arg(added).arg(present);
}

QString DbfImport::cancelledText(const DbfLoadOutcome &outcome)
{
    return QStringLiteral("Загрузка прервана. Загружено файлов: %1, строк: %2")
        .arg(outcome.filesDone)
        .arg(outcome.totalAdded);
}

QString DbfImport::personsText(const QString &name)
{
    return notLoadedText(name, QStringLiteral("в нем списки лиц (поле FIO), такие файлы не "
                                              "загружаются"));
}

QString DbfImport::notLoadedText(const QString &name, const QString &reason)
{
    return QStringLiteral("Файл %1 не загружен: %2").arg(name, reason);
}

QString DbfImport::noYearText(const QString &name)
{
    return notLoadedText(name, QStringLiteral("в имени файла нет месяца и года (…ММГГГГ.dBF)"));
}

Result<QList<DbfFile>> DbfImport::scan(const QString &dir)
{
    const auto listed = fs::list(dir, QStringLiteral("*.dBF"));
    if (!listed)
        return std::unexpected(listed.error());
    const auto root = fs::resolve(dir);
    if (!root)
        return std::unexpected(root.error());
    QList<DbfFile> out;
    for (const fs::DirEntry &e : *listed) {
        if (e.isDir)
            continue;
        DbfFile f;
        f.name = e.name;
        f.path = fs::join(*root, e.name);
        std::tie(f.month, f.year) = monthAndYear(e.name);
        DbaseReader reader;
        const Opened opened = openEither(reader, f.path);
        f.type = opened.type;
        f.reason = opened.reason;
        if (reader.isOpen()) {
            f.records = reader.activeCount();
            DbaseRecord first;
            if (reader.next(first))
                f.form = wholeNumber(first.numericText(u"FORMA")).value_or(0);
        }
        out.append(f);
    }
    return out;
}

DbfLoadOutcome DbfImport::load(const QList<DbfFile> &files, const DbfPeriodChoice &choice,
                               runtime::Progress *progress)
{
    DbfLoadOutcome out;
    runtime::NoProgress none;
    runtime::Progress &p = progress ? *progress : none;
    qint64 total = 0;
    for (const DbfFile &f : files)
        total += f.marked;
    p.setTotal(total);
    for (const DbfFile &f : files) {
        if (!f.marked)
            continue;
        if (p.cancelled()) {
            out.cancelled = true;
            break;
        }
        p.step(out.filesDone, f.name);
        loadFile(f, choice, out);
        p.step(++out.filesDone, f.name);
    }
    return out;
}

void DbfImport::loadFile(const DbfFile &file, const DbfPeriodChoice &choice, DbfLoadOutcome &out)
{
    // Read again: the file may have changed or vanished since the scan; it is never created.
    DbaseReader reader;
    const Opened opened = openEither(reader, file.path);
    if (opened.type == DbfFile::Persons) {
        out.messages.append(personsText(file.name));
        return;
    }
    if (opened.type != DbfFile::Rows) {
        out.messages.append(notLoadedText(file.name, opened.reason));
        return;
    }

    const int year = choice.typed ? choice.year : file.year;
    const int period = choice.typed ? choice.period : file.month;
    if (year <= 0) {
        out.messages.append(choice.typed ? notLoadedText(file.name, QStringLiteral("не указан год"))
                                         : noYearText(file.name));
        return;
    }

    // The forms of the file's target year: the year the rows go into is the year whose
    // catalogue names their forms and rows.
    m_context.names().setYearFileNames(year, data::YearNameSet::DbaseImport);
    QHash<qint64, std::pair<QString, int>> catalogue;
    // A year without its catalogue is said here, in the load's words; opening the missing file
    // would report it as a failure of the file, or create an empty catalogue.
    const auto formaPath =
        fs::resolve(m_context.names().fileName(FileId::forma),
                    data::defaultExtension(data::declaration(FileId::forma).driver));
    if (!formaPath || !fs::pathInfo(*formaPath).isFile) {
        out.messages.append(
            notLoadedText(file.name, QStringLiteral("нет справочника форм за %1 год").arg(year)));
        return;
    }
    {
        data::OpenedFile forma(m_context, FileId::forma);
        const data::FormaRecord r(m_context.record(FileId::forma));
        const runtime::Status read = forma.scanPhysical([&] {
            catalogue.insert(r.unicod(), {r.name(), r.tip()});
            return true;
        });
        if (!read) {
            out.messages.append(
                notLoadedText(file.name, QStringLiteral("нет справочника форм за %1 год (%2)")
                                             .arg(year)
                                             .arg(read.error().message)));
            return;
        }
    }

    // The forms in the order of their codes, each once.
    std::map<qint64, Form> forms;
    qint64 previous = 0;
    DbaseRecord record;
    while (reader.next(record)) {
        const qint64 code = wholeNumber(record.numericText(u"FORMA")).value_or(0);
        if (code == previous || code == 0 || forms.contains(code)) {
            previous = code;
            continue;
        }
        previous = code;
        const auto found = catalogue.constFind(code);
        if (found == catalogue.cend()) {
            out.messages.append(noFormText(code));
            continue;
        }
        Form form{code, year, period, found->first, found->second, false};
        if (!periodFits(form.periodicity, period)) {
            out.messages.append(QStringLiteral("Файл %1: ").arg(file.name) + periodText(code));
            form.periodError = true;
        }
        forms.emplace(code, form);
    }
    for (const auto &[code, form] : forms) {
        if (!form.periodError)
            loadRows(file, reader, form, out);
    }
}

// A row of the file taken for the report.
struct DbfImport::Row
{
    int id = 0;
    QString idText;
    QByteArray record;
};

void DbfImport::loadRows(const DbfFile &file, DbaseReader &reader, const Form &form,
                         DbfLoadOutcome &out)
{
    const auto failed = [&](const QString &why) {
        out.messages.append(
            QStringLiteral("Файл %1, форма %2: %3").arg(file.name).arg(form.code).arg(why));
    };
    const auto catalogue = entry::FormCatalogue::read(m_context, form.year, form.code);
    if (!catalogue) {
        failed(catalogue.error().message);
        return;
    }

    int added = 0;
    int present = 0;
    QString notFound;
    QList<Row> rows;
    QStringList badValues;
    const QByteArray cleared = data::declaration(FileId::otchet).layout.clearedRecord();
    reader.rewind();
    DbaseRecord record;
    while (reader.next(record)) {
        if (wholeNumber(record.numericText(u"FORMA")).value_or(0) != form.code)
            continue;
        const QString idText = record.numericText(u"NUMBSTR");
        const auto id = wholeNumber(idText);
        if (id && *id == 0)
            continue;
        const entry::CatalogueRow *row =
            id && *id > 0 && *id <= 32767 ? catalogue->rowCatalogue().row(int(*id)) : nullptr;
        if (!row) {
            notFound += QLatin1Char(',') + idText;
            continue;
        }
        Row taken{int(*id), idText, cleared};
        data::OtchetRecord r(taken.record);
        r.setCodReg(std::uint8_t(m_target.district));
        r.setCodUch(m_target.institution);
        r.setMes(form.period);
        r.setTip(std::uint8_t(form.periodicity));
        r.setUnicodStr(qint16(taken.id));
        if (const runtime::Status s = r.setCodTab(row->table); !s) {
            failed(s.error().message);
            return;
        }
        // Columns 26 to 35 stay 0, as cleared. A row with a value that is not a number is left
        // out whole, so that a corrected file can still add it later.
        bool sound = true;
        for (int n = 1; n <= valueColumns; ++n) {
            const QString text = record.numericText(QStringLiteral("COL%1").arg(n));
            const auto value = runtime::Decimal::fromString(text);
            const runtime::Status stored =
                value ? r.setData(n, *value) : runtime::Status(std::unexpected(value.error()));
            if (!stored) {
                badValues.append(
                    QStringLiteral("строка %1, графа %2: \"%3\"").arg(idText).arg(n).arg(text));
                sound = false;
            }
        }
        if (sound)
            rows.append(std::move(taken));
    }
    if (!badValues.isEmpty())
        failed(QStringLiteral("не числа, эти строки не загружены: ") +
               badValues.join(QStringLiteral("; ")));

    out.added = 0;
    out.present = 0;
    if (!notFound.isEmpty())
        out.rowsNotFound += (out.rowsNotFound.isEmpty() ? QString() : QStringLiteral("; ")) +
                            QStringLiteral("форма %1:").arg(form.code) + notFound;
    if (rows.isEmpty())
        return;

    const entry::ReportIdentity id{form.year,         form.code,        m_target.institution,
                                   m_target.district, form.periodicity, form.period};
    QList<QByteArray> records;
    records.reserve(rows.size());
    for (const Row &r : rows)
        records.append(r.record);
    // The report is written at once, under its marker; its first row already there is named.
    const entry::BatchResult written =
        entry::ReportBatch::write(m_context, id, records, entry::BatchMode::Complete);
    if (written.state == entry::BatchResult::State::InUse) {
        failed(QStringLiteral("отчет открыт для ввода, строки не загружены"));
        return;
    }
    if (written.state != entry::BatchResult::State::Loaded) {
        failed(written.error.message);
        return;
    }
    QString firstPresent;
    for (const Row &r : rows) {
        if (r.id == written.firstDuplicate) {
            firstPresent = r.idText;
            break;
        }
    }
    added = written.added;
    present = written.duplicates;
    if (present > 0)
        out.messages.append(
            duplicateText(form.code, form.year, form.period,
                          firstPresent.isEmpty() ? QStringLiteral("?") : firstPresent));
    out.added = added;
    out.present = present;
    out.totalAdded += added;
    ++out.formsWritten;
}

} // namespace zemor::exchange
