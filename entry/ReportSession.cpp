#include "entry/ReportSession.h"

#include "data/DataContext.h"
#include "entry/ControlRuleLoader.h"
#include "entry/ReportControlCheck.h"
#include "entry/ReportReader.h"
#include "runtime/core/Prompter.h"

#include <algorithm>

namespace zemor::entry {

using data::FileId;
using runtime::Decimal;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;

namespace {

const QString markerInUseText =
    QStringLiteral("Если был сбой-зайдите в меню \"Помощь\" и восстановите все ключи|Если Вы "
                   "уверены, |что oтчет не занят другим пользователем нажмите продолжить.");
const QString markerInUseButtons = QStringLiteral("&Выход|&Продолжить");
const QString noRowsText = QStringLiteral("В таблице нет строк обратитесь к разработчику");
const QString saveOnExitText = QStringLiteral("СОХРАНИТЬ  ОТЧЕТ ?");
const QString yesNoButtons = QStringLiteral("&Да|&Нет");

bool allZero(const std::array<Decimal, valueCount> &values)
{
    return std::all_of(values.begin(), values.end(), [](const Decimal &v) { return v.isZero(); });
}

// Where a form's carry-over takes its balances from: the previous period's values n .. n + 2.
int carryOverSource(qint64 form)
{
    if (form == 342)
        return 4;
    if (form == 117 || form == 124)
        return 13;
    return 0;
}

runtime::Error notOpen(const char *where)
{
    return runtime::Error{ErrorCode::InvalidArgument, QStringLiteral("Отчет не открыт"),
                          QString::fromLatin1(where)};
}

} // namespace

ReportSession::ReportSession(data::DataContext &context, runtime::Prompter *prompter)
    : m_context(context), m_prompter(prompter)
{
}

ReportSession::~ReportSession()
{
    if (m_marker && m_marker->held())
        (void)m_marker->release();
}

int ReportSession::ask(const QString &text, const QString &buttons)
{
    return m_prompter ? m_prompter->message(text, {}, buttons, runtime::MessageIcon::Question) : 1;
}

void ReportSession::tell(const QString &text)
{
    if (m_prompter)
        m_prompter->message(text);
}

void ReportSession::reportFailure(const QString &what, const runtime::Error &error)
{
    QString text = what + u'|' + error.message;
    if (!error.where.isEmpty())
        text += u'|' + error.where;
    if (m_prompter)
        m_prompter->message(text, {}, {}, runtime::MessageIcon::Error);
}

Result<ReportSession::Opening> ReportSession::open(const ReportIdentity &identity)
{
    if (m_marker && m_marker->held())
        (void)m_marker->release();
    freeQueues();
    m_id = identity;
    m_marker = std::make_unique<ReportMarker>(m_context, m_id.year, m_id.institution, m_id.form);
    const auto locked = relock();
    if (!locked || *locked == Opening::Refused)
        return locked;
    Status loaded = loadTables();
    if (loaded)
        loaded = loadRules();
    if (loaded)
        loaded = loadWholeReport();
    if (!loaded) {
        (void)m_marker->release();
        freeQueues();
        return std::unexpected(loaded.error());
    }
    m_open = true;
    return Opening::Opened;
}

Status ReportSession::leave()
{
    if (m_open && m_modified && ask(saveOnExitText, yesNoButtons) == 1) {
        if (auto saved = saveReport(); !saved)
            return std::unexpected(saved.error());
    }
    return close();
}

Status ReportSession::releaseMarker()
{
    return m_marker ? m_marker->release() : Status();
}

Result<ReportSession::Opening> ReportSession::relock()
{
    if (!m_marker)
        return runtime::fail(ErrorCode::InvalidArgument, QStringLiteral("relock"));
    if (m_marker->held())
        return Opening::Opened;
    const auto taken = m_marker->take();
    if (!taken)
        return std::unexpected(taken.error());
    if (*taken == ReportMarker::Take::InUse) {
        if (ask(markerInUseText, markerInUseButtons) != 2)
            return Opening::Refused;
        m_marker->adopt();
    }
    return Opening::Opened;
}

Status ReportSession::close()
{
    Status released;
    if (m_marker)
        released = m_marker->release();
    freeQueues();
    m_open = false;
    return released;
}

void ReportSession::freeQueues()
{
    m_form = FormCatalogue();
    m_rules = FormRules();
    m_resolved = ResolvedRules();
    m_calculations = FormCalculations();
    m_report.clear();
    m_reportErrors.clear();
    m_modified = false;
    m_storedEmpty = false;
    m_current = 0;
    m_rows.clear();
    m_texts.clear();
    m_columnRules.clear();
    m_calcRules.clear();
    m_columns.clear(0, 0);
    m_hasCodes = false;
    m_writtenBack = 0;
}

Status ReportSession::loadTables()
{
    auto form = FormCatalogue::read(m_context, m_id.year, m_id.form);
    if (!form)
        return std::unexpected(form.error());
    m_form = std::move(*form);
    if (m_form.tables().isEmpty()) {
        const QString text = QStringLiteral("Нет таблиц формы %1").arg(m_id.form);
        return runtime::fail(ErrorCode::RecordNotFound, m_context.names().tablFileName(), text);
    }
    m_current = 0;
    return {};
}

Status ReportSession::loadRules()
{
    ControlRuleLoader loader(m_context, m_id.year);
    auto rules = loader.rules(m_id.form);
    if (!rules)
        return std::unexpected(rules.error());
    auto calculations = TableCalculations::readForm(m_context, m_id.year, m_id.form);
    if (!calculations)
        return std::unexpected(calculations.error());
    m_rules = std::move(*rules);
    m_resolved = ResolvedRules::resolve(m_form, m_rules);
    m_calculations = std::move(*calculations);
    return {};
}

Status ReportSession::loadWholeReport()
{
    auto rows = ReportReader(m_context).report(m_id.year, m_id.form, m_id.period, m_id.institution);
    if (!rows)
        return std::unexpected(rows.error());
    m_report = std::move(*rows);
    m_storedEmpty = !m_report.isEmpty() && !hasData();
    std::stable_sort(m_report.begin(), m_report.end(),
                     [](const ReportRow &a, const ReportRow &b) { return a.rowId < b.rowId; });
    m_reportErrors.clear();
    return loadTable();
}

int ReportSession::reportIndex(int rowId) const
{
    const auto it = std::lower_bound(m_report.begin(), m_report.end(), rowId,
                                     [](const ReportRow &r, int id) { return r.rowId < id; });
    return it != m_report.end() && it->rowId == rowId ? int(it - m_report.begin()) : -1;
}

Status ReportSession::loadTable()
{
    const FormTable &table = currentTable();
    const TableEntry entry = table.entry();

    m_calcRules = TableCalculations::resolve(m_calculations, m_id.form, entry,
                                             m_form.rowCatalogue(), m_prompter);

    m_rows.clear();
    m_texts.clear();
    m_hasCodes = false;
    m_writtenBack = 0;
    m_columns.clear(table.offset, table.columns);

    QSet<int> computedRows;
    for (const CalcRule &rule : m_calcRules) {
        if (rule.kind == CalcRule::Row && rule.target > 0)
            computedRows.insert(rule.target);
    }

    for (const FormRow &r : m_form.rows(table.code)) {
        EntryRow row;
        row.rowId = r.id;
        row.code = r.code.left(9);
        row.number = r.number;
        EntryRowText text;
        text.name = r.name.left(200);
        text.shortName = r.shortName.left(30);
        if (!r.codes.trimmed().isEmpty())
            m_hasCodes = true;
        text.sexCodes = (r.sex.trimmed() + r.codes).left(30);
        if (computedRows.contains(row.number))
            text.sexCodes = (u'*' + text.sexCodes).left(30);
        m_rows.append(row);
        m_texts.append(text);
    }

    // The stored values of the rows; a stored row of another table now belongs to this one.
    for (EntryRow &row : m_rows) {
        const int i = reportIndex(row.rowId);
        if (i < 0)
            continue;
        row.values = m_report[i].values;
        row.error = m_reportErrors.value(row.rowId);
        m_report[i].table = table.code;
    }

    if (m_rows.isEmpty()) {
        tell(noRowsText);
        return {};
    }

    // Rows in position order (the file's key order already, kept stable for equal numbers).
    QList<int> order(m_rows.size());
    for (int i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return m_rows[a].number < m_rows[b].number; });
    QList<EntryRow> rows;
    QList<EntryRowText> texts;
    for (int i : order) {
        rows.append(m_rows[i]);
        texts.append(m_texts[i]);
    }
    m_rows = std::move(rows);
    m_texts = std::move(texts);

    for (const FormColumn &c : m_form.columns(table.code)) {
        if (c.storedColumn <= m_columns.offset())
            continue;
        if (c.storedColumn > m_columns.offset() + m_columns.count())
            break;
        m_columns.place(c.storedColumn, c.name.left(100), c.shortName, c.picture.left(10));
    }

    m_columnRules.clear();
    for (const ColumnRule &rule : m_rules.columnRules) {
        if (rule.table == table.code)
            m_columnRules.append(rule);
    }

    if (m_report.isEmpty() && hasCalculations())
        m_controlOff = true;
    for (int i = 0; i < m_rows.size(); ++i) {
        const RowOnlineCheck::Outcome outcome = checkRow(i, true);
        if (outcome.switchControlOn)
            m_controlOff = false;
    }
    return {};
}

QString ReportSession::listFormat() const
{
    return m_columns.listFormat(m_hasCodes, computedColumns());
}

QSet<int> ReportSession::computedColumns() const
{
    QSet<int> columns;
    for (const CalcRule &rule : m_calcRules) {
        if (rule.kind == CalcRule::Column && rule.target >= 1 && rule.target <= valueCount)
            columns.insert(rule.target);
    }
    return columns;
}

bool ReportSession::isComputedRow(int index) const
{
    if (index < 0 || index >= m_rows.size())
        return false;
    for (const CalcRule &rule : m_calcRules) {
        if (rule.kind == CalcRule::Row && rule.target == m_rows[index].number)
            return true;
    }
    return false;
}

int ReportSession::findRowByCode(const QString &code) const
{
    const QString wanted = code.trimmed();
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].code.trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

Status ReportSession::stepToTable(int index)
{
    if (!m_open)
        return std::unexpected(notOpen("stepToTable"));
    if (index < 0 || index >= m_form.tables().size())
        return runtime::fail(ErrorCode::InvalidArgument, QStringLiteral("stepToTable"));
    syncReportQueue();
    m_current = index;
    return loadTable();
}

Status ReportSession::chooseTable(qint64 code)
{
    for (int i = 0; i < m_form.tables().size(); ++i) {
        if (m_form.tables()[i].code == code)
            return stepToTable(i);
    }
    return runtime::fail(ErrorCode::RecordNotFound, QStringLiteral("tabl"),
                         QStringLiteral("Нет таблицы %1").arg(code));
}

void ReportSession::putRow(int index, const EntryRow &row)
{
    if (index < 0 || index >= m_rows.size())
        return;
    m_rows[index].values = row.values;
    m_rows[index].error = row.error;
    ++m_writtenBack;
}

void ReportSession::storeValue(int index, int valueNumber, const Decimal &value)
{
    if (index < 0 || index >= m_rows.size() || valueNumber < 1 || valueNumber > valueCount)
        return;
    m_rows[index].values[size_t(valueNumber - 1)] = value;
    m_modified = true;
}

void ReportSession::rowFormClosed()
{
    if (m_writtenBack > 0)
        syncReportQueue();
}

RowOnlineCheck::Outcome ReportSession::checkRow(int index, bool silent)
{
    if (index < 0 || index >= m_rows.size())
        return {};
    return RowOnlineCheck::check(m_rows[index], m_columnRules, currentTable().entry(), silent,
                                 silent ? nullptr : m_prompter);
}

Status ReportSession::calculateTotals()
{
    if (!m_open)
        return std::unexpected(notOpen("calculateTotals"));
    const Status s =
        TableCalculations::calculateTotals(m_calcRules, m_rows, currentTable().entry());
    // The totals reach the whole report at once (and mark it modified), so that a check, an
    // empty save's question or a change of table sees them like any row stored.
    syncReportQueue();
    if (!s)
        reportFailure(QStringLiteral("Расчет таблицы не выполнен полностью"), s.error());
    return s;
}

Result<QList<ControlFailure>> ReportSession::checkReport()
{
    if (!m_open)
        return std::unexpected(notOpen("checkReport"));
    syncReportQueue();
    ReportControlCheck check(m_prompter);
    return check.check(m_resolved, m_report);
}

bool ReportSession::hasData() const
{
    const auto holds = [](const auto &row) { return !allZero(row.values); };
    return std::any_of(m_report.begin(), m_report.end(), holds) ||
           std::any_of(m_rows.begin(), m_rows.end(), holds);
}

void ReportSession::syncReportQueue()
{
    if (m_form.tables().isEmpty())
        return;
    m_modified = true;
    const qint64 table = currentTable().code;
    for (const EntryRow &row : m_rows) {
        const int i = reportIndex(row.rowId);
        const bool zero = allZero(row.values);
        if (i >= 0) {
            if (zero) {
                m_report.removeAt(i);
                m_reportErrors.remove(row.rowId);
            } else {
                m_report[i].values = row.values;
                m_reportErrors.insert(row.rowId, row.error);
            }
            continue;
        }
        if (zero)
            continue;
        ReportRow added;
        added.rowId = row.rowId;
        added.table = table;
        added.values = row.values;
        const auto at = std::lower_bound(m_report.begin(), m_report.end(), row.rowId,
                                         [](const ReportRow &r, int id) { return r.rowId < id; });
        m_report.insert(at, added);
        m_reportErrors.insert(row.rowId, row.error);
    }
    m_writtenBack = 0;
}

Status ReportSession::saveTable()
{
    if (!m_open)
        return std::unexpected(notOpen("saveTable"));
    ReportStore store(m_context, m_id);
    const Status s = store.saveTable(currentTable().code, m_rows);
    if (!s)
        reportFailure(QStringLiteral("Таблица не записана в базу"), s.error());
    return s;
}

Result<int> ReportSession::saveReport()
{
    if (!m_open)
        return std::unexpected(notOpen("saveReport"));
    if (m_form.tables().size() == 1) {
        if (Status s = saveTable(); !s)
            return std::unexpected(s.error());
        return -1;
    }
    syncReportQueue();
    ReportStore store(m_context, m_id);
    const auto written = store.replace(m_report, m_saveProgress);
    if (!written) {
        reportFailure(QStringLiteral("Отчет не сохранен, в базе остался прежний отчет"),
                      written.error());
        return written;
    }
    // A report stored empty that still holds nothing keeps its empty record (the store puts it
    // back): that is what the file holds, not "0 of 0".
    m_storedEmpty = m_storedEmpty && *written == 0;
    if (m_storedEmpty)
        tell(QStringLiteral("Сохранен пустой отчет"));
    else
        tell(QStringLiteral("Сохранено %1 записей из %2").arg(*written).arg(m_report.size()));
    m_modified = false;
    return written;
}

Status ReportSession::saveEmptyReport()
{
    if (!m_open)
        return std::unexpected(notOpen("saveEmptyReport"));
    if (m_rows.isEmpty())
        return runtime::fail(ErrorCode::InvalidArgument, QStringLiteral("saveEmptyReport"),
                             noRowsText);
    ReportStore store(m_context, m_id);
    const EntryRow &first = m_rows.first();
    const Status s = store.saveEmpty(currentTable().code, first.rowId);
    if (!s) {
        reportFailure(QStringLiteral("Пустой отчет не сохранен, в базе остался прежний отчет"),
                      s.error());
        return s;
    }
    ReportRow empty;
    empty.rowId = first.rowId;
    empty.table = currentTable().code;
    m_report = {empty};
    m_reportErrors.clear();
    m_storedEmpty = true;
    m_modified = false;
    return {};
}

Status ReportSession::deleteReport()
{
    if (!m_open)
        return std::unexpected(notOpen("deleteReport"));
    ReportStore store(m_context, m_id);
    const auto removed = store.remove();
    if (!removed) {
        reportFailure(QStringLiteral("Отчет не удален"), removed.error());
        return std::unexpected(removed.error());
    }
    m_modified = false;
    return close();
}

Status ReportSession::clearTable()
{
    if (!m_open)
        return std::unexpected(notOpen("clearTable"));
    const qint64 table = currentTable().code;
    for (int i = int(m_report.size()) - 1; i >= 0; --i) {
        if (m_report[i].table == table) {
            m_reportErrors.remove(m_report[i].rowId);
            m_report.removeAt(i);
        }
    }
    // Clearing changes the report: closing must offer to save it.
    m_modified = true;
    return loadTable();
}

bool ReportSession::carryOverAvailable() const
{
    return carryOverSource(m_id.form) > 0 && m_id.period > 1;
}

Status ReportSession::carryOverBalances()
{
    if (!m_open)
        return std::unexpected(notOpen("carryOverBalances"));
    const auto previous =
        ReportReader(m_context).report(m_id.year, m_id.form, m_id.period - 1, m_id.institution);
    if (!previous) {
        reportFailure(QStringLiteral("Остатки не перенесены"), previous.error());
        return std::unexpected(previous.error());
    }
    QHash<int, const ReportRow *> byRow;
    for (const ReportRow &r : *previous)
        byRow.insert(r.rowId, &r);
    const int source = carryOverSource(m_id.form);
    for (EntryRow &row : m_rows) {
        const ReportRow *before = byRow.value(row.rowId);
        if (!before) {
            for (int n = 0; n < 3; ++n)
                row.values[size_t(n)] = Decimal();
        } else if (source > 0) {
            for (int n = 0; n < 3; ++n)
                row.values[size_t(n)] = before->value(source + n);
        }
    }
    ++m_writtenBack;
    // Carried balances are changes of the report: closing must offer to save them.
    m_modified = true;
    return {};
}

} // namespace zemor::entry
