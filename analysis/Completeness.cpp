#include "analysis/Completeness.h"

#include "data/ExistingFile.h"
#include "data/FileNames.h"
#include "data/ReadInside.h"
#include "data/ReferenceNames.h"
#include "data/records/FormaRecord.h"
#include "data/records/OtchetRecord.h"
#include "runtime/core/Progress.h"
#include "runtime/store/Scan.h"
#include "runtime/text/FixedString.h"
#include "shell/ExcelLauncher.h"

#include <QSet>

#include <algorithm>
#include <limits>
#include <map>

namespace zemor::analysis {

using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;
using runtime::store::KeyedFile;
using runtime::text::clipped;

namespace {

qint32 halfYearOf(qint32 month)
{
    return month == 12 ? 2 : (month > 5 ? 1 : 0);
}

// Walks every record of `file` in stored order inside one read transaction.
template <class Take> Status readAll(KeyedFile &file, Take take)
{
    return data::readInside(file, [&] { return runtime::store::scanPhysical(file, take); });
}

} // namespace

std::optional<std::pair<qint32, qint32>> Completeness::periodRange(int periodicity, qint32 from,
                                                                   qint32 to)
{
    switch (periodicity) {
    case 1:
    case 5:
        return std::pair{from, to};
    case 2:
        if (to <= 2)
            return std::nullopt;
        return std::pair{from / 3, to / 3};
    case 3:
        return std::pair{halfYearOf(from), halfYearOf(to)};
    default:
        return std::pair{0, 0};
    }
}

Result<CompletenessCount> Completeness::countSubmittedReports(int year, qint32 from, qint32 to,
                                                              runtime::Progress *progress)
{
    if (to < from)
        to = from;
    CompletenessCount count;
    data::FileNames names;
    names.setYearFileNames(year, data::YearNameSet::ReportList);
    auto forma = data::openExisting(names.formaFileName(), data::FileId::forma);
    if (!forma)
        return std::unexpected(forma.error());
    if (!*forma)
        return runtime::fail(ErrorCode::FileNotFound, names.formaFileName());
    {
        data::FormaRecord f((*forma)->record());
        Status s = readAll(**forma, [&] {
            if (f.vkl() != 1 && f.unicod() != 0)
                count.forms.append({f.unicod(), f.cod(), f.tip()});
            return true;
        });
        if (!s)
            return std::unexpected(s.error());
    }

    if (progress)
        progress->setTotal(count.forms.size());
    QList<CompletenessForm> counted;
    qint64 done = 0;
    for (const CompletenessForm &form : std::as_const(count.forms)) {
        if (progress && progress->cancelled())
            return runtime::fail(ErrorCode::Cancelled);
        if (progress)
            progress->step(done++, clipped(form.designation));
        const auto range = periodRange(form.periodicity, from, to);
        if (!range)
            continue;
        const QString fileName = data::FileNames::otchetFileName(year, int(form.code));
        auto trouble = [&](const runtime::Error &e) {
            count.troubles.append(QStringLiteral("Форма %1 (%2): %3")
                                      .arg(form.code)
                                      .arg(clipped(form.designation), e.message));
        };
        auto file = data::openExisting(fileName, data::FileId::otchet);
        if (!file) {
            trouble(file.error());
            continue;
        }
        counted.append(form);
        if (!*file)
            continue;
        QList<CountedReport> ofForm;
        qint32 lastPeriod = 0;
        KeyedFile &otchet = **file;
        data::OtchetRecord r(otchet.record());
        auto read = [&]() -> Status {
            otchet.clearRecord();
            r.setMes(range->first);
            r.setCodUch(std::numeric_limits<qint32>::min());
            r.setUnicodStr(std::numeric_limits<qint16>::min());
            return runtime::store::scan(otchet, data::OtchetRecord::KeyCodUch, -1, [&] {
                if (r.mes() > range->second)
                    return false;
                if (!ofForm.isEmpty() && ofForm.constLast().institution == r.codUch() &&
                    ofForm.constLast().district == r.codReg() && lastPeriod == r.mes())
                    return true;
                ofForm.append({r.codUch(), form.code, r.codReg(), form.periodicity});
                lastPeriod = r.mes();
                return true;
            });
        };
        if (Status s = data::readInside(otchet, read); !s) {
            counted.removeLast();
            trouble(s.error());
            continue;
        }
        count.reports.append(ofForm);
    }
    if (progress)
        progress->step(done);
    count.forms = counted;
    return count;
}

Result<CompletenessNames> Completeness::readNames()
{
    CompletenessNames names;
    const data::FileNames fileNames;
    using data::ReferenceNames;
    const auto read = ReferenceNames::readExisting(
        fileNames, ReferenceNames::Files(ReferenceNames::Districts | ReferenceNames::Institutions));
    if (!read)
        return std::unexpected(read.error());
    for (const data::ReferenceName &d : read->districts())
        names.districts.append({int(d.code), clipped(d.name)});
    for (const data::ReferenceInstitution &b : read->institutions())
        names.institutions.insert(b.code, {clipped(b.name), int(b.district)});
    return names;
}

CompletenessTable Completeness::buildTable(const CompletenessCount &count, CompletenessMode mode,
                                           const CompletenessNames &names)
{
    CompletenessTable table;
    QList<CountedReport> reports = count.reports;
    std::stable_sort(reports.begin(), reports.end(), [](const auto &a, const auto &b) {
        return std::tie(a.form, a.district, a.institution) <
               std::tie(b.form, b.district, b.institution);
    });
    QHash<qint64, CompletenessForm> formOf;
    for (const CompletenessForm &f : count.forms)
        formOf.insert(f.code, f);

    // Rows by (district, key); an institution row's district is its own from boln.
    std::map<std::pair<int, qint32>, CompletenessRow> rows;
    QSet<std::pair<int, qint32>> institutionRows;
    int column = -1;
    qint64 lastForm = std::numeric_limits<qint64>::min();
    for (const CountedReport &r : reports) {
        if (r.form != lastForm) {
            if (column + 1 >= completenessColumnCount)
                break;
            ++column;
            lastForm = r.form;
            table.columns.append(
                formOf.value(r.form, CompletenessForm{r.form, QString(), r.periodicity}));
        }
        const bool districtRow = mode == CompletenessMode::ByDistrict && r.district < 200;
        const qint32 key = districtRow ? r.district : r.institution;
        const auto id = std::pair{r.district, key};
        CompletenessRow &row = rows[id];
        row.key = key;
        row.district = r.district;
        if (!districtRow)
            institutionRows.insert(id);
        ++row.counts[size_t(column)];
    }

    QHash<int, QString> districtNames;
    for (const auto &[code, name] : names.districts)
        districtNames.insert(code, name);

    QList<CompletenessRow> list;
    for (auto &[id, row] : rows) {
        if (institutionRows.contains(id)) {
            const auto inst = names.institutions.value(row.key);
            row.name = inst.first;
            if (names.institutions.contains(row.key))
                row.district = inst.second;
        }
        list.append(row);
    }
    CompletenessRow total;
    total.name = CompletenessTable::totalName();
    for (CompletenessRow &row : list) {
        for (int c = 0; c < completenessColumnCount; ++c)
            total.counts[size_t(c)] += row.counts[size_t(c)];
        if (!(mode == CompletenessMode::ByDistrict && row.district == 201))
            row.name = clipped(districtNames.value(row.district) + u' ' + row.name);
    }
    if (mode == CompletenessMode::ByDistrict) {
        for (const auto &[code, name] : names.districts) {
            const bool present = std::any_of(list.begin(), list.end(), [code](const auto &row) {
                return row.district == code && row.key == code;
            });
            const bool hasRows = std::any_of(
                list.begin(), list.end(), [code](const auto &row) { return row.district == code; });
            if (present || hasRows)
                continue;
            CompletenessRow row;
            row.key = code;
            row.district = code;
            row.name = name;
            list.append(row);
        }
    }
    list.append(total);
    std::stable_sort(list.begin(), list.end(), [](const auto &a, const auto &b) {
        return std::tie(a.district, a.key) < std::tie(b.district, b.key);
    });
    table.rows = list;
    table.rowsWithoutTotal = int(list.size()) - 1;

    table.format = mode == CompletenessMode::ByDistrict
                       ? QStringLiteral("15L(1)|_FM@s4@45L(1)|_FM~Регион~@s50@")
                       : QStringLiteral("15L(1)|_FM@s4@180L(1)|_FM~ЛПУ~@s150@");
    for (const CompletenessForm &f : table.columns)
        table.format +=
            QStringLiteral("20C|_M~") + QString::number(f.code) + QStringLiteral("~@s4@");
    return table;
}

bool Completeness::exportToExcel(shell::ExcelLauncher &excel, const CompletenessTable &table,
                                 CompletenessMode mode, qint32 from)
{
    if (excel.launch(QStringLiteral("RAS.XLS")) == 0)
        return false;
    excel.poke(1, 1,
               QStringLiteral("Информация о количестве сданных отчетов за") +
                   QString::number(from) + QStringLiteral(" месяц"));
    excel.poke(9, 1,
               mode == CompletenessMode::ByDistrict ? QStringLiteral("Регион")
                                                    : QStringLiteral("ЛПУ"));
    for (int i = 1; i <= table.columns.size(); ++i) {
        excel.poke(8, i + 2, QString::number(table.columns[i - 1].code));
        excel.poke(9, i + 2, clipped(table.columns[i - 1].designation));
    }
    for (int r = 1; r <= table.rows.size(); ++r) {
        const CompletenessRow &row = table.rows[r - 1];
        excel.poke(r + 9, 1, row.name);
        excel.poke(r + 9, 2, QString::number(row.key));
        for (int i = 1; i <= table.columns.size(); ++i)
            excel.poke(r + 9, i + 2, QString::number(row.counts[size_t(i - 1)]));
    }
    excel.frame(8, 1, int(table.rows.size()) + 9, int(table.columns.size()) + 2);
    return excel.finish();
}

} // namespace zemor::analysis
