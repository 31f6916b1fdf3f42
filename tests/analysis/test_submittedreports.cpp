// The list of submitting institutions on the demo: the newest period, the lines of a range in
// their order with the names of institutions, pseudo-institutions and missing codes, the year
// clamp, printing and the workbook.

#include "analysis/SubmittedReports.h"
#include "data/DataContext.h"
#include "entry/ReportStore.h"
#include "runtime/office/DesktopOpener.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/office/XlsxReader.h"
#include "shell/AppState.h"
#include "shell/ExcelLauncher.h"
#include "support/ScriptedPrompter.h"
#include "tests/analysis/CrossSectionFixture.h"

#include <QTest>

#include <tuple>

using namespace Qt::StringLiterals;
using namespace zemor;
using analysis::SubmittedReportLine;
using analysis::SubmittedReports;
using test::demoYear;

namespace {

constexpr int laterYear = 2026;

const SubmittedReportLine *lineOf(const QList<SubmittedReportLine> &lines, qint32 institution,
                                  qint32 period = -1)
{
    for (const SubmittedReportLine &line : lines)
        if (line.institution == institution && (period < 0 || line.period == period))
            return &line;
    return nullptr;
}

struct NoDesktop : runtime::office::DesktopOpener
{
    runtime::Status open(const QString &) override { return {}; }
};

} // namespace

class TestSubmittedReports : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        const QString failed = test::buildCrossSectionDemo(m_dir);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        // July of the later year, from a district region1 does not know.
        data::DataContext context;
        entry::ReportRow row;
        row.rowId = 1;
        row.table = 1000;
        row.values[0] = runtime::Decimal(3);
        entry::ReportStore store(context, {laterYear, 7, 101, 77, 1, 7});
        QVERIFY(store.replace({row}));
    }

    void newestPeriod_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("newest");
        QTest::newRow("monthly, July") << laterYear << 7 << 1 << 7;
        QTest::newRow("quarterly") << laterYear << 14 << 2 << 1;
        QTest::newRow("monthly, December") << demoYear << 7 << 1 << 12;
        QTest::newRow("annual") << demoYear << 12 << 0 << 0;
        QTest::newRow("no reports") << demoYear << 8 << 1 << 1;
    }
    void newestPeriod()
    {
        QFETCH(int, year);
        QFETCH(int, form);
        QFETCH(int, kind);
        QFETCH(int, newest);
        data::DataContext context;
        SubmittedReports list(context, year);
        const auto period = list.newestPeriod(form, kind);
        QVERIFY(period);
        QCOMPARE(*period, newest);
    }

    // July of the later year: one line, with a district missing from region1.
    void newestMonthOnly()
    {
        data::DataContext context;
        SubmittedReports list(context, laterYear);
        const auto lines = list.fill(7, 1, 7, 7);
        QVERIFY(lines);
        QCOMPARE(lines->size(), 1);
        QCOMPARE(lines->at(0).institution, 101);
        QCOMPARE(lines->at(0).regionName, u"?CodReg-77"_s);
        QCOMPARE(lines->at(0).periodText, u"7месяц"_s);
        QVERIFY(list.fill(8, 1, 1, 1)->isEmpty());
    }

    // Months 6..7: a line per report, sorted by district, kind, institution, month.
    void rangeInOrder()
    {
        data::DataContext context;
        SubmittedReports list(context, demoYear);
        const auto lines = list.fill(7, 1, 6, 7);
        QVERIFY(lines);
        QVERIFY(lines->size() > 4);
        for (qsizetype i = 1; i < lines->size(); ++i) {
            const SubmittedReportLine &a = lines->at(i - 1);
            const SubmittedReportLine &b = lines->at(i);
            QVERIFY(std::tie(a.district, a.kind, a.institution, a.period) <
                    std::tie(b.district, b.kind, b.institution, b.period));
        }
        const auto first = std::find_if(lines->begin(), lines->end(),
                                        [](const auto &l) { return l.institution == 101; });
        QVERIFY(first != lines->end());
        QCOMPARE(first->period, 6);
        QCOMPARE((first + 1)->institution, 101);
        QCOMPARE((first + 1)->period, 7);
        QCOMPARE(first->regionName, u"Берёзовский"_s);
        QCOMPARE(first->kindName, u"Центральная рай"_s);
        QCOMPARE(first->name, u"Берёзовская ЦРБ"_s);
        QCOMPARE(SubmittedReports::countText(lines->size()),
                 u"Всего отчетов: "_s + QString::number(lines->size()));
    }

    // The names of pseudo-institutions and of codes the reference files do not have.
    void names_data()
    {
        QTest::addColumn<int>("institution");
        QTest::addColumn<QString>("region");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("name");
        QTest::newRow("city total") << 21101 << u"Таргин"_s << u"город"_s << QString();
        QTest::newRow("district total") << 21001 << u"Берёзовский"_s << u"район"_s << QString();
        QTest::newRow("region") << 20000 << u"Таргинская"_s << u"область"_s << QString();
        QTest::newRow("all districts") << 20001 << u"Районы"_s << u"области"_s << QString();
        QTest::newRow("unknown institution") << test::largestValuesInstitution << u"Приреченский"_s
                                             << u"?vid0"_s << u"?codUch-9601"_s;
        QTest::newRow("attached village") << 105 << u"Берёзовский"_s << u"Врачебная амбул"_s
                                          << u"Врачебная амбулатория с. Вязники*"_s;
    }
    void names()
    {
        QFETCH(int, institution);
        QFETCH(QString, region);
        QFETCH(QString, kind);
        QFETCH(QString, name);
        data::DataContext context;
        SubmittedReports list(context, demoYear);
        const auto lines = list.fill(7, 1, 3, 3);
        QVERIFY(lines);
        const SubmittedReportLine *line = lineOf(*lines, institution);
        QVERIFY(line);
        QCOMPARE(line->regionName, region);
        QCOMPARE(line->kindName, kind);
        QCOMPARE(line->name, name);
    }

    // An annual form after a monthly one: the reports of period 0, without a period text.
    void annualForm()
    {
        data::DataContext context;
        SubmittedReports list(context, demoYear);
        QVERIFY(list.fill(7, 1, 6, 6));
        const auto lines = list.fill(12, 0, 0, 0);
        QVERIFY(lines);
        QVERIFY(!lines->isEmpty());
        for (const SubmittedReportLine &line : *lines) {
            QCOMPARE(line.period, 0);
            QCOMPARE(line.periodText, QString());
        }
    }

    void periodTexts_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("period");
        QTest::addColumn<QString>("text");
        QTest::newRow("annual") << 0 << 0 << QString();
        QTest::newRow("month") << 1 << 12 << u"12месяц"_s;
        QTest::newRow("quarter") << 2 << 3 << u"3квартал"_s;
        QTest::newRow("half-year") << 3 << 2 << u"2полугод"_s;
        QTest::newRow("week") << 4 << 2 << QString();
    }
    void periodTexts()
    {
        QFETCH(int, kind);
        QFETCH(int, period);
        QFETCH(QString, text);
        QCOMPARE(SubmittedReports::periodText(kind, period), text);
    }

    void yearClamp_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("held");
        QTest::addColumn<QString>("message");
        QTest::newRow("within") << 2025 << 2025 << QString();
        QTest::newRow("above") << 2030 << 2026 << u"Период с 2024г. по 2026г."_s;
        QTest::newRow("below") << 2001 << 2024 << u"Период с 2024г. по 2026г."_s;
    }
    void yearClamp()
    {
        QFETCH(int, year);
        QFETCH(int, held);
        QFETCH(QString, message);
        shell::AppState state;
        state.globYear = qint16(year);
        state.globYearS = 2024;
        state.globYearE = 2026;
        const bool moved = state.holdYear();
        QCOMPARE(moved ? SubmittedReports::yearBoundsText(state.globYearS, state.globYearE)
                       : QString(),
                 message);
        QCOMPARE(int(state.globYear), held);
    }

    // A deleted report's line goes; a report still there keeps its line.
    void lineAfterEntry()
    {
        QList<SubmittedReportLine> lines(3);
        lines[1].institution = 7;
        SubmittedReports::afterEntry(lines, 1, 4);
        QCOMPARE(lines.size(), 3);
        SubmittedReports::afterEntry(lines, 1, 0);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1].institution, 0);
    }

    void printing()
    {
        QVERIFY(SubmittedReports::print({}, 7, u"Форма"_s).lines.isEmpty());
        QCOMPARE(SubmittedReports::nothingToPrintText(), u"Заявка отсутствует"_s);
        SubmittedReportLine line;
        line.regionName = u"Берёзовский"_s;
        line.kindName = u"ЦРБ"_s;
        line.name = QString(60, u'я');
        const auto print = SubmittedReports::print({line}, 7, QString(90, u'ф'));
        QCOMPARE(print.formCode, u"7"_s);
        QCOMPARE(print.formName.size(), 80);
        QCOMPARE(print.lines.size(), 1);
        QCOMPARE(print.lines[0].at(2).size(), 50);
        QCOMPARE(print.legend.size(), 4);
        const auto sheets = SubmittedReports::layOut(print);
        QCOMPARE(sheets.count(), 1);
        const QStringList texts = sheets.pages.first().texts();
        for (const QString &text :
             {u"Список ЛПУ сдавших отчет"_s, u"Форма"_s, u"7"_s, u"Вид ЛПУ"_s, u"Берёзовский"_s,
              QString(50, u'я'), u"  УБ - Участковая больница"_s})
            QVERIFY2(texts.contains(text), qPrintable(text));
        QVERIFY(SubmittedReports::layOut({}).isEmpty());
        // A long list goes on over further sheets.
        const QList<SubmittedReportLine> many(120, line);
        QVERIFY(SubmittedReports::layOut(SubmittedReports::print(many, 7, u"Ф"_s)).count() > 2);
    }

    // 300 lines go to rows 10 to 309.
    void workbook()
    {
        QList<SubmittedReportLine> lines;
        for (int i = 1; i <= 300; ++i) {
            SubmittedReportLine line;
            line.institution = 1000 + i;
            line.district = i % 7;
            line.period = 6;
            line.regionName = u"Район %1"_s.arg(i);
            line.kindName = u"ЦРБ"_s;
            line.name = u"ЛПУ %1"_s.arg(i);
            line.periodText = u"6месяц"_s;
            lines.append(line);
        }
        NoDesktop desktop;
        runtime::office::OfficeServer office(&desktop);
        test::ScriptedPrompter prompter;
        shell::ExcelLauncher excel(office, prompter);
        QVERIFY(SubmittedReports::exportToExcel(lines, u"7-мес"_s, u"Оперативные сведения  "_s, 6,
                                                6, u"месяц"_s, excel));
        QCOMPARE(prompter.texts(), QStringList{shell::ExcelLauncher::doneText()});
        const auto book = runtime::office::XlsxReader::read(excel.workbookPath());
        QVERIFY2(book, qPrintable(book ? QString() : book.error().message));
        const auto text = [&](int row, int column) { return test::cellText(*book, row, column); };
        QCOMPARE(text(1, 1), u"7-мес     Оперативные сведения"_s);
        QCOMPARE(text(2, 1), u"СПИСОК УЧРЕЖДЕНИЙ СДАВШИХ ОТЧЕТ. За период с 6 по 6 месяц"_s);
        QCOMPARE(text(9, 4), u"месяц"_s);
        QCOMPARE(text(9, 7), u"Отчетный период"_s);
        QCOMPARE(text(10, 3), u"ЛПУ 1"_s);
        QCOMPARE(text(309, 3), u"ЛПУ 300"_s);
        QCOMPARE(text(309, 5), u"1300"_s);
        QCOMPARE(text(309, 4), u"6месяц"_s);
        QCOMPARE(text(310, 3), QString());

        // A workbook that cannot be made: no success message.
        office.setServiceAvailable(shell::ExcelLauncher::serviceName(), false);
        test::ScriptedPrompter refused;
        shell::ExcelLauncher unreachable(office, refused);
        QVERIFY(
            !SubmittedReports::exportToExcel(lines, u"7"_s, u"Ф"_s, 6, 6, u"месяц"_s, unreachable));
        QVERIFY(!refused.texts().contains(shell::ExcelLauncher::doneText()));
    }
};

QTEST_GUILESS_MAIN(TestSubmittedReports)
#include "test_submittedreports.moc"
