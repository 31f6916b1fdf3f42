// The report-in-use marker through the loads of form 62 (XML and CSV files of the federal portal)
// and of old-format exchange files: a report open in report entry is left as it is and named in
// use, the load holds the marker of a report while it asks whether to replace it, and a write
// that fails leaves the old report and no marker behind. Each load writes one report of the demo
// that has a stored report already. Beneath them, a batch of the writer they share: its markers
// all taken before its first question, and its reports written all or none.

#include "data/ExchangeFile.h"
#include "entry/ReportBatch.h"
#include "entry/ReportMarker.h"
#include "exchange/Form62CsvImport.h"
#include "exchange/Form62XmlImport.h"
#include "exchange/ImportReports.h"
#include "exchange/OldFormatImport.h"
#include "runtime/store/KeyedFile.h"
#include "tests/exchange/ExchangeFixture.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace zemor;
using namespace zemor::exchange;
using data::OtchetRecord;
using entry::ReportMarker;
using test::demoYear;

namespace {

enum class Load { Xml, Csv, Old };

// What a load told, and whether it left its file as not loaded (not moved, not named loaded).
struct Told
{
    QStringList said;
    bool fileKept = false;
};

// A load of one report on the demo, in the data context and with the prompter of an XML load.
// XML: the annual form 62 of 101, replaced; CSV: rows of table 1000 of form 62 added to 101's
// report; old format: rows 1 to 6 of form 7, month 3, of 301 completing the stored rows 1 to 4.
struct Run
{
    explicit Run(Load load) : load(load) {}

    Load load;
    test::XmlRun xml;

    qint64 form() const { return load == Load::Old ? 7 : 62; }
    qint32 institution() const { return load == Load::Old ? 301 : 101; }
    qint32 period() const { return load == Load::Old ? 3 : 0; }
    QString fileName() const
    {
        switch (load) {
        case Load::Xml:
            return u"f.xml"_s;
        case Load::Csv:
            return u"101_1000.csv"_s;
        case Load::Old:
            return u"W0007x03.dat"_s;
        }
        return {};
    }
    QByteArrayList stored()
    {
        return test::storedReport(xml.ctx, demoYear, int(form()), institution(), period());
    }

    Told run()
    {
        Told told;
        switch (load) {
        case Load::Xml: {
            const XmlLoadOutcome out =
                xml.load(fileName(), test::portalXml(u"ЦРБ"_s, {u"10.5.62.1000=7"_s}), 101);
            told.said = out.unknown + out.errors;
            told.fileKept = !out.moved && QFile::exists(xml.work.filePath(u"import/f.xml"_s));
            break;
        }
        case Load::Csv: {
            QList<QByteArray> rows;
            for (int n = 1; n <= 10; ++n)
                rows.append("r;" + QByteArray::number(n) + ";5");
            xml.work.makeDir(u"csv"_s);
            xml.work.writeFile(u"csv/"_s + fileName(), test::csvTableFile(1000, rows));
            Form62CsvImport importer(xml.ctx, demoYear);
            const QString folder = xml.work.filePath(u"csv"_s);
            auto files = importer.scan(folder);
            if (!files)
                return told;
            const CsvLoad out = importer.loadFiles(folder, *files);
            told.said = out.messages;
            told.fileKept = !out.loaded.contains(fileName());
            break;
        }
        case Load::Old: {
            // The stored rows 1 to 4 again and the rows 5 and 6 that the report lacks.
            QByteArrayList records = stored();
            for (qint16 rowId : {5, 6}) {
                QByteArray bytes = records.value(0);
                OtchetRecord(bytes).setUnicodStr(rowId);
                records.append(bytes);
            }
            xml.work.makeDir(u"old"_s);
            const QString path = xml.work.filePath(u"old/"_s + fileName());
            auto w = data::ExchangeFileWriter::create(path, data::ExchangeFormat::Old);
            for (const QByteArray &r : records) {
                if (!w || !w->append(r))
                    return told;
            }
            if (!w->commit())
                return told;
            OldFormatImport importer(xml.ctx, xml.prompter, demoYear);
            auto files = importer.files(xml.work.filePath(u"old"_s));
            if (!files)
                return told;
            for (OldFile &f : *files)
                f.marked = true;
            const auto found = importer.institutions(*files);
            if (!found || found->institutions.size() != 1)
                return told;
            const ImportOutcome out = importer.loadOne(*files, found->institutions[0], true);
            told.said = out.messages;
            for (const ImportLine &line : out.lines)
                told.said.append(line.count);
            told.fileKept = out.inUse.contains(path) || out.notLoaded.contains(path);
            break;
        }
        }
        return told;
    }
};

// One row per load, each with its own text to look for.
void addLoads(const QStringList &texts)
{
    QTest::addColumn<int>("load");
    QTest::addColumn<QString>("text");
    QTest::newRow("xml") << int(Load::Xml) << texts.value(0);
    QTest::newRow("csv") << int(Load::Csv) << texts.value(1);
    QTest::newRow("old format") << int(Load::Old) << texts.value(2);
}

// Whether a marker of the report is on disk (or cannot be looked at), looked at through a
// context of its own.
bool markerExists(Run &run)
{
    data::DataContext ctx;
    const auto e = ReportMarker(ctx, demoYear, run.institution(), run.form()).exists();
    return !e || *e;
}

} // namespace

class TestImportMarkers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportOpenInEntryIsLeftAlone_data();
    void reportOpenInEntryIsLeftAlone();
    void markerHeldWhileTheLoadAsks_data();
    void markerHeldWhileTheLoadAsks();
    void failedWriteLeavesTheOldReport_data();
    void failedWriteLeavesTheOldReport();
    void batchWrittenWholeOrNotAtAll_data();
    void batchWrittenWholeOrNotAtAll();
};

void TestImportMarkers::reportOpenInEntryIsLeftAlone_data()
{
    addLoads({Form62XmlImport::inUseText(), u"101_1000.csv: отчет ЛПУ 101 занят, не загружен"_s,
              ImportReports::inUseText()});
}

void TestImportMarkers::reportOpenInEntryIsLeftAlone()
{
    QFETCH(int, load);
    QFETCH(QString, text);
    Run run{Load(load)};
    const QByteArrayList before = run.stored();
    QVERIFY(!before.isEmpty());

    data::DataContext entryWindow;
    ReportMarker marker(entryWindow, demoYear, run.institution(), run.form());
    QCOMPARE(marker.take(), ReportMarker::Take::Taken);
    const Told told = run.run();
    QVERIFY2(told.said.contains(text), qPrintable(told.said.join(u'|')));
    QVERIFY(told.fileKept);
    QCOMPARE(run.stored(), before);
    QVERIFY(marker.held());
    QVERIFY(markerExists(run));

    // Once report entry has left the report, the same load writes it and leaves no marker.
    QVERIFY(marker.release());
    const Told again = run.run();
    QVERIFY2(!again.said.contains(text), qPrintable(again.said.join(u'|')));
    QVERIFY(!again.fileKept);
    QVERIFY(run.stored() != before);
    QVERIFY(!markerExists(run));
}

void TestImportMarkers::markerHeldWhileTheLoadAsks_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("ДА") << 1;
    QTest::newRow("НЕТ") << 2;
}

// Only the XML load asks before it replaces a report: from the question to its commit report
// entry is told that the report is in use.
void TestImportMarkers::markerHeldWhileTheLoadAsks()
{
    QFETCH(int, answer);
    Run run(Load::Xml);
    const QByteArrayList before = run.stored();
    data::DataContext entryWindow;
    QList<runtime::Result<ReportMarker::Take>> taken;
    run.xml.prompter.answers = {answer};
    run.xml.prompter.before = [&](const QString &) {
        taken.append(ReportMarker(entryWindow, demoYear, 101, 62).take());
    };
    (void)run.run();
    QCOMPARE(run.xml.prompter.texts(),
             QStringList{Form62XmlImport::replaceQuestion(test::xmlInstitution(101))});
    QCOMPARE(taken.size(), 1);
    QCOMPARE(taken[0], ReportMarker::Take::InUse);
    QCOMPARE(run.stored() == before, answer == 2);

    QVERIFY(!markerExists(run));
    ReportMarker marker(entryWindow, demoYear, 101, 62);
    QCOMPARE(marker.take(), ReportMarker::Take::Taken);
    QVERIFY(marker.release());
}

void TestImportMarkers::failedWriteLeavesTheOldReport_data()
{
    addLoads({u"F0062.dat"_s, u"101_1000.csv: не загружен ("_s, u"W0007x03.dat: "_s});
}

// Another reader holds the data file (a summary reading it, say) while the load writes: the
// commit cannot take the file within the wait and the load's transaction is rolled back.
void TestImportMarkers::failedWriteLeavesTheOldReport()
{
    QFETCH(int, load);
    QFETCH(QString, text);
    Run run{Load(load)};
    const QByteArrayList before = run.stored();

    data::DataContext reader;
    reader.names().setOtchetFileName(demoYear, int(run.form()));
    QVERIFY(reader.open(data::FileId::otchet));
    QVERIFY(reader.file(data::FileId::otchet).beginRead());
    const auto wait = runtime::store::KeyedFile::shareWait();
    runtime::store::KeyedFile::setShareWait(std::chrono::milliseconds(100));
    const Told told = run.run();
    runtime::store::KeyedFile::setShareWait(wait);
    QVERIFY(reader.file(data::FileId::otchet).rollback());
    reader.close(data::FileId::otchet);

    QVERIFY2(told.said.join(u'|').contains(text), qPrintable(told.said.join(u'|')));
    QVERIFY(told.fileKept);
    QCOMPARE(run.stored(), before);
    QVERIFY(!markerExists(run));
    data::DataContext entryWindow;
    ReportMarker marker(entryWindow, demoYear, run.institution(), run.form());
    QCOMPARE(marker.take(), ReportMarker::Take::Taken);
    QVERIFY(marker.release());
}

void TestImportMarkers::batchWrittenWholeOrNotAtAll_data()
{
    using State = entry::BatchResult::State;
    QTest::addColumn<QString>("beside"); // what holds a report or the data file meanwhile
    QTest::addColumn<int>("state301");
    QTest::addColumn<int>("state302");
    QTest::newRow("nothing") << QString() << int(State::Loaded) << int(State::Loaded);
    QTest::newRow("302 open in entry") << u"entry"_s << int(State::Loaded) << int(State::InUse);
    QTest::newRow("a reader of the file")
        << u"reader"_s << int(State::Failed) << int(State::Failed);
}

// The reports of 301 and 302 (form 7, month 3) replaced by their first two rows in one batch.
void TestImportMarkers::batchWrittenWholeOrNotAtAll()
{
    using State = entry::BatchResult::State;
    QFETCH(QString, beside);
    QFETCH(int, state301);
    QFETCH(int, state302);
    test::WorkDir work(true);
    data::DataContext ctx;
    const QList<qint32> institutions{301, 302};
    const auto stored = [&](qint32 institution) {
        return test::storedReport(ctx, demoYear, 7, institution, 3);
    };
    QHash<qint32, QByteArrayList> before;
    for (qint32 institution : institutions) {
        before[institution] = stored(institution);
        QCOMPARE(before[institution].size(), 4);
    }

    data::DataContext entryWindow;
    ReportMarker open302(entryWindow, demoYear, 302, 7);
    if (beside == u"entry")
        QCOMPARE(open302.take(), ReportMarker::Take::Taken);
    data::DataContext reader;
    reader.names().setOtchetFileName(demoYear, 7);
    if (beside == u"reader") {
        QVERIFY(reader.open(data::FileId::otchet));
        QVERIFY(reader.file(data::FileId::otchet).beginRead());
    }

    entry::ReportBatch batch(ctx);
    QStringList asked;
    QHash<qint32, entry::BatchResult> results;
    for (qint32 institution : institutions) {
        const auto decide = [&, institution](bool exists) {
            // Every report of the batch is marked before the first question.
            for (qint32 other : institutions) {
                const auto taken = ReportMarker(entryWindow, demoYear, other, 7).take();
                asked.append(u"%1 asked, %2 %3"_s.arg(institution)
                                 .arg(other)
                                 .arg(taken && *taken == ReportMarker::Take::InUse ? u"in use"_s
                                                                                   : u"free"_s));
            }
            return exists;
        };
        const auto done = [&, institution](const entry::BatchResult &r) {
            results[institution] = r;
        };
        QVERIFY(batch.add({demoYear, 7, institution, 3, 1, 3}, before[institution].mid(0, 2),
                          entry::BatchMode::Replace, decide, done));
    }
    const auto wait = runtime::store::KeyedFile::shareWait();
    runtime::store::KeyedFile::setShareWait(std::chrono::milliseconds(100));
    const runtime::Status flushed = batch.flush();
    runtime::store::KeyedFile::setShareWait(wait);
    if (beside == u"reader") {
        QVERIFY(reader.file(data::FileId::otchet).rollback());
        reader.close(data::FileId::otchet);
    }

    QStringList expectAsked{u"301 asked, 301 in use"_s, u"301 asked, 302 in use"_s};
    if (beside != u"entry")
        expectAsked += {u"302 asked, 301 in use"_s, u"302 asked, 302 in use"_s};
    QCOMPARE(asked, expectAsked);
    QCOMPARE(bool(flushed), beside != u"reader");
    const QHash<qint32, int> expected{{301, state301}, {302, state302}};
    for (qint32 institution : institutions) {
        const entry::BatchResult &r = results[institution];
        QCOMPARE(int(r.state), expected[institution]);
        QCOMPARE(r.error.message.isEmpty(), r.state != State::Failed);
        QCOMPARE(stored(institution),
                 r.state == State::Loaded ? before[institution].mid(0, 2) : before[institution]);
        // The batch's own markers are gone; report entry's stays.
        const auto marker = ReportMarker(ctx, demoYear, institution, 7).exists();
        QVERIFY(marker);
        QCOMPARE(*marker, r.state == State::InUse);
    }
    QVERIFY(open302.release());
}

QTEST_GUILESS_MAIN(TestImportMarkers)
#include "test_importmarkers.moc"
