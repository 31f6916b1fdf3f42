#include "runtime/report/PageRenderer.h"
#include "runtime/report/ProgramPrinter.h"
#include "runtime/report/ReportWriter.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace zemor::runtime;
using namespace zemor::runtime::report;

namespace {

// A4 portrait with 10 mm margins at top and bottom, a 20 mm page header and a 10 mm footer:
// 247 mm of body, room for 24 detail bands of 10 mm.
ReportDefinition listing(double detailHeight = 10)
{
    ReportDefinition def;
    def.page.margins = QMarginsF(15, 10, 10, 10);
    def.pageHeader.height = 20;
    def.pageHeader.items = {ReportItem::makeText({0, 0, 180, 10}, QStringLiteral("Список ЛПУ")),
                            ReportItem::makeLine({0, 19}, {180, 19})};
    def.pageFooter.height = 10;
    def.pageFooter.items = {ReportItem::makeText({0, 0, 180, 10}, QStringLiteral("{page}/{pages}"),
                                                 {}, Qt::AlignRight | Qt::AlignVCenter)};
    def.detail.height = detailHeight;
    def.detail.items = {ReportItem::makeText({0, 0, 20, 10}, QStringLiteral("{n}"), {},
                                             Qt::AlignRight | Qt::AlignVCenter, true),
                        ReportItem::makeText({20, 0, 160, 10}, QStringLiteral("{name}"), {},
                                             Qt::AlignLeft | Qt::AlignVCenter, true)};
    return def;
}

PageList layOut(const ReportDefinition &def, int records)
{
    ReportWriter writer(def);
    for (int i = 1; i <= records; ++i)
        writer.add({{QStringLiteral("n"), QString::number(i)},
                    {QStringLiteral("name"), QStringLiteral("Учреждение %1").arg(i)}});
    return writer.finish();
}

// Page objects of a PDF file ("/Type /Page", not the "/Type /Pages" tree node).
int pdfPageCount(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QString content = QString::fromLatin1(file.readAll());
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    int count = 0;
    for (auto it = page.globalMatch(content); it.hasNext(); it.next())
        ++count;
    return count;
}

bool hasInk(const QImage &image, const QRect &area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                return true;
    return false;
}

ReportRecord row(const QString &region, const QString &kind, const QString &n)
{
    return {{QStringLiteral("region"), region},
            {QStringLiteral("kind"), kind},
            {QStringLiteral("n"), n}};
}

Band textBand(double height, const QString &text)
{
    Band band;
    band.height = height;
    band.items = {ReportItem::makeText({0, 0, 100, height}, text)};
    return band;
}

} // namespace

class ReportWriterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pageCount_data();
    void pageCount();
    void threePagesGiveThreeImagesAndPdfPages_data();
    void threePagesGiveThreeImagesAndPdfPages();
    void groupBreaksCloseAndOpenGroups();
    void groupCanStartAPage();
    void groupHeaderIsNotLeftAloneAtTheBottom();
    void emptyReportHasNoPagesAndNoOutput();
    void emptyReportCanAskForOnePage();
    void templatesExpand_data();
    void templatesExpand();
    void pdfReplacesOnlyWhenWritten();

private:
    QTemporaryDir m_dir;
};

void ReportWriterTest::pageCount_data()
{
    QTest::addColumn<double>("detailHeight");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("detailsOnLastPage");

    QTest::newRow("one record") << 10.0 << 1 << 1 << 1;
    QTest::newRow("page filled exactly") << 10.0 << 24 << 1 << 24;
    QTest::newRow("one over a page") << 10.0 << 25 << 2 << 1;
    QTest::newRow("many pages") << 10.0 << 24 * 40 + 3 << 41 << 3;
    // Taller than the whole body: every record gets a page, and layout still ends.
    QTest::newRow("band taller than a page") << 400.0 << 3 << 3 << 1;
}

void ReportWriterTest::pageCount()
{
    QFETCH(double, detailHeight);
    QFETCH(int, records);
    QFETCH(int, pages);
    QFETCH(int, detailsOnLastPage);

    const PageList list = layOut(listing(detailHeight), records);
    QCOMPARE(list.count(), pages);
    const QStringList last = list.pages.back().texts();
    // Page header, then two texts per detail, then the footer.
    QCOMPARE(last.size(), 1 + 2 * detailsOnLastPage + 1);
    QCOMPARE(last.back(), QStringLiteral("%1/%1").arg(pages));
    QCOMPARE(last.at(last.size() - 3), QString::number(records));

    // Nothing is drawn into the page footer or beyond the bottom margin.
    const double footerTop = 297 - 10 - 10;
    for (const ReportPage &page : list.pages)
        for (int i = 0; i + 1 < page.items.size(); ++i)
            QVERIFY(page.items.at(i).rect.bottom() <= footerTop + 1e-6);
}

void ReportWriterTest::threePagesGiveThreeImagesAndPdfPages_data()
{
    QTest::addColumn<Orientation>("orientation");
    QTest::addColumn<bool>("throughPrinter");
    QTest::newRow("portrait, pdf writer") << Orientation::Portrait << false;
    QTest::newRow("landscape, pdf writer") << Orientation::Landscape << false;
    QTest::newRow("portrait, printer") << Orientation::Portrait << true;
}

void ReportWriterTest::threePagesGiveThreeImagesAndPdfPages()
{
    QFETCH(Orientation, orientation);
    QFETCH(bool, throughPrinter);

    ReportDefinition def = listing();
    def.page.orientation = orientation;
    const int perPage = orientation == Orientation::Portrait ? 24 : 16; // 160 mm of body
    const PageList list = layOut(def, 2 * perPage + 5);
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.pages.at(1).texts().at(1), QString::number(perPage + 1));
    QCOMPARE(list.pages.at(2).texts().back(), QStringLiteral("3/3"));

    for (int i = 0; i < list.count(); ++i) {
        const QImage image = PageRenderer::pageImage(list, i, 72);
        const QSize expected =
            orientation == Orientation::Portrait ? QSize(595, 842) : QSize(842, 595);
        QCOMPARE(image.size(), expected);
        // The first detail's frame and number lie 30 mm down, 15 mm in from the left.
        QVERIFY(hasInk(image, QRect(42, 84, 57, 28)));
        // The right margin stays white.
        QVERIFY(!hasInk(image, QRect(expected.width() - 20, 0, 20, expected.height())));
    }
    QVERIFY(PageRenderer::pageImage(list, 3).isNull());

    const QString path = m_dir.filePath(QStringLiteral("three.pdf"));
    QFile::remove(path);
    if (throughPrinter) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        auto printed = ProgramPrinter::print(list, printer);
        QVERIFY2(printed, qPrintable(printed ? QString() : printed.error().message));
    } else {
        auto written = PageRenderer::writePdf(list, path, QStringLiteral("Список"));
        QVERIFY2(written, qPrintable(written ? QString() : written.error().message));
    }
    QCOMPARE(pdfPageCount(path), 3);
}

void ReportWriterTest::groupBreaksCloseAndOpenGroups()
{
    ReportDefinition def;
    GroupLevel region;
    region.keyField = QStringLiteral("region");
    region.header = textBand(8, QStringLiteral("H1 {region}"));
    region.footer = textBand(8, QStringLiteral("F1 {region} {n}"));
    GroupLevel kind;
    kind.keyField = QStringLiteral("kind");
    kind.header = textBand(8, QStringLiteral("H2 {kind}"));
    kind.footer = textBand(8, QStringLiteral("F2 {kind} {n}"));
    def.groups = {region, kind};
    def.detail = textBand(8, QStringLiteral("d{n}"));
    def.reportFooter = textBand(8, QStringLiteral("end"));

    ReportWriter writer(def);
    // The inner key repeats across the outer break: the break of the outer level must still
    // reopen the inner group.
    writer.add(row(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("1")));
    writer.add(row(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("2")));
    writer.add(row(QStringLiteral("A"), QStringLiteral("y"), QStringLiteral("3")));
    writer.add(row(QStringLiteral("B"), QStringLiteral("y"), QStringLiteral("4")));
    const PageList list = writer.finish();

    QCOMPARE(list.count(), 1);
    const QStringList expected = {
        QStringLiteral("H1 A"),   QStringLiteral("H2 x"),   QStringLiteral("d1"),
        QStringLiteral("d2"),     QStringLiteral("F2 x 2"), QStringLiteral("H2 y"),
        QStringLiteral("d3"),     QStringLiteral("F2 y 3"), QStringLiteral("F1 A 3"),
        QStringLiteral("H1 B"),   QStringLiteral("H2 y"),   QStringLiteral("d4"),
        QStringLiteral("F2 y 4"), QStringLiteral("F1 B 4"), QStringLiteral("end")};
    QCOMPARE(list.pages.at(0).texts(), expected);

    // Bands follow one another down the page.
    const QList<ReportItem> &items = list.pages.at(0).items;
    for (int i = 1; i < items.size(); ++i)
        QCOMPARE(items.at(i).rect.top(), items.at(i - 1).rect.bottom());
}

void ReportWriterTest::groupCanStartAPage()
{
    ReportDefinition def = listing();
    GroupLevel region;
    region.keyField = QStringLiteral("region");
    region.header = textBand(10, QStringLiteral("район {region}"));
    region.startsPage = true;
    def.groups = {region};
    def.reportHeader = textBand(10, QStringLiteral("title"));

    ReportWriter writer(def);
    for (const char *r : {"A", "A", "B", "C"})
        writer.add({{QStringLiteral("region"), QString::fromLatin1(r)},
                    {QStringLiteral("n"), QString::fromLatin1(r)}});
    const PageList list = writer.finish();
    // The first group shares its page with the report header; each later one starts a page.
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.pages.at(0).texts().mid(1, 2),
             QStringList({QStringLiteral("title"), QStringLiteral("район A")}));
    QCOMPARE(list.pages.at(1).texts().at(1), QStringLiteral("район B"));
    QCOMPARE(list.pages.at(2).texts().at(1), QStringLiteral("район C"));
}

void ReportWriterTest::groupHeaderIsNotLeftAloneAtTheBottom()
{
    ReportDefinition def = listing();
    GroupLevel region;
    region.keyField = QStringLiteral("region");
    region.header = textBand(5, QStringLiteral("район {region}"));
    def.groups = {region};

    // 5 + 23 * 10 = 235 of 247 mm: the next header (5 mm) fits, its first detail does not.
    ReportWriter writer(def);
    for (int i = 1; i <= 23; ++i)
        writer.add({{QStringLiteral("region"), QStringLiteral("A")},
                    {QStringLiteral("n"), QString::number(i)}});
    writer.add({{QStringLiteral("region"), QStringLiteral("B")},
                {QStringLiteral("n"), QStringLiteral("24")}});
    const PageList list = writer.finish();

    QCOMPARE(list.count(), 2);
    QVERIFY(!list.pages.at(0).texts().contains(QStringLiteral("район B")));
    QCOMPARE(list.pages.at(1).texts().at(1), QStringLiteral("район B"));
    QCOMPARE(list.pages.at(1).texts().at(2), QStringLiteral("24"));
}

void ReportWriterTest::emptyReportHasNoPagesAndNoOutput()
{
    ReportDefinition def = listing();
    def.reportHeader = textBand(10, QStringLiteral("title"));
    ReportWriter writer(def);
    writer.breakPage();
    const PageList list = writer.finish();
    QCOMPARE(list.count(), 0);
    QVERIFY(PageRenderer::pageImage(list, 0).isNull());

    const QString path = m_dir.filePath(QStringLiteral("empty.pdf"));
    auto written = PageRenderer::writePdf(list, path);
    QVERIFY(!written);
    QVERIFY(!QFile::exists(path));

    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    QVERIFY(!ProgramPrinter::print(list, printer));
    QVERIFY(!QFile::exists(path));
}

void ReportWriterTest::emptyReportCanAskForOnePage()
{
    ReportDefinition def = listing();
    def.reportHeader = textBand(10, QStringLiteral("title"));
    def.groups = {GroupLevel{QStringLiteral("region"), textBand(10, QStringLiteral("{region}")),
                             textBand(10, QStringLiteral("итог")), false}};
    def.pageWithoutRecords = true;
    ReportWriter writer(def);
    const PageList list = writer.finish();
    QCOMPARE(list.count(), 1);
    // The page header, the report header and the footer; no group band.
    QCOMPARE(list.pages.first().texts(),
             (QStringList{QStringLiteral("Список ЛПУ"), QStringLiteral("title"),
                          QStringLiteral("1/1")}));
}

void ReportWriterTest::templatesExpand_data()
{
    QTest::addColumn<QString>("templ");
    QTest::addColumn<QString>("expected");
    QTest::newRow("field") << QStringLiteral("Код {code}.") << QStringLiteral("Код 998.");
    QTest::newRow("page of pages")
        << QStringLiteral("{page} из {pages}") << QStringLiteral("2 из 7");
    QTest::newRow("missing field") << QStringLiteral("[{nothing}]") << QStringLiteral("[]");
    QTest::newRow("escaped braces") << QStringLiteral("{{code}}") << QStringLiteral("{code}");
    QTest::newRow("unclosed brace") << QStringLiteral("a {code") << QStringLiteral("a {code");
    // A value is shown as it is, never read as a template itself.
    QTest::newRow("value with braces") << QStringLiteral("{odd}") << QStringLiteral("{page}");
}

void ReportWriterTest::templatesExpand()
{
    QFETCH(QString, templ);
    QFETCH(QString, expected);
    const ReportRecord record = {{QStringLiteral("code"), QStringLiteral("998")},
                                 {QStringLiteral("odd"), QStringLiteral("{page}")}};
    QCOMPARE(ReportWriter::expand(templ, record, 2, 7), expected);
}

void ReportWriterTest::pdfReplacesOnlyWhenWritten()
{
    const PageList list = layOut(listing(), 1);
    const QString path = m_dir.filePath(QStringLiteral("old.pdf"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old content");
    }
    auto written = PageRenderer::writePdf(list, path);
    QVERIFY(written);
    QCOMPARE(pdfPageCount(path), 1);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("tmp")),
             QStringList());

    const QString missing = m_dir.filePath(QStringLiteral("no-such-dir/report.pdf"));
    auto refused = PageRenderer::writePdf(list, missing);
    QVERIFY(!refused);
    QCOMPARE(refused.error().code, ErrorCode::FileNotFound);
}

QTEST_MAIN(ReportWriterTest)
#include "test_reportwriter.moc"
