#include "analysis/ratings/RatingData.h"

#include "analysis/indicators/IndicatorComputation.h"
#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/ReadInside.h"
#include "data/records/BolnRecord.h"
#include "data/records/IndikRecord.h"
#include "data/records/NaborRecord.h"
#include "data/records/StrokaRecord.h"
#include "data/records/TablRecord.h"
#include "entry/ReportReader.h"
#include "runtime/core/Progress.h"
#include "runtime/store/Scan.h"

#include <QHash>

namespace zemor::analysis {

using data::FileId;
using data::OpenedFile;
using runtime::Result;
using runtime::Status;
using namespace Qt::StringLiterals;

QString RatingData::missingSetMessage()
{
    return u"Создайте список ЛПУ для данного индикатора"_s;
}

QString RatingData::missingTableMessage(int table, int error)
{
    return QString::number(table) + u"нет таблицы Qi:codTabl errorcode()="_s +
           QString::number(error);
}

Result<QList<RatingIndicator>> RatingData::indicators()
{
    QList<RatingIndicator> out;
    const Status s = data::readInside(m_context, FileId::indik, [&](OpenedFile &opened) {
        const data::IndikRecord r(opened.file().record());
        return opened.scanPhysical([&] {
            if (!RatingIndicator::usable(r.tip()))
                return true;
            RatingIndicator indicator;
            indicator.id = int(r.id());
            indicator.form = int(r.codForm());
            indicator.tip = r.tip();
            indicator.name = r.name();
            for (int i = 1; i <= RatingIndicator::definitionCount; ++i) {
                indicator.tables[size_t(i - 1)] = int(r.codTabl(i));
                indicator.definitions[size_t(i - 1)] = int(r.codPok(i));
            }
            indicator.setId = r.tipInd(RatingIndicator::definitionCount);
            out.append(indicator);
            return true;
        });
    });
    if (!s)
        return std::unexpected(s.error());
    return out;
}

Result<QList<RatingMember>> RatingData::members(int setId)
{
    QList<RatingMember> out;
    Status s = data::readInside(m_context, FileId::NABOR, [&](OpenedFile &opened) {
        const data::NaborRecord r(opened.file().record());
        return opened.scanPhysical([&] {
            if (r.id() != setId)
                return true;
            for (int i = 1; i <= data::NaborRecord::maxInstitutions; ++i) {
                const qint32 code = r.idLpu(i);
                if (code == 0)
                    break;
                out.append(RatingMember{.code = code});
            }
            return false;
        });
    });
    if (!s)
        return std::unexpected(s.error());
    if (out.isEmpty())
        return out;
    s = data::readInside(m_context, FileId::boln, [&](OpenedFile &opened) -> Status {
        data::BolnRecord r(opened.file().record());
        for (RatingMember &member : out) {
            opened.file().clearRecord();
            r.setUnicod(member.code);
            const Result<bool> found =
                runtime::store::find(opened.file(), data::BolnRecord::KeyUnicod);
            if (!found)
                return std::unexpected(opened.readFailed(found.error()));
            if (!*found)
                continue;
            member.name = r.nazv();
            member.district = int(r.codReg());
            member.kind = int(r.vid());
        }
        return {};
    });
    if (!s)
        return std::unexpected(s.error());
    numberMembers(out);
    return out;
}

Result<QList<ValueRow>> RatingData::valueRows(int year, int form, QStringList &messages)
{
    m_context.names().setYearFileNames(year);
    QList<ValueRow> rows;
    Status s = data::readInside(m_context, FileId::stroka, [&](OpenedFile &opened) -> Status {
        data::StrokaRecord r(opened.file().record());
        opened.file().clearRecord();
        if (!r.setCodForm(form))
            return {}; // a form code the file cannot hold has no rows
        int table = -1;
        const auto closeTable = [&] {
            if (table >= 0)
                rows.append(ValueRow{.table = table,
                                     .rowId = ValueRow::tableEndId,
                                     .number = ValueRow::tableEndNumber});
        };
        const Status walked = opened.scan(data::StrokaRecord::KeyStrNum, 1, [&] {
            const int rowTable = int(r.codTabl());
            if (rowTable != table) {
                closeTable();
                table = rowTable;
                rows.append(ValueRow{.table = table});
            }
            ValueRow row;
            row.table = table;
            row.rowId = r.unicod();
            row.number = r.number();
            row.codStr = r.codStr();
            row.name = r.name().left(150);
            rows.append(row);
            return true;
        });
        if (!walked)
            return walked;
        if (table < 0)
            table = 0;
        closeTable();
        return {};
    });
    if (!s)
        return std::unexpected(s.error());

    s = data::readInside(m_context, FileId::tabl, [&](OpenedFile &opened) -> Status {
        data::TablRecord r(opened.file().record());
        for (ValueRow &row : rows) {
            if (!row.isHeading())
                continue;
            opened.file().clearRecord();
            const int missing = int(runtime::ErrorCode::RecordNotFound);
            if (!r.setCodForm(form) || !r.setCodTabl(row.table)) {
                messages.append(missingTableMessage(row.table, missing));
                continue;
            }
            const Result<bool> found =
                runtime::store::find(opened.file(), data::TablRecord::KeyTab1);
            if (!found)
                return std::unexpected(opened.readFailed(found.error()));
            if (!*found) {
                messages.append(missingTableMessage(row.table, missing));
                continue;
            }
            row.name = r.name().left(150);
        }
        return {};
    });
    if (!s)
        return std::unexpected(s.error());
    return rows;
}

Status RatingData::applyNorms(int year, int form, QList<ValueRow> &rows)
{
    QHash<int, QList<qsizetype>> byId;
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (rows[i].isData())
            byId[rows[i].rowId].append(i);
    if (byId.isEmpty())
        return {};
    return entry::ReportReader(m_context).rowRecords(
        year, form, byId.keys(), [&](const entry::RowRecord &record) -> Status {
            if (record.period != 0 || record.institution != normsInstitution)
                return {};
            for (qsizetype i : byId.value(record.rowId)) {
                ValueRow &row = rows[i];
                row.norm = record.value(1).rounded(2).toDouble();
                row.direction = int(record.value(4).toInt64());
                row.weight = record.value(5).rounded(3).toDouble();
                row.zeroRule = int(record.value(6).toInt64());
            }
            return {};
        });
}

Result<RatingOutcome> RatingData::rate(const RatingRequest &request)
{
    RatingOutcome outcome;
    RatingRun &run = outcome.run;
    run.indicator = request.indicator;
    run.year = request.year;
    run.firstMonth = request.firstMonth;
    run.lastMonth = request.lastMonth;
    run.type = request.type;

    auto members = this->members(request.indicator.setId);
    if (!members)
        return std::unexpected(members.error());
    if (members->isEmpty()) {
        outcome.missingSet = true;
        outcome.messages.append(missingSetMessage());
        return outcome;
    }
    run.members = *members;
    run.periodText = buildRatingPeriodText(run.year, run.firstMonth, run.lastMonth);

    auto rows = valueRows(run.year, request.indicator.form, outcome.messages);
    if (!rows)
        return std::unexpected(rows.error());
    run.values = *rows;
    if (Status s = applyNorms(run.year, request.indicator.form, run.values); !s)
        return std::unexpected(s.error());
    for (ValueRow &row : run.values)
        row.data.assign(size_t(run.columnCount()), 0.0);

    QList<qint32> selection;
    if (!run.indicator.perDistrict())
        for (const RatingMember &member : std::as_const(run.members))
            selection.append(member.code);
    for (int i = 0; i < RatingIndicator::definitionCount; ++i) {
        const int definition = run.indicator.definitions[size_t(i)];
        if (definition == 0)
            break;
        if (m_progress) {
            if (m_progress->cancelled())
                return runtime::fail(runtime::ErrorCode::Cancelled);
            m_progress->step(i, u"Показатель %1"_s.arg(definition));
        }
        QString count;
        auto results =
            IndicatorComputation(m_context, m_progress)
                .computeForRating(definition, count, run.indicator.perDistrict() ? 1 : 0, 0,
                                  MonthRange{run.firstMonth, run.lastMonth}, selection, run.year);
        if (!results)
            return std::unexpected(results.error());
        QList<DefinitionResult> stored;
        for (const RatingResultRow &row : std::as_const(*results))
            stored.append(DefinitionResult{.code = row.code, .values = row.slots});
        storeIndicatorResults(run, run.indicator.tables[size_t(i)], stored,
                              count.trimmed().toInt());
    }
    computeRating(run);
    return outcome;
}

} // namespace zemor::analysis
