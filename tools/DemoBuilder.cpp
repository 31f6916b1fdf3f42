#include "tools/DemoBuilder.h"

#include "data/DataContext.h"
#include "data/FileManager.h"
#include "data/FileNames.h"
#include "data/records/BolnRecord.h"
#include "data/records/ContrGrRecord.h"
#include "data/records/ContrStrRecord.h"
#include "data/records/ContrTabRecord.h"
#include "data/records/FormaRecord.h"
#include "data/records/GrafaRecord.h"
#include "data/records/NameProgRecord.h"
#include "data/records/OtchetRecord.h"
#include "data/records/RashRecord.h"
#include "data/records/Region1Record.h"
#include "data/records/StrokaRecord.h"
#include "data/records/TablRecord.h"
#include "data/records/User1Record.h"
#include "data/records/ViduchRecord.h"
#include "runtime/core/Prompter.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/TextLineFile.h"
#include "runtime/store/Transaction.h"
#include "tools/DemoCatalogue.h"
#include "tools/DemoCrossSections.h"
#include "tools/DemoForm62.h"
#include "tools/DemoHelp.h"
#include "tools/DemoImportsDbf.h"
#include "tools/DemoImportsXml.h"
#include "tools/DemoIndicators.h"
#include "tools/DemoMap.h"
#include "tools/DemoOutputs.h"
#include "tools/DemoRatings.h"
#include "tools/DemoReports.h"
#include "tools/DemoSummaries.h"
#include "tools/DemoTemplates.h"

#include <QDir>
#include <QScopeGuard>

#include <cstdlib>
#include <functional>

namespace zemor::tools {

using data::DataContext;
using data::FileId;
using data::FileOperation;
using runtime::ErrorCode;
using runtime::fail;
using runtime::Status;
using runtime::store::KeyedFile;

namespace {

// The first failure among the field writes of one record; a record with a failed write is
// reported and not added.
class Steps
{
public:
    void operator()(Status status)
    {
        if (m_status && !status)
            m_status = std::move(status);
    }
    const Status &result() const { return m_status; }

private:
    Status m_status;
};

Status report(DataContext &ctx, FileId id, FileOperation operation, const Status &status)
{
    if (!status)
        ctx.errors().report(operation, data::declaration(id).label, ctx.fileManager(id).path(),
                            status.error());
    return status;
}

Status addRecord(DataContext &ctx, FileId id, Steps &steps)
{
    if (!steps.result())
        return report(ctx, id, FileOperation::Add, steps.result());
    return report(ctx, id, FileOperation::Add, ctx.file(id).add());
}

// Adds the records that `write` produces in one transaction of the file; a failure rolls the
// file back to what it was.
Status inTransaction(DataContext &ctx, FileId id, const std::function<Status()> &write)
{
    auto transaction = runtime::store::Transaction::begin(ctx.file(id));
    if (!transaction)
        return report(ctx, id, FileOperation::Open, Status(std::unexpected(transaction.error())));
    if (Status written = write(); !written)
        return written; // rolled back by the guard
    return report(ctx, id, FileOperation::Add, transaction->commit());
}

// Opens a file through its relation manager for the time of `write`.
Status withOpen(DataContext &ctx, FileId id, const std::function<Status()> &write)
{
    if (Status opened = ctx.open(id); !opened)
        return opened;
    const auto closing = qScopeGuard([&] { ctx.close(id); });
    return write ? write() : Status{};
}

// Text files of the program are Windows-1251 with CRLF line ends; each is written whole or not.
QString number(qint64 value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// --- the working directory's reference files

Status writeReference(DataContext &ctx)
{
    const DemoReference &ref = demoReference();
    // boln opens its group: viduch and region1 with it.
    return withOpen(ctx, FileId::boln, [&]() -> Status {
        Status kinds = inTransaction(ctx, FileId::viduch, [&]() -> Status {
            for (const DemoKind &kind : ref.kinds) {
                data::ViduchRecord r(ctx.record(FileId::viduch));
                r.clear();
                Steps steps;
                steps(r.setCodVid(kind.code));
                r.setNameUch(kind.name);
                if (Status s = addRecord(ctx, FileId::viduch, steps); !s)
                    return s;
            }
            return {};
        });
        if (!kinds)
            return kinds;
        Status districts = inTransaction(ctx, FileId::region1, [&]() -> Status {
            for (const DemoDistrict &district : ref.districts) {
                data::Region1Record r(ctx.record(FileId::region1));
                r.clear();
                Steps steps;
                steps(r.setCodReg(district.code));
                r.setName(district.name);
                if (Status s = addRecord(ctx, FileId::region1, steps); !s)
                    return s;
            }
            return {};
        });
        if (!districts)
            return districts;
        return inTransaction(ctx, FileId::boln, [&]() -> Status {
            for (const DemoInstitution &inst : ref.institutions) {
                data::BolnRecord r(ctx.record(FileId::boln));
                r.clear();
                Steps steps;
                r.setUnicod(inst.code);
                steps(r.setCodReg(inst.district));
                steps(r.setVid(inst.kind));
                r.setNazv(inst.name);
                r.setSel(std::uint8_t(inst.settlement));
                steps(r.setSubVid(inst.level));
                r.setSYear(qint16(inst.openedYear));
                r.setEYear(qint16(inst.closedYear));
                // Characters 3 to 7 name the institution a unit belongs to.
                if (inst.parent != 0)
                    r.setS(QStringLiteral("  %1").arg(inst.parent, 5));
                if (Status s = addRecord(ctx, FileId::boln, steps); !s)
                    return s;
            }
            return {};
        });
    });
}

Status writeInstallation(DataContext &ctx)
{
    const DemoReference &ref = demoReference();
    Status settings = withOpen(ctx, FileId::USER1, [&]() -> Status {
        data::User1Record r(ctx.record(FileId::USER1));
        r.clear();
        Steps steps;
        r.setNameObl(ref.installation.name);
        r.setTipUser(std::uint8_t(ref.installation.userType));
        steps(r.setCodReg(ref.installation.district));
        r.setKodUser(ref.installation.ownCode);
        r.setTemp(ref.installation.workFolder);
        r.setOffice(ref.installation.officeFolder);
        r.setS1(ref.installation.exportPath);
        r.setS2(ref.installation.importPath);
        return addRecord(ctx, FileId::USER1, steps);
    });
    if (!settings)
        return settings;
    Status title = withOpen(ctx, FileId::NameProg, [&]() -> Status {
        data::NameProgRecord r(ctx.record(FileId::NameProg));
        r.clear();
        r.setProga(ref.title);
        r.setMail(ref.mail);
        r.setMailTar(ref.mailTarg);
        r.setMailSar(ref.mailSarv);
        Steps steps;
        return addRecord(ctx, FileId::NameProg, steps);
    });
    if (!title)
        return title;
    // The other files of the working directory start empty; opening makes them.
    for (FileId id :
         {FileId::WWOD, FileId::spravoh, FileId::NABOR, FileId::RASRES, FileId::RASRESN}) {
        if (Status made = withOpen(ctx, id, {}); !made)
            return made;
    }
    return {};
}

// --- one year's catalogue

Status writeCatalogue(DataContext &ctx)
{
    const DemoCatalogue &cat = demoCatalogue();
    Status forms = inTransaction(ctx, FileId::forma, [&]() -> Status {
        for (const DemoForm &form : cat.forms) {
            data::FormaRecord r(ctx.record(FileId::forma));
            r.clear();
            Steps steps;
            steps(r.setUnicod(form.code));
            r.setName(form.name);
            r.setCod(form.designation);
            r.setTip(std::uint8_t(form.periodicity));
            r.setVkl(form.switchedOff ? 1 : 0);
            if (Status s = addRecord(ctx, FileId::forma, steps); !s)
                return s;
        }
        return {};
    });
    if (!forms)
        return forms;

    Status tables = inTransaction(ctx, FileId::tabl, [&]() -> Status {
        int unicodT = 0;
        for (const DemoForm &form : cat.forms) {
            for (const DemoTable &table : form.tables) {
                data::TablRecord r(ctx.record(FileId::tabl));
                r.clear();
                Steps steps;
                r.setUnicodT(++unicodT);
                steps(r.setCodForm(form.code));
                steps(r.setCodTabl(table.code));
                r.setName(table.name);
                r.setNameL(table.shortName);
                steps(r.setSm(table.offset));
                steps(r.setA(table.valueCount()));
                if (Status s = addRecord(ctx, FileId::tabl, steps); !s)
                    return s;
            }
        }
        return {};
    });
    if (!tables)
        return tables;

    Status rows = inTransaction(ctx, FileId::stroka, [&]() -> Status {
        for (const DemoForm &form : cat.forms) {
            for (const DemoTable &table : form.tables) {
                for (int i = 0; i < table.rows.size(); ++i) {
                    const DemoRow &row = table.rows[i];
                    data::StrokaRecord r(ctx.record(FileId::stroka));
                    r.clear();
                    Steps steps;
                    r.setUnicod(qint16(row.id));
                    steps(r.setCodForm(form.code));
                    steps(r.setCodTabl(table.code));
                    r.setNumber(std::uint8_t(i + 1));
                    r.setCodStr(row.code);
                    r.setCodMkb(row.diseaseCodes);
                    r.setName(row.name);
                    r.setNameL(row.shortName);
                    r.setPol(row.sexMark);
                    r.setCodNas(std::uint8_t(row.populationColumn));
                    if (Status s = addRecord(ctx, FileId::stroka, steps); !s)
                        return s;
                }
            }
        }
        return {};
    });
    if (!rows)
        return rows;

    return inTransaction(ctx, FileId::grafa, [&]() -> Status {
        for (const DemoForm &form : cat.forms) {
            for (const DemoTable &table : form.tables) {
                for (const DemoColumn &column : table.columns) {
                    data::GrafaRecord r(ctx.record(FileId::grafa));
                    r.clear();
                    Steps steps;
                    steps(r.setCodForm(form.code));
                    steps(r.setCodTabl(table.code));
                    r.setCod(std::uint8_t(column.number));
                    r.setName(column.name);
                    r.setNameL(column.shortName);
                    r.setFormat(column.picture);
                    r.setVid(std::uint8_t(column.kind));
                    if (Status s = addRecord(ctx, FileId::grafa, steps); !s)
                        return s;
                }
            }
        }
        return {};
    });
}

Status writeColumnRulesAndCalculations(DataContext &ctx)
{
    const DemoCatalogue &cat = demoCatalogue();
    Status columnRules = inTransaction(ctx, FileId::ContrGr, [&]() -> Status {
        for (const DemoColumnRule &rule : cat.columnRules) {
            data::ContrGrRecord r(ctx.record(FileId::ContrGr));
            r.clear();
            Steps steps;
            r.setUnicod(rule.id);
            steps(r.setCodForm(rule.form));
            steps(r.setCodTabl(rule.table));
            r.setCodStr(rule.rowCode);
            r.setUnicodStr(qint16(rule.rowId));
            r.setS(std::uint8_t(rule.left));
            r.setSnak(std::uint8_t(rule.relation));
            for (int k = 0; k < rule.terms.size(); ++k)
                steps(r.setS1(k + 1, qint16(rule.terms[k])));
            r.setPrim(rule.note);
            if (Status s = addRecord(ctx, FileId::ContrGr, steps); !s)
                return s;
        }
        return {};
    });
    if (!columnRules)
        return columnRules;

    // The keyed calculation records say what "Rash.txt" says: kind 1 computes a value number
    // from value numbers, kind 2 a row position from row positions.
    return inTransaction(ctx, FileId::Rash, [&]() -> Status {
        int id = 0;
        for (const DemoCalculation &calc : cat.calculations) {
            const DemoForm *form = cat.form(calc.form);
            const DemoTable *table = form ? form->table(calc.table) : nullptr;
            const DemoColumnRule *columnRule =
                calc.kind == 'g' ? cat.columnRule(calc.ruleId) : nullptr;
            const DemoRowRule *rowRule = calc.kind == 's' ? cat.rowRule(calc.ruleId) : nullptr;
            if (!table || (!columnRule && !rowRule))
                return report(ctx, FileId::Rash, FileOperation::Add,
                              fail(ErrorCode::InvalidData, QStringLiteral("Rash.txt"),
                                   QStringLiteral("calculation %1 %2 %3%4 names no table or "
                                                  "rule of the catalogue")
                                       .arg(calc.form)
                                       .arg(calc.table)
                                       .arg(QLatin1Char(calc.kind))
                                       .arg(calc.ruleId)));
            data::RashRecord r(ctx.record(FileId::Rash));
            r.clear();
            Steps steps;
            r.setId(++id);
            steps(r.setCodForm(calc.form));
            steps(r.setCodTab(calc.table));
            if (columnRule) {
                const DemoColumnRule *rule = columnRule;
                r.setTipRash(1);
                r.setGs(qint16(rule->left - table->offset));
                for (int k = 0; k < rule->terms.size(); ++k) {
                    const int t = rule->terms[k];
                    const int value = std::abs(t) - table->offset;
                    steps(r.setGs1(k + 1, t < 0 ? -value : value));
                }
            } else {
                const DemoRowRule *rule = rowRule;
                r.setTipRash(2);
                r.setGs(qint16(table->position(rule->leftRow)));
                for (int k = 0; k < rule->terms.size(); ++k) {
                    const int t = rule->terms[k];
                    const int position = table->position(std::abs(t));
                    steps(r.setGs1(k + 1, t < 0 ? -position : position));
                }
            }
            if (Status s = addRecord(ctx, FileId::Rash, steps); !s)
                return s;
        }
        return {};
    });
}

Status writeRowRules(DataContext &ctx)
{
    const DemoCatalogue &cat = demoCatalogue();
    return inTransaction(ctx, FileId::ContrStr, [&]() -> Status {
        for (const DemoRowRule &rule : cat.rowRules) {
            data::ContrStrRecord r(ctx.record(FileId::ContrStr));
            r.clear();
            Steps steps;
            steps(r.setUnicod(rule.id));
            steps(r.setCodForm(rule.form));
            r.setCodGr(std::uint8_t(rule.column));
            r.setUnicodStr(qint16(rule.leftRow));
            r.setSnak(std::uint8_t(rule.relation));
            for (int k = 0; k < rule.terms.size(); ++k)
                steps(r.setS1(k + 1, qint16(rule.terms[k])));
            if (Status s = addRecord(ctx, FileId::ContrStr, steps); !s)
                return s;
        }
        return {};
    });
}

Status writeInterFormRules(DataContext &ctx)
{
    return inTransaction(ctx, FileId::ContrStr, [&]() -> Status {
        for (const DemoInterFormRule &rule : demoCatalogue().interFormRules) {
            data::ContrStrRecord r(ctx.record(FileId::ContrStr));
            r.clear();
            Steps steps;
            steps(r.setUnicod(rule.id));
            r.setSnak(std::uint8_t(rule.relation));
            int n = 0;
            for (const auto &triple : rule.triples) {
                for (int part : triple)
                    steps(r.setS1(++n, qint16(part)));
            }
            if (Status s = addRecord(ctx, FileId::ContrStr, steps); !s)
                return s;
        }
        return {};
    });
}

Status writeTableRules(DataContext &ctx)
{
    return inTransaction(ctx, FileId::ContrTab, [&]() -> Status {
        for (const DemoTableRule &rule : demoCatalogue().tableRules) {
            data::ContrTabRecord r(ctx.record(FileId::ContrTab));
            r.clear();
            Steps steps;
            steps(r.setUnicod(rule.id));
            steps(r.setCodForm(rule.form));
            r.setUnicodStr(qint16(rule.leftRow));
            r.setCodGr(std::uint8_t(rule.leftColumn));
            r.setSnak(std::uint8_t(rule.relation));
            for (int k = 0; k < rule.terms.size(); ++k) {
                steps(r.setUs1(k + 1, qint16(rule.terms[k].first)));
                steps(r.setCodGrS1(k + 1, std::uint8_t(rule.terms[k].second)));
            }
            if (Status s = addRecord(ctx, FileId::ContrTab, steps); !s)
                return s;
        }
        return {};
    });
}

Status writeReports(DataContext &ctx, const QList<DemoReport> &reports)
{
    return inTransaction(ctx, FileId::otchet, [&]() -> Status {
        for (const DemoReport &report : reports) {
            for (const DemoRowValues &row : report.rows) {
                data::OtchetRecord r(ctx.record(FileId::otchet));
                r.clear();
                Steps steps;
                r.setCodReg(std::uint8_t(report.district));
                r.setCodUch(report.institution);
                steps(r.setCodTab(row.table));
                r.setMes(report.period);
                r.setTip(std::uint8_t(report.periodicity));
                r.setUnicodStr(qint16(row.rowId));
                for (int n = 1; n <= 35; ++n) {
                    if (row.value(n) != 0)
                        steps(r.setData(n, runtime::Decimal::fromUnits(row.value(n), 3)));
                }
                if (Status s = addRecord(ctx, FileId::otchet, steps); !s)
                    return s;
            }
        }
        return {};
    });
}

Status writeYearTexts(const QString &yearDir)
{
    const DemoCatalogue &cat = demoCatalogue();
    // Form code in characters 1-4, the deadline from character 5 on.
    QStringList deadlines;
    for (const DemoForm &form : cat.forms)
        deadlines.append(number(form.code, 4) + form.deadline);
    if (Status s = runtime::store::TextLineFile::writeTextLines(
            QDir(yearDir).filePath(QStringLiteral("sroki.txt")), deadlines);
        !s)
        return s;

    // Form code in 1-4, table code in 6-10, the rule's kind in 12 and its id in 13-17.
    QStringList calculations;
    for (const DemoCalculation &calc : cat.calculations) {
        calculations.append(number(calc.form, 4) + u' ' + number(calc.table, 5) + u' ' +
                            QLatin1Char(calc.kind) + number(calc.ruleId, 5));
    }
    return runtime::store::TextLineFile::writeTextLines(
        QDir(yearDir).filePath(QStringLiteral("Rash.txt")), calculations);
}

Status writeYear(DataContext &ctx, const QString &root, int year)
{
    const QString yearDir = QDir(root).filePath(QString::number(year));
    if (Status made = runtime::fs::makeDir(yearDir); !made)
        return made;

    data::FileNames &names = ctx.names();
    names.setYearFileNames(year);
    names.setSapkiFileName(QStringLiteral("%1\\Sapki.tps").arg(year));

    // forma opens its whole group: tabl, stroka, grafa, Rash, ContrGr, indik and Pokas.
    Status catalogue = withOpen(ctx, FileId::forma, [&]() -> Status {
        if (Status s = writeCatalogue(ctx); !s)
            return s;
        return writeColumnRulesAndCalculations(ctx);
    });
    if (!catalogue)
        return catalogue;
    if (Status s = withOpen(ctx, FileId::ContrStr, [&] { return writeRowRules(ctx); }); !s)
        return s;
    if (Status s = withOpen(ctx, FileId::ContrTab, [&] { return writeTableRules(ctx); }); !s)
        return s;

    // The inter-form formulas are read through the row-rule file under the name of their own
    // file.
    names.setContrStrFileName(data::FileNames::workDirPrefix() +
                              QStringLiteral("\\%1\\ContrMF.dat").arg(year));
    Status interForm = withOpen(ctx, FileId::ContrStr, [&] { return writeInterFormRules(ctx); });
    names.setYearFileNames(year);
    if (!interForm)
        return interForm;

    if (Status s = withOpen(ctx, FileId::Sapki, {}); !s)
        return s;

    const QList<DemoReport> reports = demoReports(year);
    for (const DemoForm &form : demoCatalogue().forms) {
        QList<DemoReport> ofForm;
        for (const DemoReport &report : reports) {
            if (report.form == form.code)
                ofForm.append(report);
        }
        names.setOtchetFileName(year, form.code);
        if (Status s = withOpen(ctx, FileId::otchet, [&] { return writeReports(ctx, ofForm); }); !s)
            return s;
    }
    return writeYearTexts(yearDir);
}

Status writeWorkTexts(const QString &root)
{
    // Two lines per formula: the code in characters 1-3 and the name, then the formula as text.
    QStringList formulas;
    for (const DemoInterFormRule &rule : demoCatalogue().interFormRules) {
        formulas.append(number(rule.id, 3) + rule.name);
        formulas.append(rule.text);
    }
    return runtime::store::TextLineFile::writeTextLines(
        QDir(root).filePath(QStringLiteral("SpisMF.TXT")), formulas);
}

// Makes `dir` the working directory of runtime/fs while the builder runs.
class WorkDirScope
{
public:
    explicit WorkDirScope(const QString &dir) : m_previous(runtime::fs::workDir())
    {
        runtime::fs::setWorkDir(dir);
    }
    ~WorkDirScope() { runtime::fs::setWorkDir(m_previous); }
    WorkDirScope(const WorkDirScope &) = delete;
    WorkDirScope &operator=(const WorkDirScope &) = delete;

private:
    QString m_previous;
};

} // namespace

Status DemoBuilder::build(const QString &directory)
{
    const QString root = QDir(directory).absolutePath();
    const auto present = runtime::fs::entryNames(root);
    if (present && !present->isEmpty())
        return fail(ErrorCode::AlreadyExists, root,
                    QStringLiteral("%1 is not empty; the demo is written only into a new "
                                   "directory")
                        .arg(root));
    if (Status made = runtime::fs::makeDir(root); !made)
        return made;

    const WorkDirScope scope(root);
    DataContext ctx(m_prompter);
    ctx.errors().setProcedureName(QStringLiteral("zemor_demo"));

    if (Status s = writeReference(ctx); !s)
        return s;
    if (Status s = writeInstallation(ctx); !s)
        return s;
    for (int year : demoYears()) {
        if (Status s = writeYear(ctx, root, year); !s)
            return s;
    }
    if (Status s = DemoSummaries::write(root); !s)
        return s;
    if (Status s = DemoCrossSections::write(root); !s)
        return s;
    if (Status s = writeWorkTexts(root); !s)
        return s;
    if (Status s = DemoHelp::write(root); !s)
        return s;
    if (Status s = DemoMap::write(root); !s)
        return s;
    for (const QString &folder : {QStringLiteral("export"), QStringLiteral("import"),
                                  QStringLiteral("impfile"), QStringLiteral("temp1")}) {
        if (Status s = runtime::fs::makeDir(QDir(root).filePath(folder)); !s)
            return s;
    }
    if (Status s = DemoForm62::writeCsvSamples(root); !s)
        return s;
    if (Status s = DemoImportsXml::write(root); !s)
        return s;
    if (Status s = DemoTemplates::write(QDir(root).filePath(QStringLiteral("XLS"))); !s)
        return s;
    if (Status s = DemoImportsDbf::write(root); !s)
        return s;
    if (Status s = DemoIndicators::write(root); !s)
        return s;
    if (Status s = DemoRatings::write(root); !s)
        return s;
    return DemoOutputs::write(root, m_prompter);
}

} // namespace zemor::tools
