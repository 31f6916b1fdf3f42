// The export of a table to a workbook, read back from the file the office server wrote: values
// with a comma, zeros not written, the leading columns by kind, no headings under a table's own
// template, the work file numbers, row codes and names kept as texts, a workbook no program can
// show, and no success when the spreadsheet service is off.

#include "data/DataContext.h"
#include "data/records/StrokaRecord.h"
#include "entry/FormCatalogue.h"
#include "entry/TableExport.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/office/XlsxReader.h"
#include "shell/ShellFixture.h"
#include "support/DemoWorkDir.h"
#include "support/ScriptedPrompter.h"
#include "tools/DemoOutputs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zemor;
using namespace zemor::entry;
using namespace Qt::StringLiterals;
using runtime::office::OfficeServer;
using runtime::office::Workbook;
using runtime::office::XlsxReader;

namespace {

class NoDesktop final : public runtime::office::DesktopOpener
{
public:
    runtime::Status open(const QString &) override { return {}; }
};

// A value poked as "1234,5" is taken by the workbook as the number 1234.5.
double number(const Workbook &book, int row, int column)
{
    const auto *cell = book.cell(row, column);
    return cell && cell->kind == runtime::office::Cell::Kind::Number ? cell->number : -1;
}

QString text(const Workbook &book, int row, int column)
{
    const auto *cell = book.cell(row, column);
    return cell ? cell->displayText() : QString();
}

runtime::Decimal dec(const char *text)
{
    return *runtime::Decimal::fromString(QString::fromLatin1(text));
}

EntryRow row(int id, std::initializer_list<const char *> values)
{
    EntryRow r;
    r.rowId = id;
    int n = 0;
    for (const char *v : values)
        r.values[size_t(n++)] = dec(v);
    return r;
}

// A copy of a written workbook beside the test binary, to be opened in a spreadsheet program by
// hand.
void keepForLook(const QString &path, const QString &name)
{
    const QString dir = qEnvironmentVariable("ZEMOR_TEST_BINARY_DIR", QDir::currentPath());
    const QString target = QDir(dir).filePath(name);
    QFile::remove(target);
    QFile::copy(path, target);
}

} // namespace

class TestTableExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void valueTexts_data();
    void valueTexts();
    void commonTemplateWithLeadingColumns();
    void ownTemplateHasNoHeadings();
    void descriptiveTextsStayTexts();
    void workbookNotShown();
    void workFileNumbers();
    void serviceOffIsNoSuccess();

private:
    TableExportRequest request(qint64 table, QList<EntryRow> rows) const;

    std::unique_ptr<test::WorkDir> m_work;
    QTemporaryDir m_temp;
    std::optional<FormCatalogue> m_catalogue;
};

void TestTableExport::initTestCase()
{
    m_work = std::make_unique<test::WorkDir>(true);
    data::DataContext ctx;
    auto catalogue = FormCatalogue::read(ctx, test::demoYear, tools::DemoOutputs::printForm);
    QVERIFY(catalogue);
    m_catalogue = *catalogue;
}

TableExportRequest TestTableExport::request(qint64 table, QList<EntryRow> rows) const
{
    TableExportRequest r;
    r.catalogue = &*m_catalogue;
    r.table = table;
    r.rows = std::move(rows);
    r.institutionTitle = u"Заречный р-н, Каменский"_s;
    r.templateFolder = m_work->filePath(u"XLS"_s);
    r.workFolder = m_temp.filePath(u"xl"_s);
    return r;
}

void TestTableExport::valueTexts_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("cell");
    QTest::newRow("fraction") << u"1234.5"_s << u"1234,5"_s;
    QTest::newRow("three places") << u"0.125"_s << u"0,125"_s;
    QTest::newRow("whole") << u"7"_s << u"7"_s;
    QTest::newRow("negative") << u"-3.250"_s << u"-3,25"_s;
    QTest::newRow("large") << u"12345678901234"_s << u"12345678901234"_s;
}

void TestTableExport::valueTexts()
{
    QFETCH(QString, value);
    QFETCH(QString, cell);
    QCOMPARE(TableExport::valueText(*runtime::Decimal::fromString(value)), cell);
}

void TestTableExport::commonTemplateWithLeadingColumns()
{
    // Table 1000: two leading columns (code, then name), three values.
    NoDesktop desktop;
    OfficeServer office(&desktop);
    test::ScriptedPrompter prompter;
    QString path;
    QVERIFY(TableExport(office, prompter)
                .run(request(1000, {row(1, {"1234.5", "0", "7"}), row(2, {"0.125", "0", "0"}),
                                    row(3, {"0", "0", "0"})}),
                     &path));
    QCOMPARE(prompter.texts(), QStringList{u"Выгрузка в Excel завершена"_s});
    QCOMPARE(QFileInfo(path).fileName(), u"1.XL"_s);
    keepForLook(path, u"table-export-common.xlsx"_s);
    const auto book = XlsxReader::read(path);
    QVERIFY2(book, qPrintable(book ? QString() : book.error().message));
    QCOMPARE(text(*book, 2, 1), u"Ф30 Т1000 Должности медицинских работников"_s);
    QCOMPARE(text(*book, 3, 1), u"Заречный р-н, Каменский"_s);
    QCOMPARE(text(*book, 9, 2), u"Наименование должности"_s);
    QCOMPARE(text(*book, 10, 3), u"3"_s);
    // Codes, then names; values from column 3.
    QCOMPARE(text(*book, 11, 1), u"1"_s);
    QCOMPARE(text(*book, 11, 2), u"Должность № 1"_s);
    QCOMPARE(text(*book, 13, 2), u"Должность № 3"_s);
    QCOMPARE(number(*book, 11, 3), 1234.5);
    QCOMPARE(number(*book, 11, 5), 7.0);
    QCOMPARE(number(*book, 12, 3), 0.125);
    // Zeros are not written.
    QVERIFY(!book->cell(11, 4) || text(*book, 11, 4).isEmpty());
    QVERIFY(!book->cell(13, 3) || text(*book, 13, 3).isEmpty());
}

void TestTableExport::ownTemplateHasNoHeadings()
{
    NoDesktop desktop;
    OfficeServer office(&desktop);
    test::ScriptedPrompter prompter;
    QString path;
    QVERIFY(TableExport(office, prompter).run(request(4000, {row(301, {"5", "2.5"})}), &path));
    keepForLook(path, u"table-export-own.xlsx"_s);
    const auto book = XlsxReader::read(path);
    QVERIFY(book);
    QVERIFY(text(*book, 9, 1) != u"Врачи"_s);
    QVERIFY(text(*book, 10, 1) != u"1"_s);
    QCOMPARE(number(*book, 11, 1), 5.0);
    QCOMPARE(number(*book, 11, 2), 2.5);
}

// Row codes "2.1" and "2.10" would both read as the number 2.1, a name "3.20" as 3.2: every
// descriptive cell is a text as the catalogue has it; the values stay numbers.
void TestTableExport::descriptiveTextsStayTexts()
{
    {
        data::DataContext data;
        data.names().setYearFileNames(test::demoYear);
        const struct
        {
            qint16 id;
            quint8 number;
            QString code, name;
        } added[] = {{9001, 81, u"2.1"_s, u"Прочие"_s},
                     {9002, 82, u"2.10"_s, u"3.20"_s},
                     {9003, 83, u"007"_s, u"'в кавычке"_s}};
        for (const auto &row : added) {
            test::addRecord(data, data::FileId::stroka, [&](QByteArray &bytes) {
                data::StrokaRecord r(bytes);
                r.setUnicod(row.id);
                QVERIFY(r.setCodForm(tools::DemoOutputs::printForm));
                QVERIFY(r.setCodTabl(1000));
                r.setNumber(row.number);
                r.setCodStr(row.code);
                r.setName(row.name);
            });
        }
    }
    data::DataContext ctx;
    auto catalogue = FormCatalogue::read(ctx, test::demoYear, tools::DemoOutputs::printForm);
    QVERIFY(catalogue);
    NoDesktop desktop;
    OfficeServer office(&desktop);
    test::ScriptedPrompter prompter;
    auto r = request(1000, {row(9001, {"2.5"}), row(9002, {"2.10"}), row(9003, {"7"})});
    r.catalogue = &*catalogue;
    QString path;
    QVERIFY(TableExport(office, prompter).run(r, &path));
    const auto book = XlsxReader::read(path);
    QVERIFY(book);
    const auto textCell = [&](int row, int column) {
        const auto *cell = book->cell(row, column);
        return cell && cell->kind == runtime::office::Cell::Kind::Text ? cell->text : QString();
    };
    QCOMPARE(textCell(11, 1), u"2.1"_s);
    QCOMPARE(textCell(12, 1), u"2.10"_s);
    QCOMPARE(textCell(13, 1), u"007"_s);
    QCOMPARE(textCell(11, 2), u"Прочие"_s);
    QCOMPARE(textCell(12, 2), u"3.20"_s);
    QCOMPARE(textCell(13, 2), u"'в кавычке"_s);
    QCOMPARE(textCell(9, 3), u"Штатные должности"_s);
    QCOMPARE(number(*book, 11, 3), 2.5);
    QCOMPARE(number(*book, 12, 3), 2.1);
    QCOMPARE(number(*book, 13, 3), 7.0);
    // The column numbers under the headings are numbers.
    QCOMPARE(number(*book, 10, 3), 3.0);
}

// No program can show the workbook: the export is done all the same, and the user is told
// where the workbook was written.
void TestTableExport::workbookNotShown()
{
    struct NoOpener final : runtime::office::DesktopOpener
    {
        runtime::Status open(const QString &path) override
        {
            return runtime::fail(runtime::ErrorCode::NotOpened, path,
                                 u"Нет программы, которая открывает этот документ"_s);
        }
    } desktop;
    OfficeServer office(&desktop);
    test::ScriptedPrompter prompter;
    QString path;
    QVERIFY(TableExport(office, prompter).run(request(1000, {row(1, {"1"})}), &path));
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(prompter.texts().size(), 1);
    const QStringList lines = prompter.texts().first().split(u'|');
    QCOMPARE(lines.first(), u"Выгрузка в Excel завершена"_s);
    QVERIFY(lines.contains(u"Нет программы, которая открывает этот документ"_s));
    QVERIFY(lines.last().endsWith(QFileInfo(path).absoluteFilePath()));
}

void TestTableExport::workFileNumbers()
{
    QTemporaryDir dir;
    NoDesktop desktop;
    OfficeServer office(&desktop);
    test::ScriptedPrompter prompter;
    auto r = request(1000, {row(1, {"1"})});
    r.workFolder = dir.filePath(u"xl"_s);
    QString first;
    QVERIFY(TableExport(office, prompter).run(r, &first));
    QCOMPARE(QFileInfo(first).fileName(), u"1.XL"_s);
    // 1.XL held open on the desktop: the next is 2.XL.
    {
        QFile lock(dir.filePath(u"xl/.~lock.1.XL#"_s));
        QVERIFY(lock.open(QIODevice::WriteOnly));
    }
    QString second;
    QVERIFY(TableExport(office, prompter).run(r, &second));
    QCOMPARE(QFileInfo(second).fileName(), u"2.XL"_s);
    QVERIFY(QFileInfo::exists(first));
    // Nothing held any more: every earlier file is removed and the next is 1.XL again.
    QVERIFY(QFile::remove(dir.filePath(u"xl/.~lock.1.XL#"_s)));
    QString third;
    QVERIFY(TableExport(office, prompter).run(r, &third));
    QCOMPARE(QFileInfo(third).fileName(), u"1.XL"_s);
    QVERIFY(!QFileInfo::exists(second));
}

void TestTableExport::serviceOffIsNoSuccess()
{
    QTemporaryDir dir;
    NoDesktop desktop;
    OfficeServer office(&desktop);
    office.setServiceAvailable(u"Excel"_s, false);
    test::ScriptedPrompter prompter;
    auto r = request(1000, {row(1, {"1"})});
    r.workFolder = dir.filePath(u"xl"_s);
    QString path;
    QVERIFY(!TableExport(office, prompter).run(r, &path));
    QVERIFY(path.isEmpty());
    QCOMPARE(prompter.texts().size(), 2);
    QCOMPARE(prompter.texts().first(), u"ЗАПУСТИТЕ Excel"_s);
    QVERIFY(prompter.texts().last().contains(u"Выгрузка в Excel не выполнена."_s));
    QVERIFY(!prompter.texts().contains(u"Выгрузка в Excel завершена"_s));
    QVERIFY(QDir(dir.filePath(u"xl"_s)).isEmpty() || !QDir(dir.filePath(u"xl"_s)).exists());
}

QTEST_GUILESS_MAIN(TestTableExport)
#include "test_tableexport.moc"
