#include "entry/ControlRuleLoader.h"

#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/records/ContrGrRecord.h"
#include "data/records/ContrStrRecord.h"
#include "data/records/ContrTabRecord.h"
#include "entry/FormCatalogue.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Scan.h"

#include <limits>

namespace zemor::entry {

using data::FileId;
using data::OpenedFile;
using runtime::Status;

namespace {

// Walks the records of `key` whose first component equals what the buffer holds, calling
// `take` for each.
template <class Take> Status scan(runtime::store::KeyedFile &file, int key, Take take)
{
    return runtime::store::scan(file, key, 1, [&] {
        take();
        return true;
    });
}

ColumnRule columnRuleOf(const data::ContrGrRecord &r)
{
    ColumnRule rule;
    rule.id = r.unicod();
    rule.table = r.codTabl();
    rule.rowCode = r.codStr();
    rule.rowId = r.unicodStr();
    rule.left = r.s();
    rule.relation = r.snak();
    for (int k = 1; k <= data::ContrGrRecord::termCount && r.s1(k) != 0; ++k)
        rule.terms.append(r.s1(k));
    rule.note = r.prim();
    return rule;
}

RowRule rowRuleOf(const data::ContrStrRecord &r)
{
    RowRule rule;
    rule.id = r.unicod();
    rule.column = r.codGr();
    rule.leftRow = r.unicodStr();
    rule.relation = r.snak();
    for (int k = 1; k <= data::ContrStrRecord::termCount && r.s1(k) != 0; ++k)
        rule.terms.append(r.s1(k));
    return rule;
}

} // namespace

runtime::Result<FormRules> ControlRuleLoader::rules(qint64 formCode)
{
    m_context.names().setYearFileNames(m_year);
    FormRules rules;
    if (Status s = readRowRules(formCode, rules.rowRules); !s)
        return std::unexpected(s.error());
    if (Status s = readTableRules(formCode, rules.tableRules); !s)
        return std::unexpected(s.error());
    if (Status s = readColumnRules(formCode, rules.columnRules); !s)
        return std::unexpected(s.error());
    return rules;
}

Status ControlRuleLoader::readRowRules(qint64 formCode, QList<RowRule> &out)
{
    OpenedFile opened(m_context, FileId::ContrStr);
    if (!opened.status())
        return opened.status();
    data::ContrStrRecord r(m_context.record(FileId::ContrStr));
    r.clear();
    if (!r.setCodForm(formCode))
        return {}; // a code the file cannot hold has no rules there
    return scan(m_context.file(FileId::ContrStr), data::ContrStrRecord::KeyCodForm,
                [&] { out.append(rowRuleOf(r)); });
}

Status ControlRuleLoader::readTableRules(qint64 formCode, QList<TableRule> &out)
{
    OpenedFile opened(m_context, FileId::ContrTab);
    if (!opened.status())
        return opened.status();
    data::ContrTabRecord r(m_context.record(FileId::ContrTab));
    r.clear();
    if (!r.setCodForm(formCode))
        return {};
    return scan(m_context.file(FileId::ContrTab), data::ContrTabRecord::KeyCodForm, [&] {
        TableRule rule;
        rule.id = r.unicod();
        rule.leftRow = r.unicodStr();
        rule.leftColumn = r.codGr();
        rule.relation = r.snak();
        for (int k = 1; k <= data::ContrTabRecord::termCount && r.us1(k) != 0; ++k)
            rule.terms.append(TableTerm{r.us1(k), r.codGrS1(k)});
        out.append(rule);
    });
}

Status ControlRuleLoader::readColumnRules(qint64 formCode, QList<ColumnRule> &out)
{
    OpenedFile opened(m_context, FileId::ContrGr);
    if (!opened.status())
        return opened.status();
    data::ContrGrRecord r(m_context.record(FileId::ContrGr));
    r.clear();
    if (!r.setCodForm(formCode))
        return {};
    return scan(m_context.file(FileId::ContrGr), data::ContrGrRecord::KeyCodTab,
                [&] { out.append(columnRuleOf(r)); });
}

runtime::Result<RowCatalogue> ControlRuleLoader::catalogue(qint64 formCode)
{
    const auto form = FormCatalogue::read(m_context, m_year, formCode);
    if (!form)
        return std::unexpected(form.error());
    return form->rowCatalogue();
}

runtime::Result<FormTables> ControlRuleLoader::tables(qint64 formCode)
{
    const auto form = FormCatalogue::read(m_context, m_year, formCode);
    if (!form)
        return std::unexpected(form.error());
    return form->tableEntries();
}

runtime::Result<ResolvedRules> ControlRuleLoader::resolved(const FormCatalogue &form)
{
    const auto read = rules(form.form());
    if (!read)
        return std::unexpected(read.error());
    return ResolvedRules::resolve(form, *read);
}

runtime::Result<std::optional<ColumnRule>> ControlRuleLoader::columnRule(qint64 id)
{
    m_context.names().setYearFileNames(m_year);
    OpenedFile opened(m_context, FileId::ContrGr);
    if (!opened.status())
        return std::unexpected(opened.status().error());
    data::ContrGrRecord r(m_context.record(FileId::ContrGr));
    r.clear();
    if (id < 1 || id > std::numeric_limits<qint32>::max())
        return std::optional<ColumnRule>();
    r.setUnicod(qint32(id));
    const runtime::Result<bool> found =
        runtime::store::find(m_context.file(FileId::ContrGr), data::ContrGrRecord::KeyUnicod);
    if (!found)
        return std::unexpected(found.error());
    if (!*found)
        return std::optional<ColumnRule>();
    return std::optional<ColumnRule>(columnRuleOf(r));
}

runtime::Result<std::optional<RowRule>> ControlRuleLoader::rowRule(qint64 id)
{
    m_context.names().setYearFileNames(m_year);
    OpenedFile opened(m_context, FileId::ContrStr);
    if (!opened.status())
        return std::unexpected(opened.status().error());
    data::ContrStrRecord r(m_context.record(FileId::ContrStr));
    r.clear();
    if (!r.setUnicod(id))
        return std::optional<RowRule>();
    const runtime::Result<bool> found =
        runtime::store::find(m_context.file(FileId::ContrStr), data::ContrStrRecord::KeyUnicod);
    if (!found)
        return std::unexpected(found.error());
    if (!*found)
        return std::optional<RowRule>();
    return std::optional<RowRule>(rowRuleOf(r));
}

} // namespace zemor::entry

namespace zemor::entry {

QString ControlRuleLoader::interFormFileName(int year)
{
    if (year < 0 || year > 9999)
        return {};
    return data::FileNames::workDirPrefix() +
           QStringLiteral("\\%1\\ContrMF.dat").arg(year, 4, 10, QLatin1Char('0'));
}

runtime::Result<std::optional<InterFormRule>> ControlRuleLoader::interFormRule(qint64 code)
{
    m_context.names().setYearFileNames(m_year);
    const QString rowRules = m_context.names().contrStrFileName();
    m_context.names().setContrStrFileName(interFormFileName(m_year));
    struct Restore
    {
        data::DataContext &context;
        QString name;
        ~Restore() { context.names().setContrStrFileName(name); }
    } restore{m_context, rowRules};

    OpenedFile opened(m_context, FileId::ContrStr);
    if (!opened.status())
        return std::unexpected(opened.status().error());
    data::ContrStrRecord r(m_context.record(FileId::ContrStr));
    r.clear();
    if (!r.setUnicod(code))
        return std::optional<InterFormRule>();
    const runtime::Result<bool> found =
        runtime::store::find(m_context.file(FileId::ContrStr), data::ContrStrRecord::KeyUnicod);
    if (!found)
        return std::unexpected(found.error());
    if (!*found)
        return std::optional<InterFormRule>();
    InterFormRule rule;
    rule.id = r.unicod();
    rule.relation = r.snak();
    for (int k = 1; k + 2 <= data::ContrStrRecord::termCount && r.s1(k) != 0; k += 3)
        rule.triples.append({r.s1(k), r.s1(k + 1), r.s1(k + 2)});
    return std::optional<InterFormRule>(rule);
}

} // namespace zemor::entry
