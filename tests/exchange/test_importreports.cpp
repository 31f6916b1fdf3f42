// Loading exchange files into the demo's data files: the round trip of an export, the files
// the scan refuses, which file of two holding one report is taken, summary files, the
// pseudo-institution names, the questions and what each answer leaves stored, and the move of
// the loaded files into "impfile".

#include "data/ExchangeFile.h"
#include "data/records/ExchangeRecord.h"
#include "entry/ReportMarker.h"
#include "entry/ReportStore.h"
#include "exchange/ExportReports.h"
#include "exchange/ImportReports.h"
#include "runtime/core/Progress.h"
#include "runtime/store/FlatFile.h"
#include "shell/AppState.h"
#include "tests/exchange/ExchangeFixture.h"
#include "tests/support/ScriptedPrompter.h"

#include <QTest>

#include <functional>

using namespace zemor;
using namespace zemor::exchange;
using data::ExchangeFormat;
using data::OtchetRecord;
using test::demoYear;

namespace {

// A stored report record of the demo (form 7, month 3, institution 301) made the record of
// another institution and row.
QByteArray reportRecord(data::DataContext &ctx, qint32 institution, int district, int rowId,
                        qint32 period = 3)
{
    const QByteArrayList stored = test::storedRecords(
        ctx, demoYear, 7, [](const OtchetRecord &r) { return r.codUch() == 301 && r.mes() == 3; });
    QByteArray bytes = stored.value(0);
    OtchetRecord r(bytes);
    r.setCodUch(institution);
    (void)r.setCodReg(std::uint8_t(district));
    r.setUnicodStr(qint16(rowId));
    r.setMes(period);
    return bytes;
}

bool writeExchange(const QString &path, const QList<QByteArray> &reports, qint64 form = 7,
                   ExchangeFormat format = ExchangeFormat::Current)
{
    auto w = data::ExchangeFileWriter::create(path, format);
    if (!w)
        return false;
    for (const QByteArray &r : reports) {
        if (format == ExchangeFormat::Current ? !w->appendReport(form, r) : !w->append(r))
            return false;
    }
    return bool(w->commit());
}

const ImportEntry *findEntry(const QList<ImportEntry> &entries, qint32 institution)
{
    for (const ImportEntry &e : entries) {
        if (e.institution == institution)
            return &e;
    }
    return nullptr;
}

// Answers the replace question after removing the file it is about, or after writing it anew.
class VanishingPrompter : public test::ScriptedPrompter
{
public:
    QString vanish;
    std::function<void()> rewrite;
    int message(const QString &text, const QString &caption, const QString &buttons,
                runtime::MessageIcon icon, int defaultButton) override
    {
        if (!vanish.isEmpty() && text.contains(u"УДАЛИТЬ"_qs))
            QFile::remove(vanish);
        if (rewrite && text.contains(u"УДАЛИТЬ"_qs))
            rewrite();
        return ScriptedPrompter::message(text, caption, buttons, icon, defaultButton);
    }
};

} // namespace

class TestImportReports : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exportedReportsComeBackByteForByte();
    void refusedFilesAreNamedAndLeftAlone();
    void oneEntryFromTheFileSortedLast();
    void summaryFilesByTheirOwnName();
    void pseudoInstitutionsAreNamed();
    void rowsAreCountedAsStored();
    void answersAndWhatTheyKeep();
    void reportInEntryIsNotReplaced();
    void reportTakenDuringALoadIsNotReplaced();
    void movingNeverReplaces();
    void cancelledLoadSaysWhatItWrote();
    void everyInstitutionShownItsControlsAndCountedOnce();
};

void TestImportReports::exportedReportsComeBackByteForByte()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    ExportReports exporter(ctx);
    shell::AppState state;
    state.globTipUser = 1;
    state.globKodUser = 3;
    auto forms = exporter.forms(demoYear, ExportPeriods{3, 1, 0, true});
    QVERIFY(forms);
    for (ExportForm &f : *forms)
        f.marked = f.code == 12 || f.code == 7 || f.code == 14;
    const auto exported =
        exporter.write({demoYear, ExportScope::of(state), u"\\import\\"_qs, *forms});
    QVERIFY(exported && !exported->target.isEmpty());

    QHash<qint64, QByteArrayList> before;
    for (const ExportForm &f : *forms) {
        if (!f.marked)
            continue;
        before[f.code] =
            test::storedRecords(ctx, demoYear, int(f.code), [&](const OtchetRecord &r) {
                return r.codReg() == 3 && r.mes() == f.period;
            });
        QVERIFY(!before[f.code].isEmpty());
    }

    const auto folder = ImportReports::folder(u"\\import\\"_qs);
    QVERIFY(folder);
    auto scan = ImportReports::scan(*folder, false);
    QVERIFY(scan);
    QVERIFY(scan->refused.isEmpty());
    // Delete what the file holds, then load it.
    for (const ImportEntry &e : scan->entries) {
        entry::ReportStore store(ctx, {demoYear, e.form, e.institution, 0, 0, e.period});
        QVERIFY(store.remove());
    }
    test::ScriptedPrompter prompter;
    ImportReports importer(ctx, prompter, demoYear);
    QVERIFY(importer.name(*scan));
    for (ImportEntry &e : scan->entries)
        e.mark = ImportEntry::Marked;
    const ImportOutcome outcome = importer.loadAll(scan->entries, scan->institutions);
    QVERIFY2(outcome.messages.isEmpty(), qPrintable(outcome.messages.join(u'\n')));
    QCOMPARE(outcome.rowsLoaded, exported->total);
    QCOMPARE(outcome.reportsLoaded, scan->entries.size());
    for (const ImportEntry &e : scan->entries)
        QCOMPARE(e.mark, int(ImportEntry::Loaded));
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const ExportForm &f = *std::find_if(
            forms->begin(), forms->end(), [&](const ExportForm &x) { return x.code == it.key(); });
        QCOMPARE(test::storedRecords(
                     ctx, demoYear, int(f.code),
                     [&](const OtchetRecord &r) { return r.codReg() == 3 && r.mes() == f.period; }),
                 it.value());
    }
}

void TestImportReports::refusedFilesAreNamedAndLeftAlone()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"in"_qs);
    const QString sound = work.filePath(u"in/sound.dat"_qs);
    QVERIFY(writeExchange(sound, {reportRecord(ctx, 9001, 3, 1), reportRecord(ctx, 9001, 3, 2)}));
    const QByteArray good = test::readBytes(sound);

    const auto patched = [&](qsizetype at, char value) {
        QByteArray b = good;
        b[at] = value;
        return b;
    };
    QByteArray badDigit;
    {
        auto w = runtime::store::FlatFile::Writer::create(work.filePath(u"in/tmp.x"_qs), 332);
        QVERIFY(w);
        QByteArray rec;
        data::ExchangeRecord x(rec);
        QVERIFY(x.setReport(7, reportRecord(ctx, 9002, 3, 1)));
        rec[rec.size() - 1] = char(0xA0);
        QVERIFY(w->append(rec));
        QVERIFY(w->commit());
        badDigit = test::readBytes(work.filePath(u"in/tmp.x"_qs));
        QFile::remove(work.filePath(u"in/tmp.x"_qs));
    }
    QVERIFY(writeExchange(work.filePath(u"in/old330.dat"_qs), {reportRecord(ctx, 9003, 3, 1)}, 7,
                          ExchangeFormat::Old));
    QVERIFY(writeExchange(work.filePath(u"in/norows.dat"_qs), {}));

    const QList<std::pair<QString, QByteArray>> spoilt = {
        {u"empty.dat"_qs, {}},
        {u"truncated.dat"_qs, good.left(good.size() - 10)},
        {u"altered.dat"_qs, patched(40, char(good[40] ^ 0x01))},
        {u"count.dat"_qs, patched(16, 3)},
        {u"digit.dat"_qs, badDigit},
        {u"dbase.dat"_qs, QByteArray("\x03\x7d\x01\x01\x02\x00\x00\x00", 8) + QByteArray(64, ' ')},
    };
    for (const auto &[name, bytes] : spoilt)
        work.writeFile(u"in/"_qs + name, bytes);

    QHash<QString, QByteArray> contents;
    for (const QString &n : QDir(work.filePath(u"in"_qs)).entryList(QDir::Files))
        contents.insert(n, test::readBytes(work.filePath(u"in/"_qs + n)));

    const auto scan = ImportReports::scan(work.filePath(u"in"_qs), false);
    QVERIFY(scan);
    QStringList refused;
    for (const RefusedFile &r : scan->refused) {
        QVERIFY2(!r.reason.isEmpty(), qPrintable(r.name));
        refused.append(r.name);
    }
    refused.sort();
    QCOMPARE(refused, QStringList({u"altered.dat"_qs, u"count.dat"_qs, u"dbase.dat"_qs,
                                   u"digit.dat"_qs, u"empty.dat"_qs, u"norows.dat"_qs,
                                   u"old330.dat"_qs, u"truncated.dat"_qs}));
    QCOMPARE(scan->files, QStringList({work.filePath(u"in/sound.dat"_qs)}));
    QCOMPARE(scan->entries.size(), 1);
    QCOMPARE(scan->entries[0].institution, 9001);
    for (auto it = contents.cbegin(); it != contents.cend(); ++it)
        QCOMPARE(test::readBytes(work.filePath(u"in/"_qs + it.key())), it.value());
    // The lists name each file once, then say why.
    for (const RefusedFile &r : scan->refused)
        QVERIFY2(!r.reason.contains(r.name) && !r.reason.contains(work.filePath(u"in"_qs)),
                 qPrintable(r.reason));
    const QString truncated = ImportReports::refusal(
        u"truncated.dat"_qs, data::ExchangeFile::read(work.filePath(u"in/truncated.dat"_qs)));
    QCOMPARE(truncated.count(u"truncated.dat"_qs), 1);
    QVERIFY2(truncated.startsWith(u"truncated.dat ошибка ?"_qs) &&
                 truncated.contains(u" поврежден: файл обрезан"_qs),
             qPrintable(truncated));

    // The old layout offered as the current one is refused, and the current as the old.
    QVERIFY(!data::ExchangeFile::read(work.filePath(u"in/old330.dat"_qs)));
    QVERIFY(!data::ExchangeFile::read(sound, ExchangeFormat::Old));
}

void TestImportReports::oneEntryFromTheFileSortedLast()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"in"_qs);
    QVERIFY(writeExchange(work.filePath(u"in/a.dat"_qs), {reportRecord(ctx, 9001, 3, 1)}));
    QVERIFY(writeExchange(work.filePath(u"in/B.dat"_qs),
                          {reportRecord(ctx, 9001, 3, 1), reportRecord(ctx, 9001, 3, 1, 4)}));
    const auto scan = ImportReports::scan(work.filePath(u"in"_qs), false);
    QVERIFY(scan);
    QCOMPARE(scan->entries.size(), 2); // two periods of one form and institution
    for (const ImportEntry &e : scan->entries)
        QCOMPARE(e.path, work.filePath(u"in/B.dat"_qs));
    QCOMPARE(scan->institutions.size(), 1);
    QCOMPARE(scan->files.size(), 2);
}

void TestImportReports::summaryFilesByTheirOwnName()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"ussw"_qs);
    QVERIFY(writeExchange(work.filePath(u"ussw/r3m3F7.dat"_qs), {reportRecord(ctx, 9001, 3, 1)}));
    QVERIFY(writeExchange(work.filePath(u"ussw/ssw3F7.dat"_qs), {reportRecord(ctx, 21003, 3, 1)}));

    const auto normal = ImportReports::scan(work.filePath(u"ussw"_qs), false);
    QVERIFY(normal);
    QCOMPARE(normal->entries.size(), 1);
    QCOMPARE(normal->entries[0].institution, 9001);
    QCOMPARE(normal->files.size(), 2); // both stay in the file list
    const auto summary = ImportReports::scan(work.filePath(u"ussw"_qs), true);
    QVERIFY(summary);
    QCOMPARE(summary->entries.size(), 1);
    QCOMPARE(summary->entries[0].institution, 21003);
}

void TestImportReports::pseudoInstitutionsAreNamed()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"in"_qs);
    QVERIFY(writeExchange(work.filePath(u"in/ssw5F7.dat"_qs),
                          {reportRecord(ctx, 21005, 5, 1), reportRecord(ctx, 21101, 101, 1),
                           reportRecord(ctx, 20000, 0, 1), reportRecord(ctx, 301, 2, 1)}));
    auto scan = ImportReports::scan(work.filePath(u"in"_qs), true);
    QVERIFY(scan);
    test::ScriptedPrompter prompter;
    ImportReports importer(ctx, prompter, demoYear);
    QVERIFY(importer.name(*scan));
    ImportReports::nameSummaryEntries(*scan);

    QHash<qint32, ImportInstitution> by;
    for (const ImportInstitution &u : scan->institutions)
        by.insert(u.code, u);
    QVERIFY(by[21005].name.endsWith(u" район"_qs));
    QVERIFY(by[21005].name.size() > 6);
    QCOMPARE(by[21005].districtName.trimmed() + u" район"_qs, by[21005].name);
    QVERIFY(by[21101].name.endsWith(u" город"_qs));
    QVERIFY(by[21101].name.startsWith(u"Таргин"_qs));
    QCOMPARE(by[20000].districtName, u"Таргинская область"_qs);
    // 301 lies in district 3, the file says 2: the district is marked doubtful.
    QVERIFY(by[301].districtName.startsWith(u'?'));
    QVERIFY(!by[301].name.isEmpty());
    QCOMPARE(scan->entries[0].formName.isEmpty(), false);
    const ImportEntry *e = findEntry(scan->entries, 21005);
    QVERIFY(e && e->institutionText.endsWith(by[21005].name));
    // Sorted by district: 0, 2, 5, 101.
    QCOMPARE(scan->institutions.first().code, 20000);
    QCOMPARE(scan->institutions.last().code, 21101);
}

void TestImportReports::rowsAreCountedAsStored()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"in"_qs);
    QList<QByteArray> many;
    for (int id = 1; id <= 300; ++id)
        many.append(reportRecord(ctx, 9001, 3, id));
    many.append(reportRecord(ctx, 9001, 3, 17)); // a row twice
    QVERIFY(writeExchange(work.filePath(u"in/many.dat"_qs), many));

    auto scan = ImportReports::scan(work.filePath(u"in"_qs), false);
    QVERIFY(scan);
    test::ScriptedPrompter prompter; // answers "ДА" to the controls question
    ImportReports importer(ctx, prompter, demoYear);
    QVERIFY(importer.name(*scan));
    scan->entries[0].mark = ImportEntry::Marked;
    const ImportOutcome outcome = importer.load(scan->entries, scan->institutions[0]);
    QCOMPARE(outcome.lines.size(), 1);
    QCOMPARE(outcome.lines[0].count, u"300"_qs);
    QCOMPARE(outcome.rowsLoaded, 300);
    QCOMPARE(outcome.duplicates, 1);
    QCOMPARE(test::storedRecords(ctx, demoYear, 7,
                                 [](const OtchetRecord &r) { return r.codUch() == 9001; })
                 .size(),
             300);
}

void TestImportReports::answersAndWhatTheyKeep()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"in"_qs);
    // A new version of 302's report of month 3: one row only.
    QVERIFY(writeExchange(work.filePath(u"in/r.dat"_qs), {reportRecord(ctx, 302, 3, 1)}));
    const auto stored = [&] {
        return test::storedRecords(ctx, demoYear, 7, [](const OtchetRecord &r) {
            return r.codUch() == 302 && r.mes() == 3;
        });
    };
    const QByteArrayList old = stored();
    QVERIFY(old.size() > 1);

    struct Case
    {
        const char *name;
        QList<int> answers; // the controls question (when asked), then the replace question
        bool vanish;
        int mark;
        int storedRows;
        bool rewrite = false; // the file written anew (same size, another row) before "ДА"
    };
    const QList<Case> cases = {
        {"НЕТ keeps the entry marked", {2}, false, ImportEntry::Marked, int(old.size())},
        {"ДА replaces", {1}, false, ImportEntry::Loaded, 1},
        // The rows were read and checked before the question: they are what is loaded.
        {"ДА after the file vanished loads the rows read", {1}, true, ImportEntry::Loaded, 1},
        {"ДА after the file changed loads the rows read", {1}, false, ImportEntry::Loaded, 1, true},
    };
    for (const Case &c : cases) {
        auto scan = ImportReports::scan(work.filePath(u"in"_qs), false);
        QVERIFY(scan);
        VanishingPrompter prompter;
        if (c.vanish)
            prompter.vanish = work.filePath(u"in/r.dat"_qs);
        if (c.rewrite)
            prompter.rewrite = [&] {
                QVERIFY(
                    writeExchange(work.filePath(u"in/r.dat"_qs), {reportRecord(ctx, 302, 3, 2)}));
            };
        ImportReports importer(ctx, prompter, demoYear);
        QVERIFY(importer.name(*scan));
        scan->entries[0].mark = ImportEntry::Marked;
        // The controls question comes first when asked: answer it "ДА".
        prompter.answers = c.answers;
        prompter.fallback = 1;
        const auto controls = importer.runControls(scan->entries, 302);
        QVERIFY(controls);
        if (controls->callerError())
            prompter.answers.prepend(1);
        const ImportOutcome outcome = importer.load(scan->entries, scan->institutions[0]);
        QVERIFY2(scan->entries[0].mark == c.mark, c.name);
        QVERIFY2(stored().size() == c.storedRows, c.name);
        if (c.storedRows == int(old.size()))
            QVERIFY2(stored() == old, c.name);
        QVERIFY2(outcome.messages.isEmpty(), c.name);
        if (c.vanish || c.rewrite)
            QVERIFY(writeExchange(work.filePath(u"in/r.dat"_qs), {reportRecord(ctx, 302, 3, 1)}));
        if (c.mark == ImportEntry::Marked)
            QCOMPARE(outcome.lines.value(0).count, ImportReports::keepOldText());
        if (c.mark == ImportEntry::Loaded) {
            QByteArray now = stored().value(0);
            QVERIFY2(OtchetRecord(now).unicodStr() == 1, c.name);
        }
    }
}

void TestImportReports::reportInEntryIsNotReplaced()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"in"_qs);
    QVERIFY(writeExchange(work.filePath(u"in/r.dat"_qs), {reportRecord(ctx, 302, 3, 1)}));
    const auto stored = [&] {
        return test::storedRecords(ctx, demoYear, 7, [](const OtchetRecord &r) {
            return r.codUch() == 302 && r.mes() == 3;
        });
    };
    const QByteArrayList old = stored();
    entry::ReportMarker marker(ctx, demoYear, 302, 7);
    QVERIFY(marker.take() && marker.held());

    auto scan = ImportReports::scan(work.filePath(u"in"_qs), false);
    QVERIFY(scan);
    test::ScriptedPrompter prompter;
    prompter.fallback = 1;
    ImportReports importer(ctx, prompter, demoYear);
    QVERIFY(importer.name(*scan));
    scan->entries[0].mark = ImportEntry::Marked;
    const ImportOutcome outcome = importer.load(scan->entries, scan->institutions[0]);
    QCOMPARE(stored(), old);
    QCOMPARE(outcome.lines.value(0).count, ImportReports::inUseText());
    QCOMPARE(scan->entries[0].mark, int(ImportEntry::Marked));
    const MoveOutcome moved = ImportReports::moveFiles(scan->files, outcome.inUse);
    QVERIFY(moved.moved.isEmpty() && moved.failed.isEmpty());
    QVERIFY(QFile::exists(work.filePath(u"in/r.dat"_qs)));
    QVERIFY(marker.release());
}

// The load holds the markers of the reports it is about to write, from before their questions
// until their commit: report entry cannot open one of them meanwhile, and after the load every
// marker is gone.
void TestImportReports::reportTakenDuringALoadIsNotReplaced()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"in"_qs);
    QVERIFY(writeExchange(work.filePath(u"in/r.dat"_qs),
                          {reportRecord(ctx, 301, 3, 1), reportRecord(ctx, 302, 3, 1)}));
    const auto stored = [&](qint32 institution) {
        return test::storedRecords(ctx, demoYear, 7, [&](const OtchetRecord &r) {
            return r.codUch() == institution && r.mes() == 3;
        });
    };
    const QByteArrayList old302 = stored(302);
    QVERIFY(stored(301).size() > 1 && old302.size() > 1);

    auto scan = ImportReports::scan(work.filePath(u"in"_qs), false);
    QVERIFY(scan);
    data::DataContext entryWindow;
    test::ScriptedPrompter prompter;
    prompter.fallback = 1;
    QStringList asked;
    prompter.before = [&](const QString &text) {
        if (!text.contains(u"УДАЛИТЬ"_qs))
            return; // the controls question
        asked.append(text);
        const qint32 institution = text.contains(u"ЛПУ 301 "_qs) ? 301 : 302;
        const auto taken = entry::ReportMarker(entryWindow, demoYear, institution, 7).take();
        QVERIFY(taken);
        QCOMPARE(*taken, entry::ReportMarker::Take::InUse);
    };
    ImportReports importer(ctx, prompter, demoYear);
    QVERIFY(importer.name(*scan));
    for (ImportEntry &e : scan->entries)
        e.mark = ImportEntry::Marked;
    const ImportOutcome outcome = importer.loadAll(scan->entries, scan->institutions);
    QCOMPARE(asked, QStringList({ImportReports::replaceQuestion(301, 7, 3),
                                 ImportReports::replaceQuestion(302, 7, 3)}));
    QCOMPARE(outcome.reportsLoaded, 2);
    QCOMPARE(stored(301).size(), 1);
    QCOMPARE(stored(302).size(), 1);
    QCOMPARE(findEntry(scan->entries, 302)->mark, int(ImportEntry::Loaded));
    for (qint32 institution : {301, 302}) {
        const auto left = entry::ReportMarker(ctx, demoYear, institution, 7).exists();
        QVERIFY(left && !*left);
    }
}

void TestImportReports::movingNeverReplaces()
{
    QCOMPARE(ImportReports::secondName(u"u3m3F7.dat"_qs), u"u3m3F7_1.dat"_qs);
    QCOMPARE(ImportReports::secondName(u"a.b.dat"_qs), u"a_1.b.dat"_qs);

    test::WorkDir work(true);
    work.makeDir(u"in"_qs);
    for (const QString &dir : {u"in/"_qs, u"impfile/"_qs})
        work.writeFile(dir + u"x.dat"_qs, dir.toUtf8());
    work.writeFile(u"in/y.dat"_qs, "y");
    const QStringList files = {work.filePath(u"in/x.dat"_qs), work.filePath(u"in/y.dat"_qs)};
    const MoveOutcome first = ImportReports::moveFiles(files);
    QCOMPARE(first.moved, QStringList({u"x_1.dat"_qs, u"y.dat"_qs}));
    QVERIFY(first.message().isEmpty());
    QCOMPARE(test::readBytes(work.filePath(u"impfile/x.dat"_qs)), QByteArray("impfile/"));
    QCOMPARE(test::readBytes(work.filePath(u"impfile/x_1.dat"_qs)), QByteArray("in/"));

    // Both names taken: the file stays and is named.
    work.writeFile(u"in/x.dat"_qs, "third");
    const MoveOutcome second = ImportReports::moveFiles({work.filePath(u"in/x.dat"_qs)});
    QCOMPARE(second.failed, QStringList({u"x.dat"_qs}));
    QVERIFY(second.message().contains(u"x.dat"_qs));
    QCOMPARE(test::readBytes(work.filePath(u"in/x.dat"_qs)), QByteArray("third"));
    QCOMPARE(test::readBytes(work.filePath(u"impfile/x_1.dat"_qs)), QByteArray("in/"));
}

// Stops after `after` steps.
class StopAfter final : public runtime::Progress
{
public:
    explicit StopAfter(qint64 after) : m_after(after) {}
    void setTotal(qint64) override {}
    void step(qint64, const QString &) override { ++m_steps; }
    bool cancelled() const override { return m_steps >= m_after; }

private:
    qint64 m_after;
    qint64 m_steps = 0;
};

void TestImportReports::cancelledLoadSaysWhatItWrote()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"in"_qs);
    QVERIFY(writeExchange(work.filePath(u"in/ssw3F7.dat"_qs),
                          {reportRecord(ctx, 21003, 3, 1), reportRecord(ctx, 21003, 3, 1, 4),
                           reportRecord(ctx, 21003, 3, 1, 5)}));
    auto scan = ImportReports::scan(work.filePath(u"in"_qs), true);
    QVERIFY(scan && scan->entries.size() == 3);
    test::ScriptedPrompter prompter;
    ImportReports importer(ctx, prompter, demoYear);
    QVERIFY(importer.name(*scan));
    ImportReports::nameSummaryEntries(*scan);

    // The summary window loads the chosen entry alone.
    const ImportOutcome one = importer.loadSummary(scan->entries, 1, scan->institutions);
    QCOMPARE(one.reportsLoaded, 1);
    QCOMPARE(scan->entries[1].mark, int(ImportEntry::Loaded));
    QCOMPARE(scan->entries[0].mark, int(ImportEntry::NotMarked));

    for (ImportEntry &e : scan->entries)
        e.mark = e.mark == ImportEntry::Loaded ? e.mark : int(ImportEntry::Marked);
    StopAfter stop(1);
    const ImportOutcome cut = importer.loadAll(scan->entries, scan->institutions, &stop);
    QVERIFY(cut.cancelled);
    QCOMPARE(cut.reportsLoaded, 1);
    QCOMPARE(scan->entries[2].mark, int(ImportEntry::Marked));
    QVERIFY(ImportReports::cancelledText(cut).contains(u"1"_qs));
    QCOMPARE(test::storedRecords(ctx, demoYear, 7,
                                 [](const OtchetRecord &r) { return r.codUch() == 21003; })
                 .size(),
             2);
}

// Records what a load's progress is told.
class RecordingProgress final : public runtime::Progress
{
public:
    QList<qint64> totals;
    QList<qint64> steps;
    void setTotal(qint64 total) override { totals.append(total); }
    void step(qint64 done, const QString &) override { steps.append(done); }
    bool cancelled() const override { return false; }
};

void TestImportReports::everyInstitutionShownItsControlsAndCountedOnce()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    // The annual form 12 of 101 (sound) and of 102 (a column rule fails), as each sends it.
    work.makeDir(u"in"_qs);
    ExportReports exporter(ctx);
    for (const qint32 code : {101, 102}) {
        shell::AppState state;
        state.globTipUser = 2;
        state.globKodUser = code;
        state.globCodReg = 1;
        auto forms = exporter.forms(demoYear, ExportPeriods{0, 0, 0, true});
        QVERIFY(forms);
        for (ExportForm &f : *forms)
            f.marked = f.code == 12;
        QVERIFY(exporter.write({demoYear, ExportScope::of(state), u"\\in\\"_qs, *forms}));
    }
    auto scan = ImportReports::scan(work.filePath(u"in"_qs), false);
    QVERIFY(scan && scan->entries.size() == 2 && scan->institutions.size() == 2);
    QStringList log;
    test::ScriptedPrompter prompter;
    prompter.before = [&](const QString &text) { log.append(text); };
    prompter.answers = {1, 2}; // 101's report replaced; "НЕТ" to 102's failed controls
    test::RecordingViewer viewer(log);
    ImportReports importer(ctx, prompter, demoYear);
    importer.setRunViewer(&viewer);
    QVERIFY(importer.name(*scan));
    // And 102's form 7 of month 3 in a file that is gone: not checked.
    scan->entries.append(
        ImportEntry{3, 7, {}, ImportEntry::Marked, 102, work.filePath(u"in/gone.dat"_qs), {}});
    for (ImportEntry &e : scan->entries)
        e.mark = ImportEntry::Marked;

    RecordingProgress progress;
    const ImportOutcome outcome = importer.loadAll(scan->entries, scan->institutions, &progress);
    // Each institution's run is shown, with what failed and what was not checked, before the
    // question it leads to.
    QCOMPARE(log.value(0), u"shown 101: 1 forms; failed: ; not checked: "_qs);
    QVERIFY2(log.value(1).startsWith(u"ОТЧЕТ ЛПУ 101"_qs), qPrintable(log.value(1)));
    QCOMPARE(log.value(2), u"shown 102: 2 forms; failed: Ф12 контроль 2; not checked: Ф7 за 3"_qs);
    QCOMPARE(log.value(3), ImportReports::controlsQuestion());
    QCOMPARE(log.size(), 4);
    QVERIFY(outcome.declined);
    // One total over both institutions' entries, run through once.
    QCOMPARE(progress.totals, QList<qint64>{3});
    QCOMPARE(progress.steps, (QList<qint64>{1, 3}));
}

QTEST_GUILESS_MAIN(TestImportReports)
#include "test_importreports.moc"
