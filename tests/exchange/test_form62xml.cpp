// Loading form 62 from XML files of the federal portal: how a cell code is split and where
// the columns of table 8000 go, the line scan, a table of loads on the demo (what is stored,
// what is asked, what is left alone), the file's new name inside the folder for loaded files,
// a rename that fails, a cancel, and files that are not read (files of other writers are golden
// cases: tests/golden/form62xml).

#include "data/DataContext.h"
#include "exchange/Form62XmlImport.h"
#include "runtime/core/Progress.h"
#include "tests/exchange/ExchangeFixture.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace zemor;
using namespace zemor::exchange;
using data::OtchetRecord;
using test::demoYear;
using test::portalXml;
using test::XmlRun;
using State = XmlLoadOutcome::State;

namespace {

// A demo institution with a form 62 report of the demo year, and one without.
constexpr qint32 withReport = 101;
constexpr qint32 withoutReport = 501;

QByteArrayList reportBytes(data::DataContext &ctx, qint32 institution)
{
    return test::storedReport(ctx, demoYear, 62, institution, 0);
}

// The stored report as "row id:value number=value" for every value that is not 0.
QStringList reportValues(data::DataContext &ctx, qint32 institution)
{
    QStringList out;
    for (QByteArray bytes : reportBytes(ctx, institution)) {
        const OtchetRecord r(bytes);
        for (int n = 1; n <= OtchetRecord::valueCount; ++n) {
            if (!r.data(n).isZero())
                out.append(u"%1:%2=%3"_s.arg(r.unicodStr()).arg(n).arg(r.data(n).toString()));
        }
    }
    out.sort();
    return out;
}

class CancellingProgress : public runtime::Progress
{
public:
    void setTotal(qint64) override {}
    void step(qint64, const QString &) override {}
    bool cancelled() const override { return true; }
};

} // namespace

class TestForm62Xml : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cellCodesAndTable8000();
    void lineScan();
    void load_data();
    void load();
    void movedFileStaysInFolder_data();
    void movedFileStaysInFolder();
    void movedIntoAFolderWithoutEndSeparator();
    void failedRenameIsSaid();
    void cancelWritesNothing();
    void filesNotRead();
    void demoSamples();
};

void TestForm62Xml::cellCodesAndTable8000()
{
    struct Case
    {
        QString code;
        int row;
        qint64 table;
        int column;
    };
    const Case cases[] = {
        {u"10.5.62.1000"_s, 10, 1000, 5},
        {u"3.16.62.8000"_s, 3, 8000, 16},
        {u"3.17.62.8000"_s, 3, 8001, 3},
        {u"3.18.62.8000"_s, 3, 8001, 5},
        {u"1.29.62.8000"_s, 1, 8001, 16},
        {u"1.30.62.8000"_s, 1, 8002, 3},
        {u"1.62.62.8000"_s, 1, 8003, 21},
        {u"1.71.62.8000"_s, 1, 8003, 30},
        {u"1.72.62.8000"_s, 1, 8004, 3},
        {u"1.73.62.8000"_s, 1, 8004, 5},
        {u"1.98.62.8000"_s, 1, 8005, 16},
        {u"2.99.62.8000"_s, 2, 8006, 3},
        {u"2.2.62.8000"_s, 2, 8000, 2},
        {u"2.2.62.123456"_s, 2, 12345, 2},
        {u"x.y.62.1000"_s, 0, 1000, 0},
        {u"62_str_99"_s, 0, 0, 0},
        {u"7"_s, 7, 0, 0},
    };
    for (const Case &c : cases) {
        const XmlCellCode code = Form62XmlImport::splitCode(c.code);
        const auto [table, column] = Form62XmlImport::remap(code.table, code.column);
        QCOMPARE(code.row, c.row);
        QCOMPARE(table, c.table);
        QCOMPARE(column, c.column);
    }
}

void TestForm62Xml::lineScan()
{
    const QByteArray longName(900, 'x');
    const QByteArray bytes =
        "<CODE>62_sprav</CODE>\n"
        "<CODE>62_str_01</CODE>\r\n"
        "<SVAL>\"" +
        longName +
        "\" \"</SVAL>\r\n"
        "<CODE>1.1.62.1000</CODE><NVAL>5</NVAL>\n" // the value on the code's own line
        "<CODE>1.2.62.1000</CODE>\n"
        "<NVAL>  </NVAL>\n" // blank: no cell
        "<CODE>1.3.62.1000</CODE>\n"
        "<NVAL>12,5</NVAL>\n"
        "<CODE>2.1.62.1000</CODE>\n"
        "<NVAL>7\n"                  // no closing tag: to the line's end
        "<CODE>4.1.62.1000</CODE>\n" // no value: the next code is a cell of its own
        "<CODE>4.2.62.1000</CODE>\n"
        "<NVAL>9</NVAL>\r" // a CR alone ends a line
        "<item><CODE>5.1.62.1000</CODE><NVAL>6</NVAL></item>\r"
        "<CODE>3.1.62.1000</CODE>";
    const XmlScan scan = Form62XmlImport::scan(bytes);
    QVERIFY(scan.institutionFound);
    QVERIFY(scan.institutionClean);
    QCOMPARE(scan.institutionText, QString::fromLatin1(longName.left(149)));
    QStringList cells;
    for (const XmlCell &c : scan.cells)
        cells.append(c.code + u'=' + c.value);
    QCOMPARE(cells, (QStringList{u"1.1.62.1000=5"_s, u"1.3.62.1000=12,5"_s, u"2.1.62.1000=7"_s,
                                 u"4.2.62.1000=9"_s, u"5.1.62.1000=6"_s}));
    QVERIFY(Form62XmlImport::nothingToLoadReason(scan).isEmpty());

    // A file on one line holds every code on that line: nothing is read, and the reason says so.
    const XmlScan oneLine = Form62XmlImport::scan(
        "<?xml version='1.0'?><report><item><CODE>1.1.62.1000</CODE><NVAL>5</NVAL></item>"
        "<item><CODE>1.2.62.1000</CODE><NVAL>6</NVAL></item></report>");
    QVERIFY(oneLine.cells.isEmpty());
    QVERIFY(Form62XmlImport::nothingToLoadReason(oneLine).startsWith(
        u"в строке 1 несколько тегов <CODE>"_s));

    QVERIFY(Form62XmlImport::notTextReason(bytes).isEmpty());
    QVERIFY(Form62XmlImport::notTextReason("a\tb\f\x1a\r\n\xc0\xff").isEmpty());
    QVERIFY(Form62XmlImport::notTextReason(QByteArray("<CODE>\0", 7)).contains(u"нулевые"));
    QVERIFY(Form62XmlImport::notTextReason("ok\n\x01\x02").contains(u"строке 2"));
}

void TestForm62Xml::load_data()
{
    QTest::addColumn<qint32>("code");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<int>("answer"); // to the replacement question; 0: not asked
    QTest::addColumn<int>("state");
    QTest::addColumn<QStringList>("stored");   // empty: the report before stays
    QTest::addColumn<QStringList>("messages"); // unknown cells, then errors

    QTest::newRow("10.5.62.1000") << withoutReport << QStringList{u"10.5.62.1000=7"_s} << 0
                                  << int(State::Loaded) << QStringList{u"14:5=7"_s}
                                  << QStringList{};
    QTest::newRow("two cells, one record")
        << withoutReport << QStringList{u"3.17.62.8000=4"_s, u"3.18.62.8000=6"_s} << 0
        << int(State::Loaded) << QStringList{u"25:1=4"_s, u"25:3=6"_s} << QStringList{};
    QTest::newRow("comma, not a number, out of the row")
        << withoutReport
        << QStringList{u"1.1.62.1000=12,5"_s, u"1.2.62.1000=abc"_s, u"1.3.62.1000= 3 "_s,
                       u"1.2.62.8000=9"_s}
        << 0 << int(State::Loaded) << QStringList{u"1:1=12.5"_s, u"1:3=3"_s}
        << QStringList{u"import.xml: таблица 1000, строка 1, графа 2: \"abc\" не число"_s};
    QTest::newRow("numbers too long for a value")
        << withoutReport
        << QStringList{u"1.1.62.1000=123456789012345678"_s, u"1.2.62.1000="_s + QString(40, u'9'),
                       u"1.3.62.1000=99999999999999,999"_s}
        << 0 << int(State::Loaded) << QStringList{u"1:3=99999999999999.999"_s}
        << QStringList{u"import.xml: таблица 1000, строка 1, графа 1: \"123456789012345678\" "
                       u"число не помещается в графу (не больше 14 цифр до запятой)"_s,
                       u"import.xml: таблица 1000, строка 1, графа 2: \""_s + QString(40, u'9') +
                           u"\" число не помещается в графу (не больше 14 цифр до запятой)"_s};
    QTest::newRow("replaced on yes")
        << withReport << QStringList{u"2.1.62.1000=5"_s} << 1 << int(State::Loaded)
        << QStringList{u"2:1=5"_s} << QStringList{};
    QTest::newRow("no keeps everything") << withReport << QStringList{u"2.1.62.1000=5"_s} << 2
                                         << int(State::Declined) << QStringList{} << QStringList{};
    QTest::newRow("no cell maps") << withReport
                                  << QStringList{u"1.1.62.7777=5"_s, u"99.1.62.1000=3"_s} << 0
                                  << int(State::NoneMapped) << QStringList{}
                                  << QStringList{u"1.1.62.7777=t7777,gr1,str1"_s,
                                                 u"99.1.62.1000=t1000,gr1,str99"_s};
    QTest::newRow("no cells") << withReport << QStringList{} << 0 << int(State::NotRead)
                              << QStringList{} << QStringList{};
}

void TestForm62Xml::load()
{
    QFETCH(qint32, code);
    QFETCH(QStringList, cells);
    QFETCH(int, answer);
    QFETCH(int, state);
    QFETCH(QStringList, stored);
    QFETCH(QStringList, messages);

    XmlRun run;
    const QByteArrayList before = reportBytes(run.ctx, code);
    QCOMPARE(before.isEmpty(), code == withoutReport);
    if (answer != 0)
        run.prompter.answers = {answer};
    const XmlLoadOutcome out = run.load(u"import.xml"_s, portalXml(u"Загружен"_s, cells), code);

    QCOMPARE(int(out.state), state);
    QCOMPARE(out.unknown + out.errors, messages);
    QCOMPARE(run.prompter.messages.size(), answer != 0 ? 1 : 0);
    if (answer != 0)
        QCOMPARE(run.prompter.messages[0].text,
                 u"ОТЧЕТ ЛПУ 101 ЛПУ 101 по форме 62 существует. |УДАЛИТЬ старый ОТЧЕТ ?"_s);
    if (stored.isEmpty())
        QCOMPARE(reportBytes(run.ctx, code), before);
    else
        QCOMPARE(reportValues(run.ctx, code), stored);
    const bool loaded = state == int(State::Loaded);
    QCOMPARE(out.moved, loaded);
    QCOMPARE(QFile::exists(run.work.filePath(u"import/import.xml"_s)), !loaded);
    QCOMPARE(QFile::exists(run.work.filePath(u"temp1/Загружен.xml"_s)), loaded);
    if (loaded)
        QCOMPARE(Form62XmlImport::endText(out),
                 u"Файл загружен.  XML файл переименован в -  \\temp1\\Загружен.xml"_s);
}

void TestForm62Xml::movedFileStaysInFolder_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::newRow("parent folders") << u"..\\..\\x"_s << u"_.._x.xml"_s;
    QTest::newRow("slashes and a drive") << u"C:/temp/a*b?"_s << u"C__temp_a_b_.xml"_s;
    QTest::newRow("quotes") << u"ГБУЗ \"ЦРБ\" \"Б\""_s << u"ГБУЗ ЦРБ \"Б\".xml"_s;
    QTest::newRow("tab") << u"a\tb"_s << u"a_b.xml"_s;
    QTest::newRow("blank") << QString() << u".xml"_s;
    QTest::newRow("long") << QString(300, u'я') << QString(100, u'я') + u".xml"_s;
}

void TestForm62Xml::movedFileStaysInFolder()
{
    QFETCH(QString, text);
    QFETCH(QString, name);

    XmlRun run;
    // A file the text would reach without the clean-up, and one with the cleaned name.
    run.work.writeFile(u"x.xml"_s, "keep");
    run.work.writeFile(u"temp1/"_s + name, "older");
    const XmlLoadOutcome out =
        run.load(u"f.xml"_s, portalXml(text, {u"1.1.62.1000=3"_s}), withoutReport);
    QCOMPARE(out.state, State::Loaded);
    QVERIFY(out.moved);
    QCOMPARE(out.movedTo, u"\\temp1\\"_s + name);
    QVERIFY(!QFile::exists(run.work.filePath(u"import/f.xml"_s)));
    QVERIFY(test::readBytes(run.work.filePath(u"temp1/"_s + name)).startsWith("<?xml"));
    QCOMPARE(test::readBytes(run.work.filePath(u"x.xml"_s)), QByteArray("keep"));
}

void TestForm62Xml::movedIntoAFolderWithoutEndSeparator()
{
    XmlRun run;
    const XmlLoadOutcome out = run.load(u"f.xml"_s, portalXml(u"ЦРБ"_s, {u"1.1.62.1000=3"_s}),
                                        withoutReport, u"\\temp1"_s);
    QVERIFY(out.moved);
    QCOMPARE(out.movedTo, u"\\temp1\\ЦРБ.xml"_s);
    QVERIFY(QFile::exists(run.work.filePath(u"temp1/ЦРБ.xml"_s)));
}

void TestForm62Xml::failedRenameIsSaid()
{
    XmlRun run;
    const XmlLoadOutcome out = run.load(u"f.xml"_s, portalXml(u"ЦРБ"_s, {u"1.1.62.1000=3"_s}),
                                        withoutReport, u"\\no such folder\\"_s);
    QCOMPARE(out.state, State::Loaded);
    QCOMPARE(reportValues(run.ctx, withoutReport), QStringList{u"1:1=3"_s});
    QVERIFY(!out.moved);
    QVERIFY(!out.moveError.isEmpty());
    QVERIFY(QFile::exists(run.work.filePath(u"import/f.xml"_s)));
    const QString said = Form62XmlImport::endText(out);
    QVERIFY(!said.startsWith(u"Файл загружен"));
    QVERIFY(said.startsWith(u"Отчет загружен, но XML файл не переименован в \\no such "
                            u"folder\\ЦРБ.xml: "_s));
}

void TestForm62Xml::cancelWritesNothing()
{
    XmlRun run;
    const QByteArrayList before = reportBytes(run.ctx, withReport);
    run.prompter.answers = {1};
    CancellingProgress cancel;
    const XmlLoadOutcome out = run.load(u"f.xml"_s, portalXml(u"ЦРБ"_s, {u"1.1.62.1000=3"_s}),
                                        withReport, u"\\temp1\\"_s, &cancel);
    QCOMPARE(out.state, State::Cancelled);
    QCOMPARE(reportBytes(run.ctx, withReport), before);
    QVERIFY(QFile::exists(run.work.filePath(u"import/f.xml"_s)));
}

void TestForm62Xml::filesNotRead()
{
    XmlRun run;
    QCOMPARE(Form62XmlImport::parse(u"\\import\\"_s).error().message,
             u"import: это папка, а не файл"_s);
    QCOMPARE(Form62XmlImport::parse(u"\\import\\none.xml"_s).error().code,
             runtime::ErrorCode::FileNotFound);
    run.work.writeFile(u"import/koi.xml"_s, "<?xml version=\"1.0\" encoding=\"KOI8-R\"?>\n");
    QCOMPARE(Form62XmlImport::parse(u"\\import\\koi.xml"_s).error().message,
             u"koi.xml: файл не загружен: в файле объявлена кодировка \"KOI8-R\", а читаются "
             u"только windows-1251 и utf-8"_s);
}

void TestForm62Xml::demoSamples()
{
    XmlRun run;
    run.prompter.answers = {1};
    QVERIFY(run.importer.loadRows());
    for (const qint32 code : {503, 101}) {
        const QString path = u"\\import\\f62_%1.xml"_s.arg(code);
        const auto scan = Form62XmlImport::parse(path);
        QVERIFY(scan);
        QVERIFY(scan->institutionText.startsWith(u"ГБУЗ "));
        const XmlLoadOutcome out =
            run.importer.load(*scan, test::xmlInstitution(code), path, u"\\temp1\\"_s);
        QCOMPARE(out.state, State::Loaded);
        QCOMPARE(out.unknown, QStringList{});
        QCOMPARE(out.errors, QStringList{});
        QCOMPARE(out.cells, scan->cells.size());
        QVERIFY(out.moved);
    }
    QCOMPARE(run.prompter.messages.size(), 1); // the question for 101
}

QTEST_GUILESS_MAIN(TestForm62Xml)
#include "test_form62xml.moc"
