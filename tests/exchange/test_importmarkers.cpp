// The report-in-use marker through the loads of form 62 (XML and CSV files of the federal portal)
// and of old-format exchange files: a report open in report entry is left as it is and named in
// use, the load holds the marker of a report while it asks whether to replace it, and a write
// that fails leaves the old report and no marker behind. Each load writes one report of the demo
// that has a stored report already.

#include "data/ExchangeFile.h"
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

void addLoads(const QStringList &inUse, const QStringList &failed)
{
    QTest::addColumn<int>("load");
    QTest::addColumn<QString>("text");
    const QList<Load> loads{Load::Xml, Load::Csv, Load::Old};
    const char *names[] = {"xml", "csv", "old format"};
    for (qsizetype i = 0; i < loads.size(); ++i)
        QTest::newRow(names[i]) << int(loads[i]) << (inUse.isEmpty() ? failed : inUse).value(i);
}

// Whether a marker of the report is on disk, looked at through a context of its own.
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
};

void TestImportMarkers::reportOpenInEntryIsLeftAlone_data()
{
    addLoads({Form62XmlImport::inUseText(), u"101_1000.csv: отчет ЛПУ 101 занят, не загружен"_s,
              ImportReports::inUseText()},
             {});
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
    addLoads({}, {u"F0062.dat"_s, u"101_1000.csv: не загружен ("_s, u"W0007x03.dat: "_s});
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

QTEST_GUILESS_MAIN(TestImportMarkers)
#include "test_importmarkers.moc"
