// Loading form 62 from the federal portal's CSV files into the demo's data file: the table
// files (leading fields by table group, the split of table 8000, the header and table checks),
// the summary file, values as the files hold them, bad input refused with the file named and
// the data file unchanged, and a load stopped between files.

#include "data/records/OtchetRecord.h"
#include "data/records/TablRecord.h"
#include "exchange/Form62CsvImport.h"
#include "runtime/core/Progress.h"
#include "runtime/text/Cp1251.h"
#include "tests/exchange/ExchangeFixture.h"
#include "tests/shell/ShellFixture.h"
#include "tools/DemoCatalogue.h"
#include "tools/DemoForm62.h"

#include <QTest>

using namespace zemor;
using namespace zemor::exchange;
using namespace Qt::StringLiterals;
using data::OtchetRecord;
using runtime::Decimal;

namespace {

// The year without stored reports of form 62.
constexpr int year = 2026;

// A stored value: table, row id, value number, value as text.
struct Cell
{
    qint64 table;
    int rowId;
    int column;
    QString value;
};

using Cells = QList<Cell>;

QByteArray cp1251(const QString &text)
{
    return runtime::text::toCp1251(text);
}

// A line of table 8000: name, code, then field f holds f (fields 3 to 106).
QByteArray wideLine()
{
    QByteArray line = "\"Всего; все\";1";
    for (int f = 3; f <= 106; ++f)
        line += ';' + QByteArray::number(f);
    return line;
}

// Stops the load once `after` files are done.
class StopAfter final : public runtime::Progress
{
public:
    explicit StopAfter(qint64 after) : m_after(after) {}
    void setTotal(qint64) override {}
    void step(qint64 done, const QString &) override { m_done = done; }
    bool cancelled() const override { return m_done >= m_after; }

private:
    qint64 m_after;
    qint64 m_done = 0;
};

} // namespace

class TestForm62Csv : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void splitsFieldsOutsideQuotes_data();
    void splitsFieldsOutsideQuotes();
    void splitsTable8000();
    void readsValues_data();
    void readsValues();

    void loadsTableFiles_data();
    void loadsTableFiles();
    void loadsTheDemoSamples();
    void rowsPresentStayAndAreCounted();
    void refusesBadInputWithoutChangingTheFile_data();
    void refusesBadInputWithoutChangingTheFile();
    void stopsBetweenFiles();
    void refusesATableOutsideTheGroups();
    void loadsASummaryFile();

private:
    QString dataFile() const { return m_work->filePath(u"%1/F0062.dat"_s.arg(year)); }
    QString folder() const { return m_work->filePath(u"csv"_s); }
    void write(const QString &name, const QByteArray &content) const
    {
        m_work->writeFile(u"csv/"_s + name, content);
    }
    CsvLoad loadFolder(QList<CsvFile> *listed = nullptr, runtime::Progress *progress = nullptr)
    {
        Form62CsvImport importer(m_ctx, year);
        auto files = importer.scan(folder());
        if (!files)
            return {};
        CsvLoad load = importer.loadFiles(folder(), *files, progress);
        if (listed)
            *listed = *files;
        return load;
    }
    QByteArrayList stored(qint32 institution)
    {
        return test::storedRecords(
            m_ctx, year, 62, [&](const OtchetRecord &r) { return r.codUch() == institution; });
    }
    // The stored value of (institution, table, row id, column), or "absent".
    QString valueOf(qint32 institution, const Cell &cell)
    {
        for (QByteArray bytes : stored(institution)) {
            const OtchetRecord r(bytes);
            if (r.codTab() == cell.table && r.unicodStr() == cell.rowId)
                return r.data(cell.column).toString();
        }
        return u"absent"_s;
    }

    std::unique_ptr<test::WorkDir> m_work;
    QByteArray m_pristine;
    data::DataContext m_ctx;
};

void TestForm62Csv::initTestCase()
{
    m_work = std::make_unique<test::WorkDir>(true);
    m_pristine = test::readBytes(dataFile());
    QVERIFY(!m_pristine.isEmpty());
}

void TestForm62Csv::init()
{
    QFile::remove(dataFile());
    QFile f(dataFile());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(m_pristine);
    f.close();
    QDir(folder()).removeRecursively();
    m_work->makeDir(u"csv"_s);
}

void TestForm62Csv::splitsFieldsOutsideQuotes_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArrayList>("fields");
    QTest::newRow("plain") << QByteArray("a;1;2,5;") << QByteArrayList{"a", "1", "2,5", ""};
    QTest::newRow("quoted ;") << QByteArray("\"a;b\";1;2") << QByteArrayList{"a;b", "1", "2"};
    QTest::newRow("doubled quote")
        << QByteArray("\"a \"\"b\"\"; c\";7") << QByteArrayList{"a \"b\"; c", "7"};
    QTest::newRow("quote inside a field") << QByteArray("a\"b;c") << QByteArrayList{"a\"b", "c"};
    QTest::newRow("unclosed quote") << QByteArray("\"a;b") << QByteArrayList{"a;b"};
    QTest::newRow("empty") << QByteArray() << QByteArrayList{""};
}

void TestForm62Csv::splitsFieldsOutsideQuotes()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArrayList, fields);
    QCOMPARE(Form62CsvImport::splitFields(line), fields);
}

void TestForm62Csv::splitsTable8000()
{
    using P = std::pair<int, int>;
    QCOMPARE(Form62CsvImport::splitTable8000Column(2), std::nullopt);
    QCOMPARE(Form62CsvImport::splitTable8000Column(3), P(8000, 1));
    QCOMPARE(Form62CsvImport::splitTable8000Column(15), P(8000, 13));
    QCOMPARE(Form62CsvImport::splitTable8000Column(16), P(8001, 1));
    QCOMPARE(Form62CsvImport::splitTable8000Column(41), P(8002, 13));
    QCOMPARE(Form62CsvImport::splitTable8000Column(42), P(8003, 1));
    QCOMPARE(Form62CsvImport::splitTable8000Column(67), P(8003, 26));
    QCOMPARE(Form62CsvImport::splitTable8000Column(68), P(8004, 1));
    QCOMPARE(Form62CsvImport::splitTable8000Column(106), P(8006, 13));
    QCOMPARE(Form62CsvImport::splitTable8000Column(107), std::nullopt);
    QCOMPARE(Form62CsvImport::leadingFields(1100), 2);
    QCOMPARE(Form62CsvImport::leadingFields(2000), 3);
    QCOMPARE(Form62CsvImport::leadingFields(4000), 0);
    QCOMPARE(Form62CsvImport::leadingFields(999), std::nullopt);
    QCOMPARE(Form62CsvImport::leadingFields(10000), std::nullopt);
}

void TestForm62Csv::readsValues_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("value"); // "-" when it is not a number
    QTest::newRow("blank") << QByteArray("  ") << u"0"_s;
    QTest::newRow("comma") << QByteArray(" 12,5 ") << u"12.5"_s;
    QTest::newRow("point") << QByteArray("12.25") << u"12.25"_s;
    QTest::newRow("three places kept") << QByteArray("0,125") << u"0.125"_s;
    QTest::newRow("negative") << QByteArray("-3") << u"-3"_s;
    QTest::newRow("text") << QByteArray("x") << u"-"_s;
    QTest::newRow("thousands blank") << QByteArray("1 234") << u"-"_s;
    QTest::newRow("two points") << QByteArray("1.2.3") << u"-"_s;
    QTest::newRow("too wide") << QByteArray("123456789012345678") << u"-"_s;
}

void TestForm62Csv::readsValues()
{
    QFETCH(QByteArray, field);
    QFETCH(QString, value);
    const auto read = Form62CsvImport::value(field);
    QCOMPARE(read ? read->toString() : u"-"_s, value);
}

void TestForm62Csv::loadsTableFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Cells>("cells");
    QTest::addColumn<QString>("message"); // a part of the messages, or empty for none

    // Table 1000 (group 1): two leading fields, field 3 is column 1; zeros are not written.
    QTest::newRow("group 1") << u"501_1000.csv"_s
                             << test::csvTableFile(1000, {cp1251(u"Врачи;1;10;9;0;;1,5"_s),
                                                          cp1251(u"из них;1.1;4;3;2;1;0"_s)})
                             << Cells{{1000, 1, 1, u"10"_s},
                                      {1000, 1, 2, u"9"_s},
                                      {1000, 1, 3, u"0"_s},
                                      {1000, 1, 5, u"1.5"_s},
                                      {1000, 2, 4, u"1"_s}}
                             << QString();
    QTest::newRow("row name with ; in quotes")
        << u"501_1000.csv"_s << test::csvTableFile(1000, {cp1251(u"\"Врачи; всего\";1;7;6"_s)})
        << Cells{{1000, 1, 1, u"7"_s}, {1000, 1, 2, u"6"_s}} << QString();
    // A name that wraps in its cell is one quoted field over two lines: the rows after it keep
    // their own values.
    QTest::newRow("row name over two lines")
        << u"501_1000.csv"_s
        << test::csvTableFile(1000, {cp1251(u"\"Врачи\r\nвсего\";1;7;6"_s),
                                     cp1251(u"\"из них\n\";1.1;5"_s), "c;2;4"})
        << Cells{{1000, 1, 1, u"7"_s},
                 {1000, 1, 2, u"6"_s},
                 {1000, 2, 1, u"5"_s},
                 {1000, 3, 1, u"4"_s}}
        << QString();
    QTest::newRow("quote left open")
        << u"501_1000.csv"_s << test::csvTableFile(1000, {"a;1;7", "\"b;1.1;5", "c;2;4"})
        << Cells{{1000, 1, 1, u"absent"_s}}
        << u"501_1000.csv: кавычка, открытая в строке 6, не закрыта до конца файла"_s;
    // Every text cell quoted, the table line and the row numbers too.
    QTest::newRow("every text cell quoted")
        << u"501_1000.csv"_s
        << test::csvLines({cp1251(u"\"Форма N 62\""_s), cp1251(u"\"(1000) Таблица\";\"\""_s),
                           cp1251(u"\"Наименование\";\"N строки\""_s), "1;2;3;4;5;6;7",
                           cp1251(u"\"Врачи\";\"1\";7;\"\";6"_s)})
        << Cells{{1000, 1, 1, u"7"_s}, {1000, 1, 3, u"6"_s}} << QString();
    QTest::newRow("decimal comma in table 9000")
        << u"502_9000.csv"_s << test::csvTableFile(9000, {"a;1;12,5;0,125;3"})
        << Cells{{9000, 41, 1, u"12.5"_s}, {9000, 41, 2, u"0.125"_s}, {9000, 41, 3, u"3"_s}}
        << QString();
    QTest::newRow("value that is not a number")
        << u"501_1000.csv"_s << test::csvTableFile(1000, {"a;1;7;x;5"})
        << Cells{{1000, 1, 1, u"7"_s}, {1000, 1, 2, u"0"_s}, {1000, 1, 3, u"5"_s}}
        << u"501_1000.csv: таблица 1000, строка 1, графа 2: не число \"x\""_s;
    QTest::newRow("no header line")
        << u"501_1000.csv"_s << test::csvLines({"x", "(1000) t", "a;1;7;6", "b;2;5;4"})
        << Cells{{1000, 1, 1, u"absent"_s}} << u"501_1000.csv: ??"_s;
    QTest::newRow("line 2 names another table")
        << u"501_1000.csv"_s << test::csvTableFile(9000, {"a;1;7"})
        << Cells{{1000, 1, 1, u"absent"_s}} << u"501_1000.csv: ??"_s;
    QTest::newRow("table not of the form")
        << u"501_4321.csv"_s << test::csvTableFile(4321, {"a;1;7"}) << Cells{} << u"?Tab4321"_s;
    QTest::newRow("unknown institution") << u"999_1000.csv"_s << test::csvTableFile(1000, {"a;1;7"})
                                         << Cells{} << u"MO c кодом 999 нет в boln"_s;
    // 106 fields: one row in each of the tables 8000 to 8006, and the line after the rows
    // carries table 8030 at character 235.
    QTest::newRow("table 8000")
        << u"501_8000.csv"_s
        << test::csvTableFile(8000,
                              {wideLine(), "b;2", "c;3",
                               QByteArray("(8030) visits").leftJustified(234, ' ') + "57;9"},
                              106)
        << Cells{{8000, 20, 1, u"3"_s},   {8000, 20, 13, u"15"_s},  {8000, 20, 14, u"0"_s},
                 {8001, 23, 1, u"16"_s},  {8002, 26, 13, u"41"_s},  {8003, 29, 1, u"42"_s},
                 {8003, 29, 26, u"67"_s}, {8004, 32, 1, u"68"_s},   {8005, 35, 13, u"93"_s},
                 {8006, 38, 1, u"94"_s},  {8006, 38, 13, u"106"_s}, {8000, 21, 1, u"0"_s},
                 {8030, 673, 1, u"57"_s}}
        << QString();
    // A line longer than any fixed buffer is read whole: its values land in their columns.
    QTest::newRow("very long line")
        << u"501_1000.csv"_s
        << test::csvTableFile(1000, {"\"" + QByteArray(200000, 'n') + "\";1;7;6;5;4;3"})
        << Cells{{1000, 1, 1, u"7"_s}, {1000, 1, 5, u"3"_s}} << QString();
}

void TestForm62Csv::loadsTableFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(Cells, cells);
    QFETCH(QString, message);
    write(name, content);
    const qint32 institution = name.left(3).toInt();
    const CsvLoad load = loadFolder();
    const QString said = load.messages.join(u'|');
    if (message.isEmpty())
        QVERIFY2(load.messages.isEmpty(), qPrintable(said));
    else
        QVERIFY2(said.contains(message), qPrintable(said));
    for (const Cell &cell : cells)
        QCOMPARE(valueOf(institution, cell), cell.value);
    // Every row is stored for period 0, with the institution's district.
    for (QByteArray bytes : stored(institution)) {
        const OtchetRecord r(bytes);
        QCOMPARE(r.mes(), 0);
        QCOMPARE(int(r.codReg()), tools::demoReference().institution(institution)->district);
    }
}

void TestForm62Csv::loadsTheDemoSamples()
{
    // The demo's own import folder: every table file of both sample institutions loads.
    Form62CsvImport importer(m_ctx, year);
    const QString samples = m_work->filePath(u"import"_s);
    auto files = importer.scan(samples);
    QVERIFY(files);
    QCOMPARE(files->size(), 2 * 3);
    const CsvLoad load = importer.loadFiles(samples, *files);
    QVERIFY2(load.messages.isEmpty(), qPrintable(load.messages.join(u'|')));
    QCOMPARE(load.loaded.size(), 6);
    const tools::DemoForm &form = *tools::demoCatalogue().form(62);
    // Table 1000, the seven parts of table 8000, table 8030 and table 9000.
    const int rows = int(form.table(1000)->rows.size() + 7 * 3 + 1 + form.table(9000)->rows.size());
    QCOMPARE(load.rowsAdded, 2 * rows);
    QCOMPARE(stored(501).size(), rows);
    // A decimal comma of the sample.
    QCOMPARE(valueOf(501, {1000, 1, 1, {}}), u"85.25"_s);
}

void TestForm62Csv::rowsPresentStayAndAreCounted()
{
    write(u"501_1000.csv"_s, test::csvTableFile(1000, {"a;1;7", "b;1.1;5"}));
    QList<CsvFile> files;
    QCOMPARE(loadFolder(&files).rowsAdded, 2);
    QCOMPARE(files[0].errors, 0);
    write(u"501_1000.csv"_s, test::csvTableFile(1000, {"a;1;70", "b;1.1;50", "c;2;3"}));
    const CsvLoad again = loadFolder(&files);
    QCOMPARE(again.rowsAdded, 1);
    QCOMPARE(files[0].errors, 2);
    QCOMPARE(valueOf(501, {1000, 1, 1, {}}), u"7"_s);
}

void TestForm62Csv::refusesBadInputWithoutChangingTheFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk += char((i * 7919) % 256);
    QTest::newRow("binary junk") << junk << u"501_1000.csv: не текстовый файл"_s;
    QTest::newRow("NUL inside a valid file")
        << test::csvTableFile(1000, {QByteArray("a;1;7\0;6", 8)})
        << u"501_1000.csv: не текстовый файл"_s;
    QTest::newRow("UTF-16") << QByteArray("\xff\xfe(\0001\0000\0000\0000\0)\0", 14)
                            << u"501_1000.csv: не текстовый файл"_s;
    QTest::newRow("text without table") << QByteArray(100000, 'z') << u"501_1000.csv: ??"_s;
    QTest::newRow("empty") << QByteArray() << u"501_1000.csv: ??"_s;
}

void TestForm62Csv::refusesBadInputWithoutChangingTheFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    write(u"501_1000.csv"_s, content);
    const CsvLoad load = loadFolder();
    QVERIFY2(load.messages.join(u'|').contains(message), qPrintable(load.messages.join(u'|')));
    QVERIFY(load.loaded.isEmpty());
    QCOMPARE(test::readBytes(dataFile()), m_pristine);
}

void TestForm62Csv::stopsBetweenFiles()
{
    write(u"501_1000.csv"_s, test::csvTableFile(1000, {"a;1;7"}));
    write(u"502_1000.csv"_s, test::csvTableFile(1000, {"a;1;8"}));
    StopAfter stop(1);
    QList<CsvFile> files;
    const CsvLoad load = loadFolder(&files, &stop);
    QVERIFY(load.cancelled);
    // The list runs from the last name to the first.
    QCOMPARE(files.value(0).name, u"502_1000.csv"_s);
    QCOMPARE(load.loaded, QStringList{u"502_1000.csv"_s});
    QCOMPARE(valueOf(502, {1000, 1, 1, {}}), u"8"_s);
    QVERIFY(stored(501).isEmpty());
}

void TestForm62Csv::refusesATableOutsideTheGroups()
{
    // Table 500 of form 62 (group 0) has no count of leading fields: its file is refused as a
    // table of another form would be, and the catalogue is set back for the other cases.
    const QString tabl = m_work->filePath(u"%1/Tabl.dat"_s.arg(year));
    const QByteArray catalogue = test::readBytes(tabl);
    {
        data::DataContext ctx;
        ctx.names().setYearFileNames(year);
        test::addRecord(ctx, data::FileId::tabl, [](QByteArray &bytes) {
            data::TablRecord t(bytes);
            t.setUnicodT(900);
            QVERIFY(t.setCodForm(62));
            QVERIFY(t.setCodTabl(500));
            QVERIFY(t.setA(2));
        });
    }
    write(u"501_0500.csv"_s, test::csvTableFile(500, {"a;1;7"}));
    const CsvLoad load = loadFolder();
    QFile::remove(tabl);
    QFile restored(tabl);
    QVERIFY(restored.open(QIODevice::WriteOnly));
    restored.write(catalogue);
    restored.close();
    QVERIFY2(load.messages.join(u'|').contains(u"501_0500.csv: ?Tab500"_s),
             qPrintable(load.messages.join(u'|')));
    QVERIFY(load.loaded.isEmpty());
    QCOMPARE(test::readBytes(dataFile()), m_pristine);
}

void TestForm62Csv::loadsASummaryFile()
{
    // Every demo institution, the rows of tables 1000 and 9000: over 255 rows, so that a second
    // load counts more rows present than a byte holds.
    QList<QByteArray> summary{"Свод формы 62"};
    int rows = 0;
    for (const tools::DemoInstitution &inst : tools::demoReference().institutions) {
        for (int n = 1; n <= 10; ++n) {
            summary.append("1000;" + QByteArray::number(inst.code) + ';' + QByteArray::number(n) +
                           ";1;2,5;;4");
            ++rows;
        }
        summary.append("9000;" + QByteArray::number(inst.code) + ";3;12,5");
        ++rows;
    }
    summary.append("1000;998;1;5");  // not in boln: stored with district 0
    summary.append("1000;501;77;5"); // no row 77
    write(u"svod.csv"_s, test::csvLines(summary));
    QVERIFY(rows + 1 > 255);

    Form62CsvImport importer(m_ctx, year);
    auto files = importer.scan(folder());
    QVERIFY(files && files->size() == 1);
    CsvFile &file = (*files)[0];
    CsvLoad load = importer.loadSummary(folder(), file);
    const QString said = load.messages.join(u'|');
    QVERIFY2(said.contains(u"svod.csv: err1"_s), qPrintable(said));
    QVERIFY2(said.contains(u"MO c кодом 998 нет в boln"_s), qPrintable(said));
    QVERIFY2(said.contains(u"err  str=77"_s), qPrintable(said));
    QCOMPARE(load.rowsAdded, rows + 1);
    QCOMPARE(file.errors, 0);
    QCOMPARE(valueOf(701, {1000, 14, 2, {}}), u"2.5"_s);
    QCOMPARE(valueOf(701, {9000, 43, 1, {}}), u"12.5"_s);
    QByteArray unknown = stored(998).value(0);
    QCOMPARE(int(OtchetRecord(unknown).codReg()), 0);

    load = importer.loadSummary(folder(), file);
    QCOMPARE(load.rowsAdded, 0);
    QCOMPARE(file.errors, rows + 1);
}

QTEST_GUILESS_MAIN(TestForm62Csv)
#include "test_form62csv.moc"
