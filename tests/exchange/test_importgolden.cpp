// The golden cases of the loads of exchange files, old-format files, CSV, XML and dBase
// (tests/golden/exchange, oldformat, form62csv, form62xml and dbfimport): files as other
// programs wrote them, each loaded into a copy of the demo working directory. The outcome is
// rendered as lines: what the load said, then every record it added ("+") or took away ("-")
// in any data file, with its values. args.txt holds "key value" lines:
//   year <y>             the reporting year of the load (exchange, old format, CSV and XML)
//   institution <code>   the one institution chosen for an exchange or old-format load (else
//                        "все ЛПУ"); for XML the institution, its district the code / 100
//   complete             an old-format load that completes a stored report
//   answers <n> ...      the answers to the questions of an exchange or old-format load
//   file <name>          the name the input is copied under (CSV, dBase)
//   summary              load the CSV file as a summary file of many institutions
//   answer <n>           the answer to the replacement question of an XML load
//   typed <year> <p>     a dBase load into that year and period (else those of the file name)

#include "data/DataContext.h"
#include "data/records/OtchetRecord.h"
#include "exchange/DbfImport.h"
#include "exchange/Form62CsvImport.h"
#include "exchange/Form62XmlImport.h"
#include "exchange/ImportReports.h"
#include "exchange/OldFormatImport.h"
#include "golden/GoldenCases.h"
#include "tests/exchange/ExchangeFixture.h"
#include "tests/support/ScriptedPrompter.h"
#include "tools/DemoImportsDbf.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTest>
#include <QtEndian>

#include <algorithm>

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

// A case: the demo working directory, the input copied into `folder` under `name`, or, when
// the input is a folder, each of its files under its own name.
struct Case
{
    test::WorkDir work{true};
    test::ScriptedPrompter prompter;
    data::DataContext ctx{&prompter};
    Records before;

    Case(const QString &input, const QString &folder, const QString &name = {})
    {
        work.makeDir(folder);
        if (QFileInfo(input).isDir()) {
            const QDir dir(input);
            for (const QString &file : dir.entryList(QDir::Files, QDir::Name))
                work.writeFile(folder + u'/' + file, test::readBytes(dir.filePath(file)));
        } else {
            work.writeFile(folder + u'/' + name, test::readBytes(input));
        }
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
    // Every message in the order shown: "box <text>", or "ask <text> = <the button answered>".
    QStringList prompts() const
    {
        QStringList out;
        for (const auto &m : prompter.messages) {
            if (m.buttons.isEmpty()) {
                out.append(u"box "_s + m.text);
                continue;
            }
            const QString button = m.buttons.split(u'|').value(m.answer - 1).remove(u'&');
            out.append(u"ask %1 = %2"_s.arg(m.text, button));
        }
        return out;
    }
};

// The report records that the exchange or old-format files of `dir` carry: the last 330 bytes
// of each record after the container's 32-byte header.
QByteArrayList carried(const QString &dir)
{
    QByteArrayList out;
    const QDir folder(dir);
    for (const QString &name : folder.entryList(QDir::Files)) {
        const QByteArray bytes = test::readBytes(folder.filePath(name));
        if (bytes.size() < 32)
            continue;
        const quint32 length = qFromLittleEndian<quint32>(bytes.constData() + 12);
        if (length < quint32(OtchetRecord::recordSize))
            continue;
        for (qsizetype at = 32; at + length <= bytes.size(); at += length)
            out.append(bytes.mid(at + length - OtchetRecord::recordSize, OtchetRecord::recordSize));
    }
    return out;
}

// Every record the load added is one of the files', byte for byte.
QString addedVerbatim(const Records &before, const Records &after, const QByteArrayList &input)
{
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        for (const QByteArray &r : it.value()) {
            if (!before.value(it.key()).contains(r) && !input.contains(r))
                return recordLine(u'+', it.key(), r) + u" is not a record of the files"_s;
        }
    }
    return {};
}

QString fileNameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

QStringList institutionLines(const QList<ImportInstitution> &institutions)
{
    QStringList out;
    for (const ImportInstitution &u : institutions)
        out.append(
            u"institution %1 %2 %3|%4"_s.arg(u.code).arg(u.district).arg(u.districtName, u.name));
    return out;
}

QStringList refusedLines(const QList<RefusedFile> &refused)
{
    QStringList out;
    for (const RefusedFile &f : refused)
        out.append(u"refused %1: %2"_s.arg(f.name, f.reason));
    return out;
}

// What a load told: its messages, then its result lines ("line <period> <form> <institution>
// <rows or why none>").
QStringList outcomeLines(const ImportOutcome &out)
{
    QStringList lines = said(out.messages);
    for (const ImportLine &l : out.lines)
        lines.append(
            u"line %1 %2 %3 %4"_s.arg(l.period).arg(l.form).arg(l.institution).arg(l.count));
    return lines;
}

QList<int> answersOf(const Args &a)
{
    QList<int> out;
    for (const QString &n : a.items.value(u"answers"_s))
        out.append(n.toInt());
    return out;
}

} // namespace

class TestImportGolden : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exchange_data() { zemor::test::addGoldenRows(u"exchange"_s); }
    void exchange();
    void oldFormat_data() { zemor::test::addGoldenRows(u"oldformat"_s); }
    void oldFormat();
    void csv_data() { zemor::test::addGoldenRows(u"form62csv"_s); }
    void csv();
    void xml_data() { zemor::test::addGoldenRows(u"form62xml"_s); }
    void xml();
    void dbase_data() { zemor::test::addGoldenRows(u"dbfimport"_s); }
    void dbase();
};

void TestImportGolden::exchange()
{
    QFETCH(QString, input);
    QFETCH(QStringList, args);
    QFETCH(QStringList, expected);
    const Args a(args);
    Case run(input, u"import"_s);
    run.prompter.answers = answersOf(a);
    auto scan = ImportReports::scan(run.work.filePath(u"import"_s), false);
    QVERIFY(scan);
    ImportReports importer(run.ctx, run.prompter, a.number(u"year"_s, test::demoYear));
    QVERIFY(importer.name(*scan));
    ImportReports::sortForList(scan->entries);
    QStringList lines = refusedLines(scan->refused) + institutionLines(scan->institutions);
    for (const ImportEntry &e : scan->entries)
        lines.append(u"entry %1 %2 %3 %4"_s.arg(e.form)
                         .arg(e.period)
                         .arg(e.institution)
                         .arg(fileNameOf(e.path)));
    if (scan->entries.isEmpty())
        lines.append(u"say "_s + ImportReports::noFilesText());

    ImportOutcome out;
    if (a.has(u"institution"_s)) {
        const qint32 code = a.number(u"institution"_s);
        const auto u = std::find_if(scan->institutions.cbegin(), scan->institutions.cend(),
                                    [code](const ImportInstitution &i) { return i.code == code; });
        QVERIFY(u != scan->institutions.cend());
        ImportReports::markInstitution(scan->entries, code);
        out = importer.load(scan->entries, *u);
    } else {
        for (ImportEntry &e : scan->entries)
            e.mark = ImportEntry::Marked;
        out = importer.loadAll(scan->entries, scan->institutions);
    }
    lines += outcomeLines(out) + run.prompts() + run.changed();
    const QString mismatch = zemor::test::goldenMismatch(expected, lines);
    if (!mismatch.isEmpty())
        qInfo().noquote() << mismatch; // whole: the failure's own message is cut short
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    const QString copied = addedVerbatim(run.before, allRecords(run.ctx, run.work.path()),
                                         carried(run.work.filePath(u"import"_s)));
    QVERIFY2(copied.isEmpty(), qPrintable(copied));
}

void TestImportGolden::oldFormat()
{
    QFETCH(QString, input);
    QFETCH(QStringList, args);
    QFETCH(QStringList, expected);
    const Args a(args);
    Case run(input, u"old"_s);
    run.prompter.answers = answersOf(a);
    OldFormatImport importer(run.ctx, run.prompter, a.number(u"year"_s, test::demoYear));
    auto files = importer.files(run.work.filePath(u"old"_s));
    QVERIFY(files);
    QStringList lines;
    for (OldFile &f : *files) {
        f.marked = true;
        lines.append(u"file %1 %2 %3"_s.arg(fileNameOf(f.path)).arg(f.form).arg(f.period));
    }
    if (files->isEmpty())
        lines.append(u"say "_s + ImportReports::noFilesText());
    const auto scan = importer.institutions(*files);
    QVERIFY(scan);
    lines += refusedLines(scan->refused) + institutionLines(scan->institutions);
    if (scan->severalDistricts)
        lines.append(u"say "_s + OldFormatImport::severalDistrictsText());

    ImportOutcome out;
    if (a.has(u"institution"_s)) {
        ImportInstitution u;
        u.code = a.number(u"institution"_s);
        for (const ImportInstitution &i : scan->institutions) {
            if (i.code == u.code)
                u = i;
        }
        out = importer.loadOne(*files, u, a.has(u"complete"_s));
    } else {
        out = importer.loadAll(*files, scan->institutions);
    }
    lines += outcomeLines(out) + run.prompts() + run.changed();
    const QString mismatch = zemor::test::goldenMismatch(expected, lines);
    if (!mismatch.isEmpty())
        qInfo().noquote() << mismatch; // whole: the failure's own message is cut short
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    const QString copied = addedVerbatim(run.before, allRecords(run.ctx, run.work.path()),
                                         carried(run.work.filePath(u"old"_s)));
    QVERIFY2(copied.isEmpty(), qPrintable(copied));
}

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
