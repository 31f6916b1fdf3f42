// A form's catalogue as FormCatalogue reads it: the tables, rows and columns of every demo form
// of a year; a named copy of the catalogue files; and report entry reading the catalogue, the
// rules and "Rash.txt" once per opening, so that moving between tables reads no file again.

#include "data/DataContext.h"
#include "data/FileNames.h"
#include "entry/FormCatalogue.h"
#include "entry/ReportSession.h"
#include "runtime/fs/Paths.h"
#include "support/ScriptedPrompter.h"
#include "tests/entry/EntryFixture.h"
#include "tools/DemoCatalogue.h"
#include "tools/DemoReports.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace zemor;
using namespace zemor::entry;
using namespace Qt::StringLiterals;

namespace {

using test::demoYear;

QString pathOf(const QString &name)
{
    const auto path = runtime::fs::resolve(name, u".DAT"_s);
    return path ? *path : QString();
}

// The catalogue of `form` as the demo writes it, against what was read.
void compareWithDemo(const FormCatalogue &read, const tools::DemoForm &form, bool withRows)
{
    QCOMPARE(read.form(), qint64(form.code));
    QCOMPARE(read.tables().size(), form.tables.size());
    for (int t = 0; t < form.tables.size(); ++t) {
        const tools::DemoTable &demo = form.tables[t];
        const FormTable &table = read.tables()[t];
        QCOMPARE(table.code, qint64(demo.code)); // in code order
        QCOMPARE(table.offset, demo.offset);
        QCOMPARE(table.columns, demo.valueCount());
        QCOMPARE(read.table(demo.code), &table);

        const QList<FormColumn> columns = read.columns(demo.code);
        QCOMPARE(columns.size(), demo.columns.size());
        for (int c = 0; c < columns.size(); ++c) {
            QCOMPARE(columns[c].storedColumn, demo.columns[c].number);
            QCOMPARE(columns[c].name.trimmed(), demo.columns[c].name);
        }

        const QList<FormRow> rows = read.rows(demo.code);
        QCOMPARE(rows.size(), withRows ? demo.rows.size() : 0);
        for (int r = 0; r < rows.size(); ++r) {
            QCOMPARE(rows[r].id, demo.rows[r].id); // in position order
            QCOMPARE(rows[r].number, r + 1);
            QCOMPARE(rows[r].code.trimmed(), demo.rows[r].code);
            const CatalogueRow *byId = read.rowCatalogue().row(demo.rows[r].id);
            QVERIFY(byId);
            QCOMPARE(byId->table, qint64(demo.code));
        }
    }
    QCOMPARE(read.tableEntries().size(), form.tables.size());
}

} // namespace

class TestFormCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void everyFormOfTheYear();
    void namedCopy();
    void entryReadsTheFormOnce();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFormCatalogue::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    const QString failed = test::buildDemoWorkDir(*m_dir);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
}

void TestFormCatalogue::cleanup()
{
    m_dir.reset();
}

void TestFormCatalogue::everyFormOfTheYear()
{
    data::DataContext ctx;
    for (const tools::DemoForm &form : tools::demoCatalogue().forms) {
        const auto read = FormCatalogue::read(ctx, demoYear, form.code);
        QVERIFY(read);
        compareWithDemo(*read, form, true);
        if (QTest::currentTestFailed())
            return;
    }
    // A form the catalogue does not have is an empty catalogue.
    const auto none = FormCatalogue::read(ctx, demoYear, 4321);
    QVERIFY(none && none->tables().isEmpty() && none->rows(1000).isEmpty());
}

void TestFormCatalogue::namedCopy()
{
    // The copies "TablP.dat" and "GrafaP.dat" of the year's files, and no rows file: the year's
    // own files are gone, so what is read can only come from the copies.
    data::FileNames names;
    names.setYearFileNames(demoYear);
    const QString tabl = pathOf(names.tablFileName());
    const QString grafa = pathOf(names.grafaFileName());
    QVERIFY(!tabl.isEmpty() && !grafa.isEmpty());
    // The demo's own indicator copies make way.
    QFile::remove(runtime::fs::join(runtime::fs::workDir(), u"TablP.dat"_s));
    QFile::remove(runtime::fs::join(runtime::fs::workDir(), u"GrafaP.dat"_s));
    QVERIFY(QFile::rename(tabl, runtime::fs::join(runtime::fs::workDir(), u"TablP.dat"_s)));
    QVERIFY(QFile::rename(grafa, runtime::fs::join(runtime::fs::workDir(), u"GrafaP.dat"_s)));

    data::DataContext ctx;
    const tools::DemoForm &form = tools::demoCatalogue().forms.first();
    const auto read =
        FormCatalogue::read(ctx, CatalogueFiles{u"TablP.dat"_s, {}, u"GrafaP.dat"_s}, form.code);
    QVERIFY(read);
    compareWithDemo(*read, form, false);
    QCOMPARE(ctx.names().tablFileName(), u"TablP.dat"_s);
}

void TestFormCatalogue::entryReadsTheFormOnce()
{
    // A report of a form with several tables and with calculations.
    const tools::DemoCatalogue &catalogue = tools::demoCatalogue();
    const tools::DemoForm *form = nullptr;
    for (const tools::DemoForm &f : catalogue.forms) {
        const bool calculated =
            std::any_of(catalogue.calculations.begin(), catalogue.calculations.end(),
                        [&](const tools::DemoCalculation &c) { return c.form == f.code; });
        if (f.tables.size() > 1 && calculated) {
            form = &f;
            break;
        }
    }
    QVERIFY(form);
    ReportIdentity id;
    for (const tools::DemoReport &r : tools::demoReports(demoYear)) {
        if (r.form == form->code) {
            id = ReportIdentity{r.year, r.form, r.institution, r.district, r.periodicity, r.period};
            break;
        }
    }
    QVERIFY(id.form != 0);

    test::ScriptedPrompter prompter;
    data::DataContext ctx(&prompter);
    ReportSession session(ctx, &prompter);
    QVERIFY(session.open(id));

    // Every catalogue and rule file of the year, and "Rash.txt", disappear.
    data::FileNames names;
    names.setYearFileNames(demoYear);
    for (const QString &name :
         {names.tablFileName(), names.strokaFileName(), names.grafaFileName(),
          names.contrStrFileName(), names.contrGrFileName(), names.contrTabFileName()}) {
        const QString path = pathOf(name);
        QVERIFY2(QFile::remove(path), qPrintable(name));
    }
    QVERIFY(QFile::remove(
        pathOf(data::FileNames::workDirPrefix() + u"\\%1\\Rash.txt"_s.arg(demoYear))));

    for (int t = form->tables.size() - 1; t >= 0; --t) {
        QVERIFY(session.stepToTable(t));
        const tools::DemoTable &demo = form->tables[t];
        QCOMPARE(session.entryRows().size(), demo.rows.size());
        QCOMPARE(session.columns().count(), std::min(demo.valueCount(), valueCount));
        const bool calculated =
            std::any_of(catalogue.calculations.begin(), catalogue.calculations.end(),
                        [&](const tools::DemoCalculation &c) {
                            return c.form == form->code && c.table == demo.code;
                        });
        QCOMPARE(session.hasCalculations(), calculated);
    }
    const auto failures = session.checkReport();
    QVERIFY(failures);
    QVERIFY(prompter.messages.isEmpty());
    QVERIFY(session.close());
}

QTEST_GUILESS_MAIN(TestFormCatalogue)
#include "test_formcatalogue.moc"
