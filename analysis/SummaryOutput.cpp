#include "analysis/SummaryOutput.h"

#include "data/ExchangeFile.h"
#include "data/ExchangeFileName.h"
#include "data/records/OtchetRecord.h"
#include "runtime/core/Progress.h"
#include "runtime/text/FixedString.h"
#include "shell/ExcelLauncher.h"

namespace zemor::analysis {

using runtime::Decimal;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;
using runtime::text::clipped;

QString SummaryFileWritten::message() const
{
    return QStringLiteral("Число записей:") + QString::number(count) + QStringLiteral(" в файле") +
           path;
}

qint32 SummaryOutput::summaryInstitution(const SummaryFileTarget &target)
{
    switch (target.userType) {
    case data::UserType::District:
        return data::DistrictTotalCodeBase + target.district;
    case data::UserType::WholeRegion:
        return data::RegionTotalCode;
    default:
        return target.ownCode;
    }
}

QString SummaryOutput::summaryFilePath(const QString &exchangePath, int ownCode, qint64 formCode)
{
    QString path = clipped(exchangePath);
    if (!path.isEmpty() && !path.endsWith(u'\\') && !path.endsWith(u'/'))
        path += u'\\';
    return path + data::ExchangeFileName::summaryFileName(ownCode, int(formCode));
}

Result<SummaryFileWritten> SummaryOutput::writeSummaryFile(const Summary &summary, qint64 formCode,
                                                           qint32 period,
                                                           const SummaryFileTarget &target,
                                                           runtime::Progress *progress)
{
    // Every value must fit the record's DECIMAL(17,3) before anything is written.
    for (const SummaryRow &row : summary.rows) {
        for (int c = 1; c <= summaryValueCount; ++c) {
            if (!row.value(c).fitted(17, 3))
                return runtime::fail(
                    ErrorCode::Overflow, QString::number(row.rowId),
                    QStringLiteral("Значение не помещается в 17 знаков: таблица %1, строка %2, "
                                   "графа %3; файл свода не записан")
                        .arg(row.table)
                        .arg(row.rowId)
                        .arg(c));
        }
    }

    const QString name = summaryFilePath(target.path, target.ownCode, formCode);
    // Every failure names the file and says that the old one is kept, the first one too (a disk
    // too full even for the new file's header).
    const auto notWritten = [&name](runtime::Error e) -> Result<SummaryFileWritten> {
        e.message = QStringLiteral("Файл свода %1 не записан, прежний файл оставлен: %2")
                        .arg(name, e.message);
        return std::unexpected(e);
    };
    auto writer = data::ExchangeFileWriter::create(name);
    if (!writer)
        return notWritten(writer.error());
    if (progress)
        progress->setTotal(summary.rows.size());

    QByteArray buffer(data::OtchetRecord::recordSize, '\0');
    data::OtchetRecord r(buffer);
    qint64 done = 0;
    for (const SummaryRow &row : summary.rows) {
        if (progress && progress->cancelled()) {
            writer->abandon();
            return runtime::fail(ErrorCode::Cancelled, name);
        }
        r.clear();
        Status s = r.setCodTab(row.table);
        r.setCodReg(std::uint8_t(target.district));
        r.setCodUch(summaryInstitution(target));
        r.setMes(period);
        r.setTip(0);
        r.setUnicodStr(qint16(row.rowId));
        for (int c = 1; s && c <= summaryValueCount; ++c)
            s = r.setData(c, row.value(c));
        if (s)
            s = writer->appendReport(formCode, buffer);
        if (!s) {
            writer->abandon();
            return notWritten(s.error());
        }
        if (progress)
            progress->step(++done);
    }
    const QString path = writer->path().isEmpty() ? name : writer->path();
    if (Status s = writer->commit(); !s)
        return notWritten(s.error());
    return SummaryFileWritten{path, writer->count()};
}

QString SummaryOutput::workbookValue(const Decimal &value)
{
    QString text = value.toString();
    const qsizetype point = text.indexOf(u'.');
    if (point >= 0)
        text = text.left(point) + u',' + text.mid(point + 1, 3);
    return text;
}

QString SummaryOutput::workbookTemplate(const entry::FormTable &table)
{
    const QString own = table.xls.trimmed();
    return own.isEmpty() ? generalTemplate() : own;
}

QList<WorkbookCell> SummaryOutput::workbookCells(const entry::FormCatalogue &catalogue,
                                                 const entry::FormTable &table,
                                                 const QList<SummaryTableRow> &shown,
                                                 const QString &title, qint64 formCode)
{
    QList<WorkbookCell> cells;
    const bool general = workbookTemplate(table) == generalTemplate();
    const QList<entry::FormColumn> columns = catalogue.columns(table.code);
    const int leading = std::clamp(table.offset, 0, 4);
    std::array<int, 5> leadingType{};
    for (const entry::FormColumn &c : columns) {
        if (general) {
            cells.append({9, c.storedColumn, clipped(c.name), true});
            cells.append({10, c.storedColumn, QString::number(c.storedColumn)});
        }
        if (c.storedColumn >= 1 && c.storedColumn <= leading)
            leadingType[size_t(c.storedColumn)] = c.type;
    }
    cells.append({3, 1, clipped(title), true});
    cells.append({2, 1,
                  QStringLiteral("Ф") + QString::number(formCode) + QStringLiteral(" Т") +
                      QString::number(table.code) + u' ' + clipped(table.name),
                  true});

    // The descriptive columns, row by row, matched in order with the lines shown.
    int r = 0;
    for (const entry::FormRow &row : catalogue.rows(table.code)) {
        if (r >= shown.size())
            break;
        if (row.id != shown[r].rowId)
            continue;
        ++r;
        for (int c = 1; c <= leading; ++c) {
            QString text;
            switch (leadingType[size_t(c)]) {
            case 1:
                text = clipped(row.name);
                break;
            case 2:
                text = clipped(row.code);
                break;
            case 3:
                text = clipped(row.codes);
                break;
            case 4:
                text = row.sex;
                break;
            default:
                continue;
            }
            cells.append({10 + r, c, text, true});
        }
    }

    const int count = table.entry().valueColumns();
    for (int c = 1; c <= count; ++c) {
        for (int i = 0; i < shown.size(); ++i) {
            const Decimal &v = shown[i].values[size_t(c - 1)];
            if (!v.isZero())
                cells.append({10 + i + 1, c + table.offset, workbookValue(v)});
        }
    }
    return cells;
}

std::array<int, 4> SummaryOutput::workbookFrame(const entry::FormTable &table, int rows)
{
    return {10, 1, rows + 10, table.entry().valueColumns() + table.offset};
}

bool SummaryOutput::exportToExcel(shell::ExcelLauncher &excel,
                                  const entry::FormCatalogue &catalogue,
                                  const entry::FormTable &table,
                                  const QList<SummaryTableRow> &shown, const QString &title,
                                  qint64 formCode)
{
    if (excel.launch(workbookTemplate(table)) == 0)
        return false;
    for (const WorkbookCell &cell : workbookCells(catalogue, table, shown, title, formCode)) {
        if (cell.isText)
            excel.pokeText(cell.row, cell.column, cell.text);
        else
            excel.poke(cell.row, cell.column, cell.text);
    }
    const auto frame = workbookFrame(table, int(shown.size()));
    excel.frame(frame[0], frame[1], frame[2], frame[3]);
    return excel.finish();
}

} // namespace zemor::analysis
