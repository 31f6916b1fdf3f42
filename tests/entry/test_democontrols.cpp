// The checks against the demo working directory: rules, rows and tables read from the year's
// files, every sample report checked; the reports spoilt on purpose fail exactly their rule.

#include "data/DataContext.h"
#include "entry/ControlRuleLoader.h"
#include "entry/ReportControlCheck.h"
#include "entry/TableCalculations.h"
#include "runtime/fs/Paths.h"
#include "support/DemoWorkDir.h"
#include "support/ScriptedPrompter.h"
#include "tools/DemoCatalogue.h"
#include "tools/DemoReports.h"

#include <QTemporaryDir>
#include <QTest>

using namespace zemor;
using namespace zemor::entry;
using namespace Qt::StringLiterals;

class TestDemoControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void everyReportOfTheYear();
    void calculationsKeepComputedTotals();

private:
    QTemporaryDir m_dir;
    const int m_year = 2025;
};

void TestDemoControls::initTestCase()
{
    const QString failed = test::buildDemoWorkDir(m_dir);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
}

void TestDemoControls::everyReportOfTheYear()
{
    QHash<QString, QString> expected; // "form/institution/period" -> "ContrGr 2"
    for (const tools::DemoFailure &f : tools::demoFailures()) {
        if (f.year == m_year && !f.rule.startsWith(u"ContrMF"))
            expected.insert(u"%1/%2/%3"_s.arg(f.form).arg(f.institution).arg(f.period), f.rule);
    }

    data::DataContext ctx;
    ControlRuleLoader loader(ctx, m_year);
    test::ScriptedPrompter prompter;
    ReportControlCheck check(&prompter);
    QHash<int, std::tuple<FormRules, RowCatalogue, FormTables>> forms;
    int checked = 0;
    QSet<QString> found;
    for (const tools::DemoReport &report : tools::demoReports(m_year)) {
        if (!forms.contains(report.form)) {
            const auto rules = loader.rules(report.form);
            const auto rows = loader.catalogue(report.form);
            const auto tables = loader.tables(report.form);
            QVERIFY(rules && rows && tables);
            QVERIFY(!tables->isEmpty());
            forms.insert(report.form, {*rules, *rows, *tables});
        }
        const auto &[rules, catalogue, tables] = forms[report.form];
        ReportRows rows;
        for (const tools::DemoRowValues &v : report.rows) {
            ReportRow r;
            r.rowId = v.rowId;
            r.table = v.table;
            for (int n = 1; n <= valueCount; ++n)
                r.values[size_t(n - 1)] = runtime::Decimal::fromUnits(v.value(n), 3);
            rows.append(r);
        }
        const auto failures = check.check(report.form, rows, tables, rules, catalogue);
        QVERIFY(failures);
        ++checked;
        const QString key =
            u"%1/%2/%3"_s.arg(report.form).arg(report.institution).arg(report.period);
        if (!expected.contains(key)) {
            QVERIFY2(failures->isEmpty(),
                     qPrintable(key + u": "_s +
                                (failures->isEmpty() ? QString() : failures->first().text)));
            continue;
        }
        QCOMPARE(failures->size(), 1);
        const ControlFailure &f = failures->first();
        const QString kind = f.kind == RuleKind::Row     ? u"ContrStr"_s
                             : f.kind == RuleKind::Table ? u"ContrTab"_s
                                                         : u"ContrGr"_s;
        QCOMPARE(kind + u' ' + QString::number(f.ruleId), expected.value(key));
        QVERIFY(!f.deviation.isZero());
        found.insert(key);
    }
    QVERIFY(checked > 50);
    QVERIFY(expected.size() >= 4);
    QCOMPARE(found.size(), expected.size());
    QVERIFY2(prompter.messages.isEmpty(), qPrintable(prompter.texts().join(u'\n')));
}

void TestDemoControls::calculationsKeepComputedTotals()
{
    // The sample values were computed by the catalogue's calculations: computing them again
    // changes nothing, and every table of the catalogue with calculations is covered.
    data::DataContext ctx;
    ControlRuleLoader loader(ctx, m_year);
    int used = 0;
    const QList<tools::DemoReport> reports = tools::demoReports(m_year);
    for (const tools::DemoForm &form : tools::demoCatalogue().forms) {
        const auto tables = loader.tables(form.code);
        QVERIFY(tables);
        const tools::DemoReport *sample = nullptr;
        for (const tools::DemoReport &r : reports) {
            if (r.form == form.code) {
                bool spoilt = false;
                for (const tools::DemoFailure &f : tools::demoFailures())
                    spoilt = spoilt || (f.form == r.form && f.institution == r.institution);
                if (!spoilt) {
                    sample = &r;
                    break;
                }
            }
        }
        if (!sample)
            continue;
        for (const TableEntry &table : *tables) {
            auto rules = TableCalculations::loadCalcRules(ctx, m_year, form.code, table);
            QVERIFY(rules);
            if (rules->isEmpty())
                continue;
            ++used;
            const tools::DemoTable *demoTable = form.table(int(table.code));
            QVERIFY(demoTable);
            QList<EntryRow> rows;
            for (int pos = 1; pos <= demoTable->rows.size(); ++pos) {
                EntryRow e;
                e.rowId = demoTable->rows[pos - 1].id;
                e.number = pos;
                for (const tools::DemoRowValues &v : sample->rows) {
                    if (v.rowId == e.rowId) {
                        for (int n = 1; n <= valueCount; ++n)
                            e.values[size_t(n - 1)] = runtime::Decimal::fromUnits(v.value(n), 3);
                    }
                }
                rows.append(e);
            }
            const QList<EntryRow> before = rows;
            QVERIFY(TableCalculations::calculateTotals(*rules, rows, table));
            for (int i = 0; i < rows.size(); ++i)
                QVERIFY2(rows[i].values == before[i].values,
                         qPrintable(u"form %1 table %2 row %3"_s.arg(form.code)
                                        .arg(table.code)
                                        .arg(rows[i].rowId)));
        }
    }
    QVERIFY(used > 0);
}

QTEST_GUILESS_MAIN(TestDemoControls)
#include "test_democontrols.moc"
