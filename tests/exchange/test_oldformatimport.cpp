// Loading old-format files and reading exchange files for a control run: which names are taken,
// what "все ЛПУ" and one institution load or leave, and a file that cannot be read never
// passing the controls.

#include "data/ExchangeFile.h"
#include "data/records/ExchangeRecord.h"
#include "entry/ControlRun.h"
#include "exchange/ExchangeReportSource.h"
#include "exchange/ImportReports.h"
#include "exchange/OldFormatImport.h"
#include "tests/exchange/ExchangeFixture.h"
#include "tests/support/ScriptedPrompter.h"

#include <QTest>

using namespace zemor;
using namespace zemor::exchange;
using data::ExchangeFormat;
using data::OtchetRecord;
using test::demoYear;

namespace {

QByteArrayList reportOf(data::DataContext &ctx, qint32 institution, qint32 period = 3)
{
    return test::storedReport(ctx, demoYear, 7, institution, period);
}

QByteArray rowOf(data::DataContext &ctx, qint32 institution, int district, int rowId)
{
    QByteArray bytes = reportOf(ctx, 301).value(0);
    OtchetRecord r(bytes);
    r.setCodUch(institution);
    (void)r.setCodReg(std::uint8_t(district));
    r.setUnicodStr(qint16(rowId));
    return bytes;
}

bool writeFile(const QString &path, const QByteArrayList &records,
               ExchangeFormat format = ExchangeFormat::Old)
{
    auto w = data::ExchangeFileWriter::create(path, format);
    if (!w)
        return false;
    for (const QByteArray &r : records) {
        if (format == ExchangeFormat::Old ? !w->append(r) : !w->appendReport(7, r))
            return false;
    }
    return bool(w->commit());
}

QList<OldFile> allMarked(QList<OldFile> files)
{
    for (OldFile &f : files)
        f.marked = true;
    return files;
}

} // namespace

class TestOldFormatImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void onlyOldNamesAreListed();
    void everyInstitutionNeverReplacesNorLoadsZero();
    void everyInstitutionLookedUpOnlyWhereItHasRows();
    void oneInstitutionLeavesOrCompletes();
    void fileOfTheCurrentLayoutIsRefused();
    void controlsShownBeforeTheQuestion();
    void exchangeFilesAsTheRunsSource();
};

void TestOldFormatImport::onlyOldNamesAreListed()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"old"_qs);
    const QByteArrayList one = {rowOf(ctx, 9001, 3, 1)};
    for (const QString &name : {u"W0111x05.dat"_qs, u"w0007a03.DAT"_qs, u"W0284.dat"_qs,
                                u"X0007a03.dat"_qs, u"W00a7x03.dat"_qs, u"W0007x0b.dat"_qs})
        QVERIFY(writeFile(work.filePath(u"old/"_qs + name), one));
    test::ScriptedPrompter prompter;
    OldFormatImport importer(ctx, prompter, demoYear);
    const auto files = importer.files(work.filePath(u"old"_qs));
    QVERIFY(files);
    QCOMPARE(files->size(), 2);
    QCOMPARE((*files)[0].form, 7);
    QCOMPARE((*files)[0].period, 3);
    QVERIFY(!(*files)[0].formName.isEmpty());
    QCOMPARE((*files)[1].form, 111);
    QCOMPARE((*files)[1].period, 5);
    QVERIFY((*files)[1].formName.isEmpty()); // not in the year's catalogue
}

void TestOldFormatImport::everyInstitutionNeverReplacesNorLoadsZero()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"old"_qs);
    QByteArrayList records = {rowOf(ctx, 9001, 3, 1), rowOf(ctx, 9001, 3, 2), rowOf(ctx, 0, 3, 1)};
    const QByteArrayList existing = reportOf(ctx, 302);
    records.append(rowOf(ctx, 302, 3, 999)); // 302 has a report of month 3
    QVERIFY(writeFile(work.filePath(u"old/W0007x03.dat"_qs), records));

    test::ScriptedPrompter prompter;
    OldFormatImport importer(ctx, prompter, demoYear);
    const auto files = importer.files(work.filePath(u"old"_qs));
    QVERIFY(files);
    const auto scan = importer.institutions(*files);
    QVERIFY(scan);
    QCOMPARE(scan->institutions.size(), 3);
    QVERIFY(!scan->severalDistricts);

    const ImportOutcome outcome = importer.loadAll(allMarked(*files), scan->institutions);
    QCOMPARE(outcome.rowsLoaded, 2);
    QCOMPARE(reportOf(ctx, 9001).size(), 2);
    QVERIFY(reportOf(ctx, 0).isEmpty());
    QCOMPARE(reportOf(ctx, 302), existing);
    QVERIFY(outcome.messages.contains(OldFormatImport::existingText(7, 302, false)));

    QVERIFY(writeFile(work.filePath(u"old/W0007x04.dat"_qs), {rowOf(ctx, 9002, 4, 1)}));
    const auto withFour = importer.files(work.filePath(u"old"_qs));
    QVERIFY(withFour);
    const auto two = importer.institutions(*withFour);
    QVERIFY(two && two->severalDistricts);
    QVERIFY(QFile::remove(work.filePath(u"old/W0007x04.dat"_qs)));

    // Loaded again: now 9001 has a report too, and nothing changes.
    const ImportOutcome again = importer.loadAll(allMarked(*files), scan->institutions);
    QCOMPARE(again.rowsLoaded, 0);
    QCOMPARE(again.lines.size(), 2);
    for (const ImportLine &l : again.lines)
        QCOMPARE(l.count, ImportReports::keepOldText());
}

void TestOldFormatImport::everyInstitutionLookedUpOnlyWhereItHasRows()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"old"_qs);
    // 302 has stored reports of form 7 month 3 and of the annual form 12, but only the month's
    // file holds rows of it.
    QVERIFY(!test::storedReport(ctx, demoYear, 12, 302, 0).isEmpty());
    QVERIFY(writeFile(work.filePath(u"old/W0007x03.dat"_qs),
                      {rowOf(ctx, 9001, 3, 1), rowOf(ctx, 302, 3, 999)}));
    QVERIFY(writeFile(work.filePath(u"old/W0012x00.dat"_qs), {rowOf(ctx, 9003, 3, 1)}));

    test::ScriptedPrompter prompter;
    OldFormatImport importer(ctx, prompter, demoYear);
    const auto files = importer.files(work.filePath(u"old"_qs));
    QVERIFY(files && files->size() == 2);
    const auto scan = importer.institutions(*files);
    QVERIFY(scan && scan->institutions.size() == 3);
    const ImportOutcome outcome = importer.loadAll(allMarked(*files), scan->institutions);
    // Told to delete only the report the month's file would replace.
    QCOMPARE(outcome.messages, QStringList{OldFormatImport::existingText(7, 302, false)});
    QCOMPARE(outcome.lines.size(), 3); // 302 kept, 9001 and 9003 loaded
    QCOMPARE(outcome.rowsLoaded, 2);
}

void TestOldFormatImport::oneInstitutionLeavesOrCompletes()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"old"_qs);
    const QByteArrayList existing = reportOf(ctx, 302);
    QByteArrayList records;
    for (const QByteArray &r : existing) {
        QByteArray changed = r;
        OtchetRecord(changed).setTip(9); // a stored row must stay as it is
        records.append(changed);
    }
    QByteArray added = existing.value(0);
    OtchetRecord(added).setUnicodStr(999);
    records.append(added);
    QVERIFY(writeFile(work.filePath(u"old/W0007x03.dat"_qs), records));

    test::ScriptedPrompter prompter;
    OldFormatImport importer(ctx, prompter, demoYear);
    const auto files = importer.files(work.filePath(u"old"_qs));
    QVERIFY(files);
    const auto scan = importer.institutions(*files);
    QVERIFY(scan && scan->institutions.size() == 1);
    const ImportInstitution u = scan->institutions[0];

    const ImportOutcome zero = importer.loadOne(allMarked(*files), ImportInstitution{}, true);
    QCOMPARE(zero.messages, QStringList({ImportReports::noInstitutionText()}));

    const ImportOutcome left = importer.loadOne(allMarked(*files), u, false);
    QCOMPARE(left.lines.value(0).count, ImportReports::keepOldText());
    QVERIFY(left.messages.contains(OldFormatImport::existingText(7, 302, true)));
    QCOMPARE(reportOf(ctx, 302), existing);

    const ImportOutcome completed = importer.loadOne(allMarked(*files), u, true);
    QCOMPARE(completed.rowsLoaded, 1);
    QCOMPARE(completed.duplicates, existing.size());
    QCOMPARE(completed.lines.value(0).count, u"1"_qs);
    QByteArrayList expected = existing;
    expected.append(added);
    std::sort(expected.begin(), expected.end());
    QCOMPARE(reportOf(ctx, 302), expected);
}

void TestOldFormatImport::fileOfTheCurrentLayoutIsRefused()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"old"_qs);
    QVERIFY(writeFile(work.filePath(u"old/W0007x03.dat"_qs), {rowOf(ctx, 9001, 3, 1)},
                      ExchangeFormat::Current));
    test::ScriptedPrompter prompter;
    OldFormatImport importer(ctx, prompter, demoYear);
    const auto files = importer.files(work.filePath(u"old"_qs));
    QVERIFY(files && files->size() == 1);
    const auto scan = importer.institutions(*files);
    QVERIFY(scan);
    QVERIFY(scan->institutions.isEmpty());
    QCOMPARE(scan->refused.size(), 1);
    QCOMPARE(scan->refused[0].name, u"W0007x03.dat"_qs);
    const ImportOutcome outcome =
        importer.loadOne(allMarked(*files), ImportInstitution{3, {}, 9001, {}, 3, 3}, false);
    QVERIFY(outcome.messages.value(0).startsWith(u"W0007x03.dat ошибка ?"_qs));
    QVERIFY(reportOf(ctx, 9001).isEmpty());
}

void TestOldFormatImport::controlsShownBeforeTheQuestion()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"old"_qs);
    // 102's annual form 12 fails a column rule; the month's form 7 file has no row of 102.
    QVERIFY(writeFile(work.filePath(u"old/W0012x00.dat"_qs),
                      test::storedReport(ctx, demoYear, 12, 102, 0)));
    QVERIFY(writeFile(work.filePath(u"old/W0007x03.dat"_qs), {rowOf(ctx, 9001, 3, 1)}));

    QStringList log;
    test::ScriptedPrompter prompter;
    prompter.before = [&](const QString &text) { log.append(text); };
    prompter.answers = {2}; // "НЕТ"
    test::RecordingViewer viewer(log);
    OldFormatImport importer(ctx, prompter, demoYear);
    importer.setRunViewer(&viewer);
    const auto files = importer.files(work.filePath(u"old"_qs));
    QVERIFY(files && files->size() == 2);
    const auto scan = importer.institutions(*files);
    QVERIFY(scan && scan->institutions.size() == 2 && scan->institutions[0].code == 102);

    const ImportOutcome outcome = importer.loadOne(allMarked(*files), scan->institutions[0], false);
    QCOMPARE(log,
             (QStringList{u"shown 102: 2 forms; failed: Ф12 контроль 2; not checked: Ф7 за 3"_qs,
                          ImportReports::controlsQuestion()}));
    QVERIFY(outcome.declined);
    QVERIFY(outcome.lines.isEmpty());
    QVERIFY(reportOf(ctx, 9001).isEmpty());
}

void TestOldFormatImport::exchangeFilesAsTheRunsSource()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"in"_qs);
    // Row 1 twice for 9001 (values add up), another form's row that is not taken.
    const QByteArray row = rowOf(ctx, 9001, 3, 1);
    {
        auto w = data::ExchangeFileWriter::create(work.filePath(u"in/a.dat"_qs));
        QVERIFY(w);
        QVERIFY(w->appendReport(7, row));
        QVERIFY(w->appendReport(7, row));
        QVERIFY(w->appendReport(14, row));
        QVERIFY(w->commit());
    }
    QVERIFY(writeFile(work.filePath(u"in/W0007x03.dat"_qs), {row}));

    ExchangeReportSource current(ctx);
    const entry::RunTarget target{entry::RunTarget::Kind::Institution, 9001};
    const auto summed =
        current.report(demoYear, {7, {}, 3, work.filePath(u"in/a.dat"_qs)}, target, 3, 3, nullptr);
    QVERIFY(summed);
    QCOMPARE(summed->records, 2);
    QCOMPARE(summed->rows.size(), 1);
    QByteArray copy = row;
    const OtchetRecord r(copy);
    for (int n = 1; n <= 35; ++n) {
        QVERIFY(summed->rows[0].value(n) == *r.data(n).add(r.data(n)));
    }
    ExchangeReportSource old(ctx, ExchangeFormat::Old);
    const auto fromOld = old.report(demoYear, {7, {}, 3, work.filePath(u"in/W0007x03.dat"_qs)},
                                    target, 3, 3, nullptr);
    QVERIFY(fromOld && fromOld->records == 1);
    // The same file in the other layout, and a missing file: "Otchet2-err" and the caller's
    // flag set.
    const auto wrong = current.report(demoYear, {7, {}, 3, work.filePath(u"in/W0007x03.dat"_qs)},
                                      target, 3, 3, nullptr);
    QVERIFY(!wrong);
    QVERIFY(wrong.error().message.startsWith(u"Otchet2-err"_qs));

    test::ScriptedPrompter prompter;
    ImportReports importer(ctx, prompter, demoYear);
    QList<ImportEntry> entries = {
        ImportEntry{3, 7, {}, ImportEntry::Marked, 301, work.filePath(u"in/gone.dat"_qs), {}}};
    const auto run = importer.runControls(entries, 301);
    quint8 flag = 0;
    entry::ControlRun::markCaller(run, flag);
    QCOMPARE(flag, 1);
}

QTEST_GUILESS_MAIN(TestOldFormatImport)
#include "test_oldformatimport.moc"
