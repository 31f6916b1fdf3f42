// The golden cases of the CSV, XML and dBase loads (tests/golden/form62csv, form62xml and
// dbfimport): files as other programs wrote them, each loaded into a copy of the demo working
// directory. The outcome is rendered as lines: what the load said, then every record it added
// ("+") or took away ("-") in any data file, with its values. args.txt holds "key value" lines:
//   year <y>             the reporting year of the load (CSV and XML)
//   file <name>          the name the input is copied under (CSV, dBase)
//   summary              load the CSV file as a summary file of many institutions
//   institution <code>   the institution of an XML load; its district is the code / 100
//   answer <n>           the answer to the replacement question of an XML load
//   typed <year> <p>     a dBase load into that year and period (else those of the file name)

#include "data/DataContext.h"
#include "data/records/OtchetRecord.h"
#include "exchange/DbfImport.h"
#include "exchange/Form62CsvImport.h"
#include "exchange/Form62XmlImport.h"
#include "golden/GoldenCases.h"
#include "tests/exchange/ExchangeFixture.h"
#include "tests/support/ScriptedPrompter.h"
#include "tools/DemoImportsDbf.h"

#include <QDirIterator>
#include <QMap>
#include <QRegularExpression>
#include <QTest>

using namespace zemor;
using namespace zemor::exchange;
using namespace Qt::StringLiterals;
using data::OtchetRecord;

namespace {

// The arguments of a case: the words after each key.
struct Args
{
    QMap<QString, QStringList> items;

    explicit Args(const QStringList &lines)
    {
        for (const QString &line : lines) {
            QStringList words = line.split(u' ', Qt::SkipEmptyParts);
            if (!words.isEmpty())
                items.insert(words.takeFirst(), words);
        }
    }
    bool has(const QString &key) const { return items.contains(key); }
    QString text(const QString &key, const QString &otherwise = {}) const
    {
        return has(key) ? items.value(key).join(u' ') : otherwise;
    }
    int number(const QString &key, int otherwise = 0, int at = 0) const
    {
        return has(key) ? items.value(key).value(at).toInt() : otherwise;
    }
};

// Every record of every report data file of the working directory, by "year/form".
using Records = QMap<QString, QByteArrayList>;

Records allRecords(data::DataContext &ctx, const QString &root)
{
    Records out;
    static const QRegularExpression dataFile(u"^(\\d{4})/F(\\d{4})\\.dat$"_s,
                                             QRegularExpression::CaseInsensitiveOption);
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = QDir(root).relativeFilePath(it.next());
        const auto match = dataFile.match(relative);
        if (!match.hasMatch())
            continue;
        const int year = match.captured(1).toInt();
        const int form = match.captured(2).toInt();
        out.insert(u"%1/%2"_s.arg(year).arg(form),
                   test::storedRecords(ctx, year, form, [](const OtchetRecord &) { return true; }));
    }
    return out;
}

// "<sign> <year>/<form> <institution> <district> <table> <row id> <period>:" and "n=value" for
// each value that is not 0.
QString recordLine(QChar sign, const QString &where, QByteArray bytes)
{
    const OtchetRecord r(bytes);
    QString line = u"%1 %2 %3 %4 %5 %6 %7:"_s.arg(sign)
                       .arg(where)
                       .arg(r.codUch())
                       .arg(int(r.codReg()))
                       .arg(r.codTab())
                       .arg(r.unicodStr())
                       .arg(r.mes());
    for (int n = 1; n <= OtchetRecord::valueCount; ++n) {
        if (!r.data(n).isZero())
            line += u" %1=%2"_s.arg(n).arg(r.data(n).toString());
    }
    return line;
}

// What changed between two states of the data files, sorted.
QStringList changes(const Records &before, const Records &after)
{
    QStringList lines;
    QStringList keys = before.keys() + after.keys();
    keys.removeDuplicates();
    for (const QString &key : keys) {
        const QByteArrayList was = before.value(key);
        const QByteArrayList is = after.value(key);
        for (const QByteArray &r : is) {
            if (!was.contains(r))
                lines.append(recordLine(u'+', key, r));
        }
        for (const QByteArray &r : was) {
            if (!is.contains(r))
                lines.append(recordLine(u'-', key, r));
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

QStringList said(const QStringList &messages)
{
    QStringList out;
    for (const QString &m : messages)
        out.append(u"say "_s + m);
    return out;
}

// A case: the demo working directory, the input copied into `folder` under `name`.
struct Case
{
    test::WorkDir work{true};
    test::ScriptedPrompter prompter;
    data::DataContext ctx{&prompter};
    Records before;

    Case(const QString &input, const QString &folder, const QString &name)
    {
        work.makeDir(folder);
        work.writeFile(folder + u'/' + name, test::readBytes(input));
        before = allRecords(ctx, work.path());
    }
    QStringList changed() { return changes(before, allRecords(ctx, work.path())); }
    // Boxes the load showed by itself, past the questions the case answers.
    QStringList boxes() const
    {
        QStringList out;
        for (const auto &m : prompter.messages) {
            if (m.buttons.isEmpty())
                out.append(u"box "_s + m.text);
        }
        return out;
    }
};

} // namespace

class TestImportGolden : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void csv_data() { zemor::test::addGoldenRows(u"form62csv"_s); }
    void csv();
    void xml_data() { zemor::test::addGoldenRows(u"form62xml"_s); }
    void xml();
    void dbase_data() { zemor::test::addGoldenRows(u"dbfimport"_s); }
    void dbase();
};

void TestImportGolden::csv()
{
    QFETCH(QString, input);
    QFETCH(QStringList, args);
    QFETCH(QStringList, expected);
    const Args a(args);
    Case run(input, u"csv"_s, a.text(u"file"_s, u"501_1000.csv"_s));
    Form62CsvImport importer(run.ctx, a.number(u"year"_s, 2026));
    const QString folder = run.work.filePath(u"csv"_s);
    auto files = importer.scan(folder);
    QVERIFY(files && files->size() == 1);
    const CsvLoad load = a.has(u"summary"_s) ? importer.loadSummary(folder, (*files)[0])
                                             : importer.loadFiles(folder, *files);
    QStringList lines = said(load.messages);
    lines.append(u"added %1, present %2"_s.arg(load.rowsAdded).arg(load.rowsPresent));
    lines += run.boxes() + run.changed();
    const QString mismatch = zemor::test::goldenMismatch(expected, lines);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
}

void TestImportGolden::xml()
{
    QFETCH(QString, input);
    QFETCH(QStringList, args);
    QFETCH(QStringList, expected);
    const Args a(args);
    Case run(input, u"import"_s, u"input.xml"_s);
    if (a.has(u"answer"_s))
        run.prompter.answers = {a.number(u"answer"_s)};
    const QString path = run.work.filePath(u"import/input.xml"_s);
    const auto scan = Form62XmlImport::parse(path);
    if (!scan) {
        QVERIFY(run.changed().isEmpty());
        const QString mismatch = zemor::test::goldenMismatch(expected, {}, &scan.error());
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        return;
    }
    Form62XmlImport importer(run.ctx, run.prompter, a.number(u"year"_s, test::demoYear));
    QVERIFY(importer.loadRows());
    const qint32 code = a.number(u"institution"_s, 501);
    const XmlLoadOutcome out =
        importer.load(*scan, {code / 100, code, u"ЛПУ"_s}, path, u"\\temp1\\"_s);
    QStringList lines{u"institution "_s + scan->institutionText};
    lines += said(out.unknown + out.errors);
    lines.append(u"end "_s + Form62XmlImport::endText(out));
    lines += run.changed();
    const QString mismatch = zemor::test::goldenMismatch(expected, lines);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    // A loaded file is moved where the end text says, and only then.
    QCOMPARE(QFile::exists(path), !out.moved);
}

void TestImportGolden::dbase()
{
    QFETCH(QString, input);
    QFETCH(QStringList, args);
    QFETCH(QStringList, expected);
    const Args a(args);
    const QString name = a.text(u"file"_s, u"lpu052026.dBF"_s);
    Case run(input, u"dbf"_s, name);
    auto files = DbfImport::scan(run.work.filePath(u"dbf"_s));
    QVERIFY(files && files->size() == 1);
    DbfFile &file = (*files)[0];
    file.marked = true;
    QStringList lines{
        u"listed type %1, form %2, %3 rows"_s.arg(file.type).arg(file.form).arg(file.records)};
    const DbfPeriodChoice choice{a.has(u"typed"_s), a.number(u"typed"_s, 0, 0),
                                 a.number(u"typed"_s, 0, 1)};
    const DbfLoadOutcome out =
        DbfImport(run.ctx, {tools::DemoImportsDbf::district, tools::DemoImportsDbf::institution})
            .load(*files, choice);
    lines += said(out.messages);
    lines.append(u"added %1, not found \"%2\""_s.arg(out.totalAdded).arg(out.rowsNotFound));
    lines += run.boxes() + run.changed();
    const QString mismatch = zemor::test::goldenMismatch(expected, lines);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
}

QTEST_GUILESS_MAIN(TestImportGolden)
#include "test_importgolden.moc"
