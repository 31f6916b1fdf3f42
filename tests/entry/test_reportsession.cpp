// Report entry without windows, on a fresh demo working directory per test: the report-in-use
// marker, loading a report into the entry queues, saving (whole report, one table, empty
// report), clearing, deleting, carry-over of balances, and a save that fails half-way.

#include "data/DataContext.h"
#include "data/records/GrafaRecord.h"
#include "data/records/OtchetRecord.h"
#include "data/records/StrokaRecord.h"
#include "data/records/TablRecord.h"
#include "entry/ReportSession.h"
#include "entry/ReportStore.h"
#include "runtime/core/Progress.h"
#include "runtime/store/KeyedFile.h"
#include "support/ScriptedPrompter.h"
#include "tests/entry/EntryFixture.h"
#include "tools/DemoCatalogue.h"
#include "tools/DemoReports.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace zemor;
using namespace zemor::entry;
using namespace Qt::StringLiterals;
using runtime::Decimal;

namespace {

using test::demoYear;
using test::markerExists;
using test::stored;

const QString markerText =
    u"Если был сбой-зайдите в меню \"Помощь\" и восстановите все ключи|Если Вы уверены, |что "
    u"oтчет не занят другим пользователем нажмите продолжить."_s;

ReportIdentity identityOf(const tools::DemoReport &r)
{
    return ReportIdentity{r.year, r.form, r.institution, r.district, r.periodicity, r.period};
}

// A stored sample report of the form (not one spoilt on purpose, unless asked for).
tools::DemoReport sampleReport(int form, int institution = 0)
{
    for (const tools::DemoReport &r : tools::demoReports(demoYear)) {
        if (r.form != form || (institution != 0 && r.institution != institution))
            continue;
        bool spoilt = false;
        for (const tools::DemoFailure &f : tools::demoFailures())
            spoilt = spoilt || (f.form == r.form && f.institution == r.institution);
        if (institution != 0 || !spoilt)
            return r;
    }
    return {};
}

// A report nobody has stored: an institution that sends nothing.
ReportIdentity newReport(int form)
{
    const tools::DemoForm *f = tools::demoCatalogue().form(form);
    for (const tools::DemoInstitution &inst : tools::demoReference().institutions) {
        if (inst.worksIn(demoYear) && !tools::demoReportsFrom(inst.code, demoYear))
            return ReportIdentity{demoYear,      form,           inst.code,
                                  inst.district, f->periodicity, f->periodicity == 0 ? 0 : 1};
    }
    return {};
}

Decimal units(qint64 thousandths)
{
    return Decimal::fromUnits(thousandths, 3);
}

Decimal dec(const char *text)
{
    return *Decimal::fromString(QString::fromLatin1(text));
}

const ReportRow *findRow(const ReportRows &rows, int rowId)
{
    for (const ReportRow &r : rows) {
        if (r.rowId == rowId)
            return &r;
    }
    return nullptr;
}

bool same(const ReportRows &a, const ReportRows &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a[i].rowId != b[i].rowId || a[i].table != b[i].table || a[i].values != b[i].values)
            return false;
    }
    return true;
}

} // namespace

class TestReportSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void markerTakenAndReleasedByItsOwner_data();
    void markerTakenAndReleasedByItsOwner();
    void cancelledChangeKeepsReport();
    void loadFillsEntryQueues();
    void columnsFollowTheirNumbers();
    void failingRowIsMarkedOnLoad();
    void newReportWithCalculationsStartsWithControlOff();
    void saveWritesNonZeroRowsExactly();
    void zeroRowLeavesTheFile();
    void oneTableFormSavesItsTable();
    void emptyReportSurvivesSaving_data();
    void emptyReportSurvivesSaving();
    void clearTableKeepsFileUntilSaved();
    void carryOverBalances();
    void deleteRemovesReportAndMarker();
    void failedSaveKeepsOldReport();
    void lockedFileRefusesEveryWrite_data();
    void lockedFileRefusesEveryWrite();
    void totalsComputedAndChecked();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    test::ScriptedPrompter m_prompter;
    std::unique_ptr<data::DataContext> m_ctx;
};

void TestReportSession::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    const QString failed = test::buildDemoWorkDir(*m_dir);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    m_prompter.reset();
    m_ctx = std::make_unique<data::DataContext>(&m_prompter);
}

void TestReportSession::cleanup()
{
    m_ctx.reset();
    m_dir.reset();
}

void TestReportSession::markerTakenAndReleasedByItsOwner_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("exit") << 1;
    QTest::newRow("continue") << 2;
}

void TestReportSession::markerTakenAndReleasedByItsOwner()
{
    QFETCH(int, answer);
    const ReportIdentity id = identityOf(sampleReport(12));

    auto first = std::make_unique<ReportSession>(*m_ctx, &m_prompter);
    const auto opened = first->open(id);
    QVERIFY(opened && *opened == ReportSession::Opening::Opened);
    QVERIFY(m_prompter.messages.isEmpty());
    QVERIFY(markerExists(id));

    // A second window (its own data context) meets the marker.
    data::DataContext otherCtx;
    test::ScriptedPrompter other;
    other.answers = {answer};
    {
        ReportSession second(otherCtx, &other);
        const auto again = second.open(id);
        QVERIFY(again);
        QCOMPARE(other.messages.size(), 1);
        QCOMPARE(other.messages[0].text, markerText);
        QCOMPARE(other.messages[0].buttons, u"&Выход|&Продолжить"_s);
        if (answer == 1) {
            QCOMPARE(*again, ReportSession::Opening::Refused);
        } else {
            QCOMPARE(*again, ReportSession::Opening::Opened);
            QVERIFY(!second.entryRows().isEmpty());
            QVERIFY(second.close());
            // Going on over a marker makes it this session's: it is gone now.
            QVERIFY(!markerExists(id));
        }
    }
    if (answer == 1) {
        // The refused session left the owner's marker alone.
        QVERIFY(markerExists(id));
    }

    QVERIFY(first->close());
    QVERIFY(!markerExists(id));

    // A third opening is not warned.
    other.reset();
    {
        ReportSession third(otherCtx, &other);
        QVERIFY(third.open(id));
        QVERIFY(other.messages.isEmpty());
        QVERIFY(markerExists(id));
    }
    // Destroying a session that holds the marker released it.
    QVERIFY(!markerExists(id));
}

void TestReportSession::cancelledChangeKeepsReport()
{
    // A change of form releases the marker; cancelled, the same report goes on with what was
    // typed, under the marker taken again.
    const ReportIdentity id = identityOf(sampleReport(12));
    ReportSession s(*m_ctx, &m_prompter);
    QVERIFY(s.open(id));
    s.storeValue(0, 4, units(1000));
    QVERIFY(s.releaseMarker());
    QVERIFY(!markerExists(id));
    const auto again = s.relock();
    QVERIFY(again && *again == ReportSession::Opening::Opened);
    QVERIFY(markerExists(id));
    QCOMPARE(s.entryRows()[0].value(4), units(1000));
    QVERIFY(s.modified());
    QVERIFY(m_prompter.messages.isEmpty());
    QVERIFY(s.close());
    QVERIFY(!markerExists(id));
}

void TestReportSession::loadFillsEntryQueues()
{
    const tools::DemoReport sample = sampleReport(62);
    ReportSession s(*m_ctx, &m_prompter);
    QVERIFY(s.open(identityOf(sample)));

    QCOMPARE(s.reportRows().size(), sample.rows.size());
    const tools::DemoForm &form62 = *tools::demoCatalogue().form(62);
    QCOMPARE(s.tables().size(), form62.tables.size());
    QCOMPARE(s.currentTable().code, 1000);
    QCOMPARE(s.currentTable().name, u"Медицинские кадры"_s);
    QCOMPARE(s.entryRows().size(), form62.table(1000)->rows.size());
    QCOMPARE(s.entryRows()[1].code, u"1.1"_s);
    QCOMPARE(s.rowText(1).name, u"из них в сельской местности"_s);
    for (const tools::DemoRowValues &v : sample.rows) {
        if (v.table != 1000)
            continue;
        const int i = [&] {
            for (int k = 0; k < s.entryRows().size(); ++k) {
                if (s.entryRows()[k].rowId == v.rowId)
                    return k;
            }
            return -1;
        }();
        QVERIFY(i >= 0);
        for (int n = 1; n <= 3; ++n)
            QCOMPARE(s.entryRows()[i].value(n), units(v.value(n)));
    }
    QVERIFY(!s.modified());

    // The next table: offset 3, so stored columns 4 and 5 are values 1 and 2.
    QVERIFY(s.stepToTable(1));
    QCOMPARE(s.currentTable().code, 2000);
    QCOMPARE(s.columns().count(), 2);
    QCOMPARE(s.columns().at(1).storedColumn, 4);
    QCOMPARE(s.columns().at(2).picture, u"@n_10.1"_s);
    QVERIFY(s.modified()); // the entry rows were copied into the report
    QVERIFY(s.close());
}

void TestReportSession::columnsFollowTheirNumbers()
{
    // Offset 2, three value columns, the catalogue lists stored columns 3 and 5 only: the
    // second value has no description (and a blank heading) and the third is centred as the
    // last.
    EntryColumns c;
    c.clear(2, 3);
    QVERIFY(c.place(3, u"Первая"_s, u"перв"_s, u"@n_9"_s));
    QVERIFY(c.place(5, u"Третья"_s, u"трет"_s, QString()));
    QVERIFY(!c.place(6, u"Лишняя"_s, u"лишн"_s, QString()));
    QVERIFY(!c.place(2, u"Описательная"_s, u"опис"_s, QString()));
    QVERIFY(!c.at(2).present);
    QCOMPARE(c.at(3).name, u"Третья"_s);
    QCOMPARE(c.at(3).picture, u"@n_12"_s);
    QCOMPARE(c.listFormat(false, {1}),
             u"16L|FM~Nстроки~@s9@7L(1)|F~Ош.~L(0)@s1@E(0FFH,,,)160L|F_M~Название~@S100@"
             u"E(,0E6FFFFH,,)7C|F_M@S1@"
             u"43R|_M~3перв~L@n_9@E(,099FFCCH,,)43R|_M~~L@n_12@43C|_M~5трет~L@n_12@"_s);

    // Form 12, table 1000: four columns, rows with disease codes, two calculated columns? No:
    // the column rule 1 computes column 1 and the row rule 1 computes row 1.
    ReportSession s(*m_ctx, &m_prompter);
    QVERIFY(s.open(identityOf(sampleReport(12))));
    QVERIFY(s.hasCodes());
    QVERIFY(s.hasCalculations());
    const QString format = s.listFormat();
    QVERIFY2(format.startsWith(u"16L|FM~Nстроки~@s9@7L(1)|F~Ош.~L(0)@s1@E(0FFH,,,)160L|F_M~"
                               u"Название~@S100@E(,0E6FFFFH,,)40L|F_M@S30@"
                               u"43R|_M~1всего~L@n_9@E(,099FFCCH,,)"_s),
             qPrintable(format));
    QVERIFY(format.endsWith(u"43C|_M~4впервые~L@n_12@"_s));
    QVERIFY(s.rowText(0).sexCodes.startsWith(u'*'));
    QVERIFY(!s.rowText(1).sexCodes.startsWith(u'*'));
    QVERIFY(s.close());
}

void TestReportSession::failingRowIsMarkedOnLoad()
{
    // Institution 701 reported more occupied than staff posts of nurses (row 2).
    ReportSession s(*m_ctx, &m_prompter);
    QVERIFY(s.open(identityOf(sampleReport(62, 701))));
    QStringList marks;
    for (const EntryRow &r : s.entryRows())
        marks.append(r.error.trimmed());
    QCOMPARE(marks.mid(0, 4), (QStringList{QString(), QString(), u"?"_s, QString()}));
    QCOMPARE(marks.count(u"?"_s), 1);
    QVERIFY(!s.controlOff());
    QVERIFY(m_prompter.messages.isEmpty()); // the load checks silently
    QVERIFY(s.close());
}

void TestReportSession::newReportWithCalculationsStartsWithControlOff()
{
    ReportSession s(*m_ctx, &m_prompter);
    QVERIFY(s.open(newReport(12)));
    QVERIFY(s.reportRows().isEmpty());
    QVERIFY(s.controlOff());
    QVERIFY(s.close());
}

void TestReportSession::saveWritesNonZeroRowsExactly()
{
    const ReportIdentity id = newReport(62);
    {
        ReportSession s(*m_ctx, &m_prompter);
        QVERIFY(s.open(id));
        // Extremes of DECIMAL(17,3) reach the file unchanged; row 1.1 stays all zero.
        s.storeValue(0, 1, dec("99999999999999.999"));
        s.storeValue(2, 3, dec("-0.001"));
        QVERIFY(s.stepToTable(2));
        s.storeValue(0, 1, dec("12.5"));
        m_prompter.reset();
        const auto written = s.saveReport();
        QVERIFY(written);
        QCOMPARE(*written, 3);
        QCOMPARE(m_prompter.texts(), QStringList{u"Сохранено 3 записей из 3"_s});
        QVERIFY(!s.modified());
        QVERIFY(s.close());
    }
    const ReportRows rows = stored(id);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].rowId, 1);
    QCOMPARE(rows[0].table, 1000);
    QCOMPARE(rows[0].value(1), dec("99999999999999.999"));
    QCOMPARE(rows[1].rowId, 3);
    QCOMPARE(rows[1].value(3), dec("-0.001"));
    QCOMPARE(rows[2].rowId, 8);
    QCOMPARE(rows[2].table, 3000);

    // Reopening reads them back into the entry rows.
    ReportSession again(*m_ctx, &m_prompter);
    QVERIFY(again.open(id));
    QCOMPARE(again.entryRows()[0].value(1), dec("99999999999999.999"));
    QCOMPARE(again.entryRows()[2].value(3), dec("-0.001"));
    QVERIFY(again.close());

    // The district, institution, period kind and period are written into every record.
    data::DataContext ctx;
    ctx.names().setOtchetFileName(id.year, int(id.form));
    QVERIFY(ctx.open(data::FileId::otchet));
    data::OtchetRecord r(ctx.record(data::FileId::otchet));
    r.clear();
    r.setMes(id.period);
    r.setCodUch(id.institution);
    r.setUnicodStr(8);
    QVERIFY(ctx.file(data::FileId::otchet).get(data::OtchetRecord::KeyCodUch));
    QCOMPARE(int(r.codReg()), id.district);
    QCOMPARE(int(r.tip()), id.periodKind);
    QCOMPARE(r.codTab(), 3000);
    ctx.close(data::FileId::otchet);
}

void TestReportSession::zeroRowLeavesTheFile()
{
    const tools::DemoReport sample = sampleReport(62);
    const ReportIdentity id = identityOf(sample);
    const int before = int(stored(id).size());
    ReportSession s(*m_ctx, &m_prompter);
    QVERIFY(s.open(id));
    const int rowId = s.entryRows()[0].rowId;
    QVERIFY(findRow(s.reportRows(), rowId));
    EntryRow zero = s.entryRows()[0];
    zero.values.fill(Decimal());
    s.putRow(0, zero);
    s.syncReportQueue();
    QVERIFY(!findRow(s.reportRows(), rowId));
    QVERIFY(s.saveReport());
    QVERIFY(s.close());
    const ReportRows rows = stored(id);
    QCOMPARE(int(rows.size()), before - 1);
    QVERIFY(!findRow(rows, rowId));
}

void TestReportSession::oneTableFormSavesItsTable()
{
    // Form 7 has one table: saving writes the table from the entry rows, shows no count and
    // leaves the report modified, so closing asks again.
    const tools::DemoReport sample = sampleReport(7);
    const ReportIdentity id = identityOf(sample);
    ReportSession s(*m_ctx, &m_prompter);
    QVERIFY(s.open(id));
    EntryRow row = s.entryRows()[1];
    const int zeroed = row.rowId;
    row.values.fill(Decimal());
    s.putRow(1, row);
    const int kept = s.entryRows()[0].rowId;
    s.storeValue(0, 5, units(7000)); // a column the sample leaves empty
    m_prompter.reset();
    const auto saved = s.saveReport();
    QVERIFY(saved);
    QCOMPARE(*saved, -1);
    QVERIFY(m_prompter.messages.isEmpty());
    QVERIFY(s.modified());

    m_prompter.answers = {2};
    QVERIFY(s.leave());
    QCOMPARE(m_prompter.texts(), QStringList{u"СОХРАНИТЬ  ОТЧЕТ ?"_s});
    QCOMPARE(m_prompter.messages[0].buttons, u"&Да|&Нет"_s);
    QVERIFY(!markerExists(id));

    const ReportRows rows = stored(id);
    QVERIFY(!findRow(rows, zeroed));
    QVERIFY(findRow(rows, kept));
    QCOMPARE(findRow(rows, kept)->value(5), units(7000));
}

void TestReportSession::emptyReportSurvivesSaving_data()
{
    QTest::addColumn<int>("form");
    QTest::newRow("several tables") << 62;
    QTest::newRow("one table") << 7;
}

void TestReportSession::emptyReportSurvivesSaving()
{
    QFETCH(int, form);
    const ReportIdentity id = newReport(form);
    int firstRow = 0;
    {
        ReportSession s(*m_ctx, &m_prompter);
        QVERIFY(s.open(id));
        QVERIFY(!s.hasData());
        firstRow = s.entryRows().first().rowId;
        QVERIFY(s.saveEmptyReport());
        QVERIFY(!s.modified());
        QVERIFY(s.close());
    }
    ReportRows rows = stored(id);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].rowId, firstRow);
    QVERIFY(rows[0].value(1).isZero());

    // Reopened, checked (which copies the rows and marks the report modified) and saved on
    // closing: the empty report is still there.
    {
        ReportSession s(*m_ctx, &m_prompter);
        QVERIFY(s.open(id));
        // Its all-zero record is no data: saving it empty again asks nothing.
        QVERIFY(!s.hasData());
        QVERIFY(s.checkReport());
        QVERIFY(s.modified());
        m_prompter.reset();
        m_prompter.answers = {1};
        QVERIFY(s.leave());
        QCOMPARE(m_prompter.messages.first().text, u"СОХРАНИТЬ  ОТЧЕТ ?"_s);
    }
    rows = stored(id);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].rowId, firstRow);

    // Once it holds data, the all-zero record goes.
    int dataRow = 0;
    {
        ReportSession s(*m_ctx, &m_prompter);
        QVERIFY(s.open(id));
        dataRow = s.entryRows()[1].rowId;
        s.storeValue(1, 1, units(1000));
        // A value typed in place counts before it is copied into the whole report, so an empty
        // save would ask before dropping it.
        QVERIFY(s.hasData());
        s.syncReportQueue();
        QVERIFY(s.saveReport());
        QVERIFY(s.close());
    }
    rows = stored(id);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].rowId, dataRow);
}

void TestReportSession::clearTableKeepsFileUntilSaved()
{
    const tools::DemoReport sample = sampleReport(62);
    const ReportIdentity id = identityOf(sample);
    const ReportRows before = stored(id);
    int otherTables = 0;
    for (const ReportRow &r : before)
        otherTables += r.table != 1000 ? 1 : 0;

    ReportSession s(*m_ctx, &m_prompter);
    QVERIFY(s.open(id));
    QVERIFY(s.clearTable());
    QVERIFY(s.modified());
    for (const EntryRow &r : s.entryRows())
        QVERIFY(r.value(1).isZero() && r.value(2).isZero() && r.value(3).isZero());
    QCOMPARE(int(s.reportRows().size()), otherTables);

    // Closing without saving: the file still holds the table.
    m_prompter.answers = {2};
    QVERIFY(s.leave());
    QCOMPARE(m_prompter.lastText(), u"СОХРАНИТЬ  ОТЧЕТ ?"_s);
    QCOMPARE(stored(id).size(), before.size());

    // Cleared and saved: only the other tables are left.
    QVERIFY(s.open(id));
    QVERIFY(s.clearTable());
    QVERIFY(s.saveReport());
    QVERIFY(s.close());
    const ReportRows after = stored(id);
    QCOMPARE(int(after.size()), otherTables);
    for (const ReportRow &r : after)
        QVERIFY(r.table != 1000);
}

namespace {

// A monthly form with balances: form 342, one table of six columns and three rows.
runtime::Status addBalanceForm(data::DataContext &ctx)
{
    using data::FileId;
    ctx.names().setYearFileNames(demoYear);
    if (runtime::Status s = ctx.open(FileId::tabl); !s)
        return s;
    data::TablRecord t(ctx.record(FileId::tabl));
    t.clear();
    t.setUnicodT(9342);
    (void)t.setCodForm(342);
    (void)t.setCodTabl(1000);
    t.setName(u"Задолженность"_s);
    (void)t.setSm(0);
    (void)t.setA(6);
    runtime::Status s = ctx.file(FileId::tabl).add();
    ctx.close(FileId::tabl);
    if (!s)
        return s;

    if (s = ctx.open(FileId::stroka); !s)
        return s;
    for (int k = 1; k <= 3 && s; ++k) {
        data::StrokaRecord r(ctx.record(FileId::stroka));
        r.clear();
        r.setUnicod(qint16(k));
        (void)r.setCodForm(342);
        (void)r.setCodTabl(1000);
        r.setNumber(std::uint8_t(k));
        r.setCodStr(QString::number(k));
        r.setName(u"Строка "_s + QString::number(k));
        s = ctx.file(FileId::stroka).add();
    }
    ctx.close(FileId::stroka);
    if (!s)
        return s;

    if (s = ctx.open(FileId::grafa); !s)
        return s;
    for (int c = 1; c <= 6 && s; ++c) {
        data::GrafaRecord r(ctx.record(FileId::grafa));
        r.clear();
        (void)r.setCodForm(342);
        (void)r.setCodTabl(1000);
        r.setCod(std::uint8_t(c));
        r.setNameL(u"гр"_s);
        s = ctx.file(FileId::grafa).add();
    }
    ctx.close(FileId::grafa);
    return s;
}

} // namespace

void TestReportSession::carryOverBalances()
{
    QVERIFY(addBalanceForm(*m_ctx));
    const ReportIdentity may{demoYear, 342, 101, 1, 1, 5};

    // April, written with another period kind: the kind is not compared.
    ReportIdentity april = may;
    april.period = 4;
    april.periodKind = 0;
    ReportRow row1;
    row1.rowId = 1;
    row1.table = 1000;
    for (int n = 1; n <= 6; ++n)
        row1.values[size_t(n - 1)] = units(n * 10000);
    ReportStore aprilStore(*m_ctx, april);
    QVERIFY(aprilStore.replace({row1}));

    ReportSession s(*m_ctx, &m_prompter);
    QVERIFY(s.open(may));
    QVERIFY(s.carryOverAvailable());
    EntryRow typed = s.entryRows()[1];
    typed.values[0] = units(99000);
    typed.values[3] = units(5000);
    s.putRow(1, typed);
    QVERIFY(!s.modified());

    QVERIFY(s.carryOverBalances());
    QVERIFY(m_prompter.messages.isEmpty());
    QVERIFY(s.modified());
    const QList<EntryRow> &rows = s.entryRows();
    QCOMPARE(rows[0].value(1), units(40000));
    QCOMPARE(rows[0].value(2), units(50000));
    QCOMPARE(rows[0].value(3), units(60000));
    QVERIFY(rows[0].value(4).isZero());
    // Not stored in April: the balances are 0, what was typed there is gone, the rest stays.
    QVERIFY(rows[1].value(1).isZero());
    QCOMPARE(rows[1].value(4), units(5000));
    QVERIFY(s.close());

    ReportIdentity january = may;
    january.period = 1;
    ReportSession first(*m_ctx, &m_prompter);
    QVERIFY(first.open(january));
    QVERIFY(!first.carryOverAvailable());
    QVERIFY(first.close());
}

void TestReportSession::deleteRemovesReportAndMarker()
{
    const ReportIdentity id = identityOf(sampleReport(12));
    QVERIFY(!stored(id).isEmpty());
    ReportSession s(*m_ctx, &m_prompter);
    QVERIFY(s.open(id));
    s.storeValue(0, 1, units(1));
    QVERIFY(s.deleteReport());
    QVERIFY(!s.isOpen());
    QVERIFY(!s.modified());
    QVERIFY(stored(id).isEmpty());
    QVERIFY(!markerExists(id));
    // Nothing is written for a report that is no longer open.
    QVERIFY(!s.saveReport());
    QVERIFY(!s.clearTable());
    QVERIFY(stored(id).isEmpty());
    // Another institution's report of the same form is untouched.
    QVERIFY(!stored(identityOf(sampleReport(12, 701))).isEmpty());
}

void TestReportSession::failedSaveKeepsOldReport()
{
    const ReportIdentity id = identityOf(sampleReport(62));
    const ReportRows before = stored(id);
    QVERIFY(before.size() > 2);

    // A write that fails half-way: the second record of a row breaks the unique key after the
    // old records were deleted and some new ones added.
    ReportRows changed = before;
    for (ReportRow &r : changed)
        r.values[0] = units(1);
    changed.append(changed.first());
    data::DataContext ctx;
    ReportStore store(ctx, id);
    const auto written = store.replace(changed);
    QVERIFY(!written);
    QCOMPARE(written.error().code, runtime::ErrorCode::DuplicateKey);

    QVERIFY(same(stored(id), before));

    // A save stopped through its progress after two records: nothing of it is written, and the
    // progress heard the number of rows and the row id of each record written.
    struct StopAfterTwo final : runtime::Progress
    {
        void setTotal(qint64 t) override { total = t; }
        void step(qint64 d, const QString &text) override
        {
            done = d;
            texts.append(text);
        }
        bool cancelled() const override { return done >= 2; }
        qint64 total = 0;
        qint64 done = 0;
        QStringList texts;
    } progress;
    changed.removeLast();
    const auto stopped = store.replace(changed, &progress);
    QVERIFY(!stopped);
    QCOMPARE(stopped.error().code, runtime::ErrorCode::Cancelled);
    QCOMPARE(progress.total, qint64(changed.size()));
    QCOMPARE(progress.texts,
             (QStringList{QString::number(changed[0].rowId), QString::number(changed[1].rowId)}));
    QVERIFY(same(stored(id), before));
}

void TestReportSession::lockedFileRefusesEveryWrite_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("message");
    QTest::newRow("save report") << u"saveReport"_s << u"Отчет не сохранен"_s;
    QTest::newRow("save table") << u"saveTable"_s << u"Таблица не записана"_s;
    QTest::newRow("save empty") << u"saveEmptyReport"_s << u"Пустой отчет не сохранен"_s;
    QTest::newRow("delete") << u"deleteReport"_s << u"Отчет не удален"_s;
    QTest::newRow("save on leaving") << u"leave"_s << u"Отчет не сохранен"_s;
}

void TestReportSession::lockedFileRefusesEveryWrite()
{
    // Another writer holds the file: the operation is refused and reported in place of any
    // success, the session keeps the report (modified, marker held) for another try, and the
    // file keeps the old report.
    QFETCH(QString, operation);
    QFETCH(QString, message);
    const ReportIdentity id = identityOf(sampleReport(62));
    const ReportRows before = stored(id);

    ReportSession s(*m_ctx, &m_prompter);
    QVERIFY(s.open(id));
    s.storeValue(0, 1, units(123000));
    data::DataContext holderCtx;
    holderCtx.names().setOtchetFileName(id.year, int(id.form));
    QVERIFY(holderCtx.open(data::FileId::otchet));
    runtime::store::KeyedFile &holder = holderCtx.file(data::FileId::otchet);
    QVERIFY(holder.begin());
    QVERIFY(holder.setPhysical());
    QVERIFY(holder.next());
    QVERIFY(holder.put());

    const auto wait = runtime::store::KeyedFile::shareWait();
    runtime::store::KeyedFile::setShareWait(std::chrono::milliseconds(100));
    m_prompter.reset();
    m_prompter.answers = {1}; // "&Да" when leaving asks to save
    bool ok = true;
    if (operation == u"saveReport")
        ok = bool(s.saveReport());
    else if (operation == u"saveTable")
        ok = bool(s.saveTable());
    else if (operation == u"saveEmptyReport")
        ok = bool(s.saveEmptyReport());
    else if (operation == u"deleteReport")
        ok = bool(s.deleteReport());
    else
        ok = bool(s.leave());
    runtime::store::KeyedFile::setShareWait(wait);

    QVERIFY(!ok);
    QVERIFY(s.isOpen());
    QVERIFY(s.modified());
    QVERIFY(s.marker()->held());
    QVERIFY(markerExists(id));
    QVERIFY(!m_prompter.messages.isEmpty());
    QVERIFY2(m_prompter.lastText().startsWith(message), qPrintable(m_prompter.lastText()));
    for (const QString &text : m_prompter.texts())
        QVERIFY(!text.startsWith(u"Сохранено"_s));
    QVERIFY(holder.rollback());
    holderCtx.close(data::FileId::otchet);
    QVERIFY(same(stored(id), before));

    // Once the file is free the same session saves.
    QVERIFY(s.saveReport());
    QCOMPARE(stored(id).first().value(1), units(123000));
    QVERIFY(s.close());
}

void TestReportSession::totalsComputedAndChecked()
{
    ReportSession s(*m_ctx, &m_prompter);
    QVERIFY(s.open(newReport(12)));
    QVERIFY(s.hasCalculations());
    // Rows 1.1 to 1.3: men and women; the totals are computed.
    for (int i = 1; i <= 3; ++i) {
        EntryRow row = s.entryRows()[i];
        row.values[1] = units(i * 1000);
        row.values[2] = units(i * 2000);
        s.putRow(i, row);
    }
    QVERIFY(s.calculateTotals());
    QVERIFY(s.modified());
    QCOMPARE(s.entryRows()[2].value(1), units(6000));
    QCOMPARE(s.entryRows()[0].value(1), units(18000));
    QCOMPARE(s.entryRows()[0].value(2), units(6000));
    // The totals are in the whole report at once, not only on the screen.
    const ReportRow *total = findRow(s.reportRows(), s.entryRows()[0].rowId);
    QVERIFY(total);
    QCOMPARE(total->value(1), units(18000));
    auto failures = s.checkReport();
    QVERIFY(failures);
    QVERIFY2(failures->isEmpty(),
             qPrintable(failures->isEmpty() ? QString() : failures->first().text));

    // More first-time diagnoses than cases in row 1.2: the on-line check marks the row and
    // says why; the whole-report check finds the same rule.
    EntryRow row = s.entryRows()[2];
    row.values[3] = units(7000);
    s.putRow(2, row);
    m_prompter.reset();
    const RowOnlineCheck::Outcome outcome = s.checkRow(2, false);
    QVERIFY(outcome.failed);
    QCOMPARE(s.entryRows()[2].error, u"?"_s);
    QCOMPARE(m_prompter.messages.size(), 1);
    QVERIFY(m_prompter.lastText().startsWith(u"Не выполнено условие|"_s));
    failures = s.checkReport();
    QVERIFY(failures);
    int columnRule2 = 0;
    for (const ControlFailure &f : *failures)
        columnRule2 += f.kind == RuleKind::Column && f.ruleId == 2 ? 1 : 0;
    QCOMPARE(columnRule2, 1);
    QVERIFY(s.close());
}

QTEST_GUILESS_MAIN(TestReportSession)
#include "test_reportsession.moc"
