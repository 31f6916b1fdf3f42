#include "analysis/crosssections/SavedCrossSections.h"

#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/ReadInside.h"
#include "data/records/FormaRecord.h"
#include "data/records/RasresRecord.h"
#include "data/records/RasresnRecord.h"
#include "entry/FormCatalogue.h"
#include "runtime/store/Scan.h"
#include "runtime/store/Transaction.h"
#include "runtime/text/FixedString.h"

#include <QHash>
#include <QScopeGuard>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

namespace zemor::analysis {

using data::FileId;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;
using runtime::store::KeyedFile;
using runtime::store::Transaction;
using runtime::text::clipped;
using Opened = data::OpenedFile;

namespace {

constexpr int markNameWidth = 120;

// The highest id of `RASRESN` + 1, or 1 for an empty file, read in the caller's transaction.
Result<qint32> idAfterLast(KeyedFile &file)
{
    const Result<bool> last = runtime::store::last(file, data::RasresnRecord::KeyId);
    if (!last)
        return std::unexpected(last.error());
    if (!*last)
        return 1;
    const data::RasresnRecord record(file.record());
    if (record.idQw() == std::numeric_limits<qint32>::max())
        return runtime::fail(ErrorCode::Overflow, file.path());
    return record.idQw() + 1;
}

} // namespace

Result<qint32> SavedCrossSections::nextId()
{
    return data::readInside(m_context, FileId::RASRESN,
                            [](Opened &opened) { return idAfterLast(opened.file()); });
}

Result<qint32> SavedCrossSections::addName(const QString &name, qint64 form)
{
    return data::insideTransaction(m_context, FileId::RASRESN, Transaction::Kind::Write,
                                   [&](Opened &opened) -> Result<qint32> {
                                       KeyedFile &file = opened.file();
                                       auto id = idAfterLast(file);
                                       if (!id)
                                           return id;
                                       file.clearRecord();
                                       data::RasresnRecord record(file.record());
                                       record.setIdQw(*id);
                                       record.setName(name);
                                       if (Status s = record.setCodForm(form); !s)
                                           return std::unexpected(s.error());
                                       if (Status s = file.add(); !s)
                                           return std::unexpected(s.error());
                                       return id;
                                   });
}

Result<QList<SavedCrossSectionChoice>> SavedCrossSections::names()
{
    return data::readInside(
        m_context, FileId::RASRESN, [](Opened &opened) -> Result<QList<SavedCrossSectionChoice>> {
            KeyedFile &file = opened.file();
            QList<SavedCrossSectionChoice> choices;
            const data::RasresnRecord record(file.record());
            const Status walked = runtime::store::scanPhysical(file, [&] {
                choices.append({record.idQw(), record.name().left(listNameWidth)});
                return true;
            });
            if (!walked)
                return std::unexpected(walked.error());
            return choices;
        });
}

Status SavedCrossSections::save(qint32 id, const QList<CrossSectionMark> &marks)
{
    return data::insideTransaction(
        m_context, FileId::RASRES, Transaction::Kind::Write, [&](Opened &opened) -> Status {
            KeyedFile &file = opened.file();
            data::RasresRecord record(file.record());
            file.clearRecord();
            record.setIdQw(id);
            const Status removed = runtime::store::scan(file, data::RasresRecord::KeyId, 1,
                                                        [&]() -> Status { return file.erase(); });
            if (!removed)
                return removed;
            for (const CrossSectionMark &mark : marks) {
                // The stored layout keeps BYTE and SHORT fields. The position is only the order,
                // which the records keep by themselves, so a list longer than a byte counts stores
                // 255 for the marks beyond; a row id or column that the fields cannot hold is
                // refused.
                if (mark.dataColumn < 0 || mark.dataColumn > 255 ||
                    mark.rowId < std::numeric_limits<qint16>::min() ||
                    mark.rowId > std::numeric_limits<qint16>::max())
                    return runtime::fail(ErrorCode::Overflow, file.path());
                file.clearRecord();
                record.setIdQw(id);
                record.setNn(std::uint8_t(std::clamp(mark.nn, 0, 255)));
                record.setYear(qint16(mark.year));
                if (Status s = record.setForma(mark.form); !s)
                    return s;
                record.setUnicodStr(qint16(mark.rowId));
                record.setGr(std::uint8_t(mark.dataColumn));
                if (Status s = file.add(); !s)
                    return s;
            }
            return {};
        });
}

Status SavedCrossSections::saveButton(CrossSectionInUse &inUse, qint64 form,
                                      const QList<CrossSectionMark> &marks, const AskName &askName)
{
    if (inUse.id == 0) {
        auto shown = nextId();
        if (!shown)
            return std::unexpected(shown.error());
        const std::optional<QString> name = askName(*shown);
        if (!name)
            return {};
        auto added = addName(*name, form);
        if (!added)
            return std::unexpected(added.error());
        inUse.id = *added;
        inUse.name = *name;
    }
    return save(inUse.id, marks);
}

Result<std::optional<QList<CrossSectionMark>>>
SavedCrossSections::loadButton(CrossSectionInUse &inUse, qint32 year, qint32 from, qint32 to,
                               const Choose &choose, PeriodKindOf periodKindOf)
{
    inUse.id = -1;
    auto choices = names();
    if (!choices) {
        inUse = {};
        return std::unexpected(choices.error());
    }
    const std::optional<SavedCrossSectionChoice> chosen = choose(*choices);
    if (!chosen || chosen->id <= 0) {
        inUse = {};
        return std::optional<QList<CrossSectionMark>>();
    }
    inUse.id = chosen->id;
    inUse.name = chosen->name;
    auto marks = load(chosen->id, year, from, to, std::move(periodKindOf));
    if (!marks)
        return std::unexpected(marks.error());
    return std::optional(*marks);
}

int SavedCrossSections::formPeriodKind(int year, qint64 form)
{
    m_context.names().setYearFileNames(year, data::YearNameSet::CrossSection);
    Opened opened(m_context, FileId::forma);
    if (!opened.status())
        return -1;
    KeyedFile &file = m_context.file(FileId::forma);
    file.clearRecord();
    data::FormaRecord record(file.record());
    if (!record.setUnicod(form))
        return -1;
    if (!file.get(data::FormaRecord::KeyUnicod))
        return -1;
    return record.tip();
}

Result<QList<CrossSectionMark>> SavedCrossSections::load(qint32 id, qint32 year, qint32 from,
                                                         qint32 to, PeriodKindOf periodKindOf)
{
    if (!periodKindOf)
        periodKindOf = [this](int y, qint64 form) { return formPeriodKind(y, form); };
    QList<CrossSectionMark> marks;
    const Status read = data::readInside(m_context, FileId::RASRES, [&](Opened &opened) -> Status {
        KeyedFile &file = opened.file();
        const data::RasresRecord record(file.record());
        file.clearRecord();
        data::RasresRecord(file.record()).setIdQw(id);
        return runtime::store::scan(file, data::RasresRecord::KeyId, 1, [&] {
            CrossSectionMark mark;
            mark.nn = record.nn();
            mark.form = record.forma();
            mark.rowId = record.unicodStr();
            mark.dataColumn = record.gr();
            mark.year = year;
            mark.periodFrom = from;
            mark.periodTo = to;
            marks.append(mark);
            return true;
        });
    });
    if (!read)
        return std::unexpected(read.error());

    // The catalogue of each form once; a form whose catalogue cannot be read leaves its marks
    // without texts.
    QHash<qint64, std::optional<entry::FormCatalogue>> catalogues;
    QHash<qint64, int> kinds;
    for (CrossSectionMark &mark : marks) {
        if (!kinds.contains(mark.form))
            kinds.insert(mark.form, periodKindOf(year, mark.form));
        if (CrossSectionMarks::isAnnual(kinds.value(mark.form))) {
            mark.periodFrom = 0;
            mark.periodTo = 0;
        }
        if (!catalogues.contains(mark.form)) {
            auto read = entry::FormCatalogue::read(m_context, year, mark.form);
            catalogues.insert(mark.form, read ? std::optional(*read) : std::nullopt);
        }
        const std::optional<entry::FormCatalogue> &catalogue = catalogues[mark.form];
        if (!catalogue)
            continue;
        const entry::FormRow *row = nullptr;
        QList<entry::FormRow> rows;
        for (const entry::FormTable &table : catalogue->tables()) {
            rows = catalogue->rows(table.code);
            for (const entry::FormRow &candidate : rows) {
                if (candidate.id == mark.rowId) {
                    row = &candidate;
                    break;
                }
            }
            if (row)
                break;
        }
        if (!row)
            continue;
        mark.table = row->table;
        mark.rowCode = row->code;
        QString name = clipped(row->name);
        if (!row->sex.trimmed().isEmpty())
            name += QLatin1Char('/') + row->sex;
        name += QLatin1Char(' ') + row->codes;
        mark.rowName = name.left(markNameWidth);
        const entry::FormTable *table = catalogue->table(row->table);
        if (!table)
            continue;
        const int stored = mark.dataColumn + table->offset;
        mark.storedColumn = stored;
        mark.columnName = QStringLiteral("???") + QString::number(stored);
        for (const entry::FormColumn &column : catalogue->columns(table->code)) {
            if (column.storedColumn == stored) {
                mark.columnName = column.name;
                mark.picture = column.picture;
                break;
            }
        }
    }
    return marks;
}

} // namespace zemor::analysis
