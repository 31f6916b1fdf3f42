// The cross-section window on the demo, driven by its controls: marking in the three modes,
// "+" and the series, the order of the marks, deleting, saving and loading under a name, the
// form and table changes, the builds by districts, institutions and rows, and the result mode
// with its clicks, chart, empty rows, printing to PDF and the workbook.

#include "analysis/crosssections/CrossSectionPrint.h"
#include "analysis/crosssections/ui/CrossSectionNameWindows.h"
#include "analysis/crosssections/ui/CrossSectionWindow.h"
#include "data/DataContext.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/report/PageSink.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/DrawingSurface.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"
#include "shell/AppState.h"
#include "shell/ExcelLauncher.h"
#include "shell/ui/PreviewWindow.h"
#include "support/ModalScript.h"
#include "support/ScriptedChoices.h"
#include "support/ScriptedPrompter.h"
#include "tests/analysis/CrossSectionFixture.h"
#include "tests/analysis/ui/WindowTestSupport.h"
#include "tools/DemoSummaries.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <algorithm>

using namespace Qt::StringLiterals;
using namespace zemor;
using analysis::CrossSectionMark;
using analysis::CrossSectionMarks;
using analysis::ui::CrossSectionWindow;
using test::control;

namespace {

// A double click on a cell of a list, as the user makes it.
void doubleClick(QTableView *view, int row, int column)
{
    view->scrollTo(view->model()->index(row, column));
    const QRect cell = view->visualRect(view->model()->index(row, column));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

} // namespace

class TestCrossSectionWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    test::NoDesktop m_desktop;

    struct Run
    {
        shell::AppState state;
        test::ScriptedPrompter prompter;
        runtime::office::OfficeServer office;
        std::shared_ptr<test::ScriptedChoices> choices = std::make_shared<test::ScriptedChoices>();
        runtime::report::PdfSink pdf;
        data::DataContext context;
        analysis::ui::CrossSectionCall call;

        Run(test::NoDesktop *desktop, const QString &pdfPath) : office(desktop), pdf(pdfPath)
        {
            state.globYear = test::demoYear;
            state.globYearS = test::demoYear;
            state.globYearE = test::demoYear;
            call.formName = u"Оперативные сведения"_s;
            call.form = 7;
            call.title = u"Сводка за март - май"_s;
            call.from = 3;
            call.to = 5;
            call.periodKind = 1;
        }
        std::unique_ptr<CrossSectionWindow> window()
        {
            auto w = std::make_unique<CrossSectionWindow>(
                context,
                shell::ui::Services{state, prompter, &office, choices,
                                    std::make_shared<shell::ui::PreviewSink>(prompter, pdf)},
                call);
            w->setModal(false);
            w->show();
            return w;
        }
    };

private Q_SLOTS:
    void initTestCase()
    {
        const QString failed = test::buildCrossSectionDemo(m_dir);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    // Marking, "+", the series, order, delete, save and load, then the build by districts and
    // the result mode.
    void markSaveLoadBuildByDistricts()
    {
        Run run(&m_desktop, m_dir.filePath(u"districts.pdf"_s));
        auto window = run.window();
        QWidget *w = window.get();
        const CrossSectionMarks &marks = window->marks();
        QCOMPARE(window->windowTitle(), u"7 Оперативные сведения"_s);
        QCOMPARE(control<QLineEdit>(w, u"?NAMETIP")->text(), u"месяц"_s);
        QCOMPARE(control<QLineEdit>(w, u"?LOCNAME:2")->text(), run.call.title);
        QVERIFY(control<QLineEdit>(w, u"?TEXT1")
                    ->text()
                    .startsWith(QString::number(marks.currentTable()->code) + u' '));
        QCOMPARE(control<QSpinBox>(w, u"?LOCMES1")->value(), 3);
        QVERIFY(!control(w, u"?UPTABL")->isEnabled());
        QVERIFY(control<QCheckBox>(w, u"?GRAPHALL")->isHidden());
        QVERIFY(!control<QRadioButton>(w, u"?OPTION1:RADIO1")->isHidden());
        QVERIFY(control<QRadioButton>(w, u"?OPTION1:RADIO1")->isChecked());
        const int columns = marks.currentTable()->columns;
        QVERIFY(columns >= 2);
        QVERIFY(marks.grid().size() >= 2);

        // A cell by a real double click: period 3..5, "O" in the grid.
        auto *grid = control<QTableView>(w, u"?BROWSE:1");
        doubleClick(grid, 0, 3);
        QCOMPARE(marks.marks().size(), 1);
        QCOMPARE(marks.marks()[0].dataColumn, 1);
        QCOMPARE(marks.marks()[0].periodFrom, 3);
        QCOMPARE(marks.marks()[0].periodTo, 5);
        QCOMPARE(window->gridBinding()->cellText(0, 3).trimmed(), u"O"_s);
        QCOMPARE(control<QLineEdit>(w, u"?QAC:UCH")->text(), marks.grid()[0].shortName);
        QCOMPARE(control<QLineEdit>(w, u"?KOLGR")->text(), u"1"_s);

        // "Строка" on the marked cell unmarks it and marks the rest of the row.
        test::clickControl(w, u"?OPTIONOTM:RADIO2");
        window->markCell(0, 3);
        QCOMPARE(marks.marks().size(), columns - 1);
        QVERIFY(!marks.grid()[0].isMarked(1));
        // "Графа" marks column 1 in every row.
        test::clickControl(w, u"?OPTIONOTM:RADIO3");
        window->markCell(1, 3);
        QCOMPARE(marks.marks().size(), columns - 1 + marks.grid().size());

        // "+" with June only; the series of months 1..2; a series past December is refused.
        control<QSpinBox>(w, u"?LOCMES1")->setValue(6);
        control<QSpinBox>(w, u"?LOCMES2")->setValue(6);
        test::clickControl(w, u"?PLUSSWOD");
        const int afterPlus = columns + marks.grid().size();
        QCOMPARE(marks.marks().size(), afterPlus);
        QCOMPARE(marks.marks().last().periodFrom, 6);
        control<QSpinBox>(w, u"?DINMES1")->setValue(1);
        control<QSpinBox>(w, u"?DINMES2")->setValue(2);
        test::clickControl(w, u"?DINRJD");
        QCOMPARE(marks.marks().size(), afterPlus + 2);
        control<QSpinBox>(w, u"?DINMES2")->setValue(13);
        test::clickControl(w, u"?DINRJD");
        QCOMPARE(run.prompter.lastText(), CrossSectionMarks::wrongPeriodText());
        QCOMPARE(marks.marks().size(), afterPlus + 2);

        // "ф,т,гр,стр,м2,м1": by data column first, numbered from 1.
        test::clickControl(w, u"?SORTGR:RADIO1");
        for (int i = 0; i < marks.marks().size(); ++i) {
            QCOMPARE(marks.marks()[i].nn, i + 1);
            if (i > 0)
                QVERIFY(marks.marks()[i - 1].dataColumn <= marks.marks()[i].dataColumn);
        }
        QCOMPARE(window->markBinding()->cellText(0, 0).trimmed(), u"1"_s);

        // "-" deletes the selected mark.
        window->markBinding()->selectRow(0);
        const CrossSectionMark second = marks.marks()[1];
        test::clickControl(w, u"?DEL_QW");
        QCOMPARE(marks.marks().size(), afterPlus + 1);
        QCOMPARE(marks.marks()[0].rowId, second.rowId);
        test::grabWindow(w, u"crosssection-marking"_s);

        // Save under a new name (id 1); a second save asks nothing.
        const QList<CrossSectionMark> saved = marks.marks();
        qint32 shownId = 0;
        test::answerModals({[&](QWidget *name) {
            QCOMPARE(name->objectName(), u"P1$SCRADD"_s);
            shownId = control<QLineEdit>(name, u"?RAN:IDQW")->text().toInt();
            control<QLineEdit>(name, u"?RAN:NAME")->setText(u"Март - май"_s);
            test::grabWindow(name, u"crosssection-name"_s);
            test::clickControl(name, u"?INS");
        }});
        test::clickControl(w, u"?PUTRASRES");
        QCOMPARE(shownId, 1);
        QCOMPARE(window->inUse().id, 1);
        test::clickControl(w, u"?PUTRASRES");
        QCOMPARE(window->inUse().id, 1);

        // Reset, then load: the saved cells come back with the period of new marks.
        test::clickControl(w, u"?SBROS");
        QVERIFY(marks.marks().isEmpty());
        QCOMPARE(control<QLineEdit>(w, u"?KOLGR")->text(), u"0"_s);
        test::answerModals({[&](QWidget *list) {
            QCOMPARE(list->windowTitle(), u"Список"_s);
            auto *names = qobject_cast<analysis::ui::SavedCrossSectionList *>(list);
            QVERIFY(names);
            QCOMPARE(names->model()->rowCount(), 1);
            test::grabWindow(list, u"crosssection-names"_s);
            names->binding()->activateRow(0);
        }});
        test::clickControl(w, u"?RASR");
        QCOMPARE(marks.marks().size(), saved.size());
        for (int i = 0; i < saved.size(); ++i) {
            QCOMPARE(marks.marks()[i].rowId, saved[i].rowId);
            QCOMPARE(marks.marks()[i].dataColumn, saved[i].dataColumn);
            QCOMPARE(marks.marks()[i].periodFrom, 6);
        }
        QVERIFY(marks.grid()[0].isMarked(2));

        // The build by districts turns the window to its result.
        const int count = marks.marks().size();
        test::clickControl(w, u"?OK");
        const auto *result = window->result();
        QVERIFY(result);
        QCOMPARE(result->result().markCount(), count);
        QVERIFY(control(w, u"?OK")->isHidden());
        QVERIFY(control(w, u"?NEWFORM")->isHidden());
        QVERIFY(control<QSpinBox>(w, u"?LOCYEAR")->isHidden());
        QVERIFY(!control<QCheckBox>(w, u"?GRAPHALL")->isHidden());
        QVERIFY(control<QWidget>(w, u"?OPTION1")->isHidden());
        auto *list = control<QTableView>(w, u"?BROWSE:1");
        QCOMPARE(list->model()->rowCount(), result->rows().size());
        QCOMPARE(control<QLabel>(w, u"?STRING1")->text(), result->rowCountText());
        QVERIFY(result->rows().last().isTotal());
        QCOMPARE(window->resultBinding()->cellText(int(result->rows().size()) - 1, 0).trimmed(),
                 u"Всего"_s);

        // A click on a value: the row line, the caption, and with "График общий" the chart.
        test::clickControl(w, u"?GRAPHALL");
        QVERIFY(!window->chart()->isHidden());
        window->clickResult(0, 2);
        QCOMPARE(control<QLineEdit>(w, u"?QAC:UCH")->text(),
                 analysis::CrossSectionOutput::rowText(result->rows()[0]));
        QCOMPARE(control<QLineEdit>(w, u"?TEXT1")->text(),
                 analysis::CrossSectionOutput::caption(result->result().marks[0], 1));
        QCOMPARE(result->currentSlot(), 1);
        const auto expected = analysis::CrossSectionOutput::chart(
            result->rows(), 0, count, result->tableRange(), true, false);
        QVERIFY(!expected.isEmpty());
        int red = 0;
        for (const auto &item : window->chart()->items())
            red += item.color == analysis::CrossSectionOutput::clickedColor() ? 1 : 0;
        QVERIFY(red > 0);
        QCOMPARE(window->chart()->items().size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(window->chart()->items()[i].points.first(), expected[i].points.first());
            QCOMPARE(window->chart()->items()[i].text, expected[i].text);
        }
        test::grabWindow(w, u"crosssection-result"_s);

        // Only filled rows; printing; the workbook.
        const auto rowsBefore = result->rows().size();
        test::clickControl(w, u"?FILLEDROWS");
        for (const auto &row : result->rows())
            QVERIFY(!row.isEmpty());
        QVERIFY(result->rows().size() < rowsBefore);
        QCOMPARE(list->model()->rowCount(), result->rows().size());
        // "Печать" shows the preview; nothing reaches the printer until its "Печать" is pressed.
        bool printedBeforePreview = true;
        const auto watch = test::answerModals({[&](QWidget *preview) {
            printedBeforePreview = QFile::exists(run.pdf.path());
            QCOMPARE(preview->objectName(), u"P1$VIEW1"_s);
            test::grabWindow(preview, u"crosssection-print-preview"_s);
            test::clickControl(preview, u"?PRINTREPORT");
        }});
        test::clickControl(w, u"?PRINT");
        test::disarm(watch);
        QVERIFY(!printedBeforePreview);
        QVERIFY(QFileInfo(run.pdf.path()).size() > 0);
        test::keepFile(run.pdf.path(), u"crosssection-print.pdf"_s);
        if (const auto text = test::pdfText(run.pdf.path(), {u"-layout"_s})) {
            const QString words = text->simplified();
            QVERIFY2(words.contains(result->pages().first().heading.simplified()),
                     qPrintable(words));
            QVERIFY2(words.contains(u"Всего"_s), qPrintable(words));
        }
        run.prompter.reset();
        test::clickControl(w, u"?EXCEL");
        QCOMPARE(run.prompter.texts(), QStringList{shell::ExcelLauncher::doneText()});
        test::keepFile(run.office.shownDocuments().last(), u"crosssection-districts.xlsx"_s);
    }

    // A form with a district filter: by institutions, the result's order choices.
    void byInstitutions()
    {
        Run run(&m_desktop, m_dir.filePath(u"institutions.pdf"_s));
        run.call.districtFilter = 1;
        auto window = run.window();
        QWidget *w = window.get();
        QVERIFY(control<QRadioButton>(w, u"?OPTION1:RADIO1")->isHidden());
        QVERIFY(control<QRadioButton>(w, u"?OPTION1:RADIO2")->isChecked());
        window->markCell(0, 3);
        test::clickControl(w, u"?OK");
        const auto *result = window->result();
        QVERIFY(result);
        QCOMPARE(result->result().grouping, analysis::CrossSectionGrouping::Institutions);
        for (const auto &row : result->rows())
            QVERIFY(row.district == 1 || row.isTotal());
        QVERIFY(!control<QWidget>(w, u"?OPTION1")->isHidden());
        QCOMPARE(control<QGroupBox>(w, u"?OPTION1")->title(), u"Сортировка"_s);
        QVERIFY(control<QRadioButton>(w, u"?OPTION1:RADIO2")->isHidden());
        test::clickControl(w, u"?OPTION1:RADIO3");
        for (int i = 1; i < result->rows().size(); ++i)
            QVERIFY(result->rows()[i - 1].kind <= result->rows()[i].kind);
        QVERIFY(result->rows().last().isTotal());

        // The pages go to the preview; closing it prints nothing.
        QString shown;
        test::answerModals({[&](QWidget *preview) {
            shown = preview->objectName();
            test::grabWindow(preview, u"crosssection-preview"_s);
            preview->close();
        }});
        QVERIFY(!window->print());
        QCOMPARE(shown, u"P1$VIEW1"_s);
        QVERIFY(!QFile::exists(run.pdf.path()));

        QVERIFY(window->exportToExcel());
        test::keepFile(run.office.shownDocuments().last(), u"crosssection-institutions.xlsx"_s);
    }

    // The printed result in the program's preview: a second print opens at the page the first
    // one was left at.
    void previewOpensWhereItWasLeft()
    {
        Run run(&m_desktop, m_dir.filePath(u"pages.pdf"_s));
        auto window = run.window();
        QWidget *w = window.get();
        window->markCell(0, 3);
        control<QSpinBox>(w, u"?DINMES1")->setValue(1);
        control<QSpinBox>(w, u"?DINMES2")->setValue(12);
        test::clickControl(w, u"?DINRJD");
        QCOMPARE(window->marks().marks().size(), 13); // two pages of nine marks
        test::clickControl(w, u"?OK");
        QVERIFY(window->result());
        QStringList opened;
        test::answerModals({[&](QWidget *preview) {
            opened.append(control<QLineEdit>(preview, u"?NEXTENTRY")->text());
            test::clickControl(preview, u"?NEXTPAGE");
            preview->close();
        }});
        QVERIFY(!window->print());
        test::answerModals({[&](QWidget *preview) {
            opened.append(control<QLineEdit>(preview, u"?NEXTENTRY")->text());
            test::grabWindow(preview, u"crosssection-preview-page2"_s);
            preview->close();
        }});
        QVERIFY(!window->print());
        QCOMPARE(opened, (QStringList{u"1"_s, u"2"_s}));
    }

    // The printed sheets, by districts and by institutions: the title on top, every mark caption
    // beneath it inside its band, in a type small enough for its length, and every value, the
    // largest sums too, whole within its cell.
    void printedCaptionsUnderTheTitle_data()
    {
        QTest::addColumn<int>("grouping");
        QTest::newRow("districts") << 1;
        QTest::newRow("institutions") << 2;
    }
    void printedCaptionsUnderTheTitle()
    {
        QFETCH(int, grouping);
        Run run(&m_desktop, m_dir.filePath(u"captions.pdf"_s));
        // A form name and a title as long as they come: the heading wraps, whole, above the
        // captions.
        run.call.formName = u"Сведения о деятельности лечебно-профилактических учреждений "
                            u"районов и городов области по оказанию медицинской помощи "
                            u"населению, о числе посещений врачей поликлиник и амбулаторий, "
                            u"о заболеваниях и травмах, зарегистрированных впервые"_s;
        run.call.title = u"Сводка по всем учреждениям области за период с марта по май "
                         u"отчетного года, без учета ведомственных учреждений"_s;
        auto window = run.window();
        QWidget *w = window.get();
        test::clickControl(w, u"?OPTIONOTM:RADIO2");
        for (int row = 0; row < 3; ++row)
            window->markCell(row, 3);
        test::clickControl(w, u"?OPTION1:RADIO%1"_s.arg(grouping));
        test::clickControl(w, u"?OK");
        const auto *result = window->result();
        QVERIFY(result);
        const auto sheets = analysis::CrossSectionPrint::layOut(
            result->pages(), analysis::CrossSectionGrouping(grouping));
        QVERIFY(sheets.count() >= 2);
        // Measured at 72 dots an inch, one dot a point.
        QImage device(8, 8, QImage::Format_RGB32);
        device.setDotsPerMeterX(qRound(72 / 0.0254));
        device.setDotsPerMeterY(qRound(72 / 0.0254));
        const double points = 72 / 25.4;
        // Every sheet, continuation sheets too, is headed by the form and the caller's title.
        const QString heading = result->pages().first().heading;
        QSet<QString> captions;
        int values = 0;
        for (int p = 0; p < sheets.count(); ++p) {
            const auto &items = sheets.pages[p].items;
            const auto title = std::find_if(items.begin(), items.end(),
                                            [&](const auto &item) { return item.text == heading; });
            QVERIFY(title != items.end());
            QVERIFY(title->wordWrap);
            const QRectF wrapped =
                QFontMetricsF(title->font, &device)
                    .boundingRect(QRectF(0, 0, (title->rect.width() - 1) * points, 1e6),
                                  Qt::TextWordWrap, heading);
            QVERIFY2(wrapped.height() <= title->rect.height() * points, qPrintable(heading));
            QVERIFY(wrapped.height() > QFontMetricsF(title->font, &device).height() * 1.5);
            for (const auto &item : items) {
                if (item.text.isEmpty())
                    continue;
                const QFontMetricsF metrics(item.font, &device);
                if (item.alignment & Qt::AlignRight) { // a value, whole within its cell
                    QVERIFY2(metrics.horizontalAdvance(item.text) <=
                                 (item.rect.width() - 1) * points,
                             qPrintable(item.text));
                    ++values;
                }
                if (!item.wordWrap || &item == &*title)
                    continue;
                captions.insert(item.text);
                QVERIFY2(item.rect.top() >= title->rect.bottom(), qPrintable(item.text));
                const QRectF text =
                    metrics.boundingRect(QRectF(0, 0, (item.rect.width() - 1) * points, 1e6),
                                         Qt::TextWordWrap, item.text);
                QVERIFY2(text.height() <= item.rect.height() * points, qPrintable(item.text));
            }
        }
        QCOMPARE(captions.size(), window->marks().marks().size());
        QVERIFY(values > 0);

        // Printed, the heading reads whole, not cut at the edge of the sheet.
        const auto printed = run.pdf.output(sheets, CrossSectionWindow::title());
        QVERIFY(printed && *printed);
        test::keepFile(run.pdf.path(), u"crosssection-long-heading-%1.pdf"_s.arg(grouping));
        if (const auto text = test::pdfText(run.pdf.path(), {u"-layout"_s}))
            QVERIFY2(text->simplified().contains(heading.simplified()), qPrintable(*text));
    }

    // A daily form: the period entries show and take dates, the marks carry day numbers, and
    // the build sums the days marked.
    void dailyPeriodsAsDates()
    {
        Run run(&m_desktop, m_dir.filePath(u"daily.pdf"_s));
        const qint32 first = tools::DemoSummaries::firstDay(); // 3 March 2025
        run.call.form = tools::DemoSummaries::dailyForm;
        run.call.formName = u"Ежедневная сводка о госпитализации"_s;
        run.call.periodKind = 5;
        run.call.from = first;
        run.call.to = first + 6;
        run.call.districtFilter = 1;
        auto window = run.window();
        QWidget *w = window.get();
        const CrossSectionMarks &marks = window->marks();
        auto *from = control<QSpinBox>(w, u"?LOCMES1");
        auto *to = control<QSpinBox>(w, u"?LOCMES2");
        QCOMPARE(control<QLineEdit>(w, u"?NAMETIP")->text(), u"дата"_s);
        QCOMPARE(from->text(), u"03.03.25"_s);
        QCOMPARE(to->text(), u"09.03.25"_s);

        // A date typed in is taken as its day; a text that is no date is not.
        to->selectAll();
        QTest::keyClicks(to, u"05.03.25"_s);
        to->interpretText();
        QCOMPARE(to->value(), first + 2);
        to->selectAll();
        QTest::keyClicks(to, u"31.02.25"_s);
        to->interpretText();
        QCOMPARE(to->value(), first + 2);
        QCOMPARE(to->text(), u"05.03.25"_s);

        window->markCell(0, 3);
        QCOMPARE(marks.marks().size(), 1);
        QCOMPARE(marks.marks().first().periodFrom, first);
        QCOMPARE(marks.marks().first().periodTo, first + 2);

        // The series of days 6 and 7 March.
        auto *seriesFrom = control<QSpinBox>(w, u"?DINMES1");
        auto *seriesTo = control<QSpinBox>(w, u"?DINMES2");
        seriesFrom->setValue(first + 3);
        seriesTo->setValue(first + 4);
        QCOMPARE(seriesFrom->text(), u"06.03.25"_s);
        QCOMPARE(seriesTo->text(), u"07.03.25"_s);
        test::clickControl(w, u"?DINRJD");
        QCOMPARE(marks.marks().size(), 3);
        test::grabWindow(w, u"crosssection-daily"_s);

        // Row 1, column 1 of institution 101 holds 4 + d on day d (from 0), of 102 5 + d.
        test::clickControl(w, u"?OK");
        const auto *result = window->result();
        QVERIFY(result);
        const auto valuesOf = [&](qint32 institution) {
            for (const analysis::CrossSectionRow &row : result->rows()) {
                if (row.key == institution)
                    return row.values;
            }
            return QList<runtime::Decimal>();
        };
        const QList<runtime::Decimal> of101 = valuesOf(101);
        const QList<runtime::Decimal> of102 = valuesOf(102);
        QCOMPARE(of101.size(), 3);
        QCOMPARE(of102.size(), 3);
        // Marks in the order added: 3..5 March, 6 March, 7 March.
        QCOMPARE(of101, (QList<runtime::Decimal>{runtime::Decimal(15), runtime::Decimal(7),
                                                 runtime::Decimal(8)}));
        QCOMPARE(of102, (QList<runtime::Decimal>{runtime::Decimal(18), runtime::Decimal(8),
                                                 runtime::Decimal(9)}));
    }

    // Form, table and the build by rows; no marks; the table list window.
    void formTableAndRows()
    {
        Run run(&m_desktop, m_dir.filePath(u"rows.pdf"_s));
        auto window = run.window();
        QWidget *w = window.get();
        test::clickControl(w, u"?OK");
        QCOMPARE(run.prompter.lastText(), CrossSectionMarks::noMarksText());
        QVERIFY(!window->result());

        window->markCell(0, 3);
        run.choices->form = {12, u"Годовой отчет"_s, u"12"_s, 0};
        test::clickControl(w, u"?NEWFORM");
        QCOMPARE(window->marks().form(), 12);
        QCOMPARE(run.call.form, 12);
        QCOMPARE(run.call.formName, u"Годовой отчет"_s);
        QCOMPARE(control<QLineEdit>(w, u"?NAMETIP")->text(), u"год"_s);
        QCOMPARE(window->windowTitle(), u"12 Годовой отчет"_s);
        QCOMPARE(window->marks().marks().size(), 1);

        // "+" under the annual form: the monthly mark is copied with the period entries, as its
        // own form is monthly.
        window->markBinding()->selectRow(0);
        test::clickControl(w, u"?PLUSSWOD");
        QCOMPARE(window->marks().marks().size(), 2);
        const CrossSectionMark copy = window->marks().marks().last();
        QCOMPARE(copy.form, 7);
        QVERIFY(copy.periodTo > 0);
        QCOMPARE(copy.periodFrom, control<QSpinBox>(w, u"?LOCMES1")->value());
        QCOMPARE(copy.periodTo, control<QSpinBox>(w, u"?LOCMES2")->value());

        // The table list chooses the second table; the previous button comes back.
        const QString first = control<QLineEdit>(w, u"?TEXT1")->text();
        test::answerModals({[&](QWidget *tables) {
            QCOMPARE(tables->objectName(), u"P1$SCRL1"_s);
            auto *view = control<QTableView>(tables, u"?BROWSE:2");
            QVERIFY(view->model()->rowCount() >= 2);
            static_cast<runtime::ui::ListWindow *>(tables)->binding()->activateRow(1);
        }});
        test::clickControl(w, u"?NEWTABL");
        QCOMPARE(window->marks().tableIndex(), 1);
        QVERIFY(control(w, u"?UPTABL")->isEnabled());
        test::clickControl(w, u"?UPTABL");
        QCOMPARE(control<QLineEdit>(w, u"?TEXT1")->text(), first);

        // A year without its directory: no tables, the marks stay; back to the year, the tables
        // come back.
        const int markCount = int(window->marks().marks().size());
        auto *year = control<QSpinBox>(w, u"?LOCYEAR");
        year->setValue(1990);
        window->changeYear(year->value());
        QVERIFY(window->marks().tables().isEmpty());
        QVERIFY(control<QLineEdit>(w, u"?TEXT1")->text().isEmpty());
        QCOMPARE(window->marks().marks().size(), markCount);
        window->changeYear(test::demoYear);
        QCOMPARE(control<QLineEdit>(w, u"?TEXT1")->text(), first);

        // An annual form marks 0..0; by rows only the current table's marks give values.
        window->markCell(0, 3);
        const CrossSectionMark annual = window->marks().marks().last();
        QCOMPARE(annual.periodFrom, 0);
        QCOMPARE(annual.periodTo, 0);
        test::clickControl(w, u"?LOCSTR");
        test::clickControl(w, u"?OK");
        const auto *result = window->result();
        QVERIFY(result);
        QVERIFY(result->result().byRows);
        QCOMPARE(result->rows().size(), window->marks().currentTable()->rows.size());
        QCOMPARE(result->columns().size(), 1);
    }

    // A save on a full disk tells that the cross-section was not saved, and why.
    void saveOnAFullDisk()
    {
        Run run(&m_desktop, m_dir.filePath(u"full.pdf"_s));
        auto window = run.window();
        QWidget *w = window.get();
        window->markCell(0, 3);
        control<QSpinBox>(w, u"?DINMES1")->setValue(1);
        control<QSpinBox>(w, u"?DINMES2")->setValue(12);
        while (window->marks().marks().size() < 1500)
            test::clickControl(w, u"?DINRJD");
        QVERIFY(run.context.open(data::FileId::RASRES));
        QVERIFY(run.context.file(data::FileId::RASRES).setMaxPageCount(1)); // no page more
        test::answerModals({[&](QWidget *name) {
            control<QLineEdit>(name, u"?RAN:NAME")->setText(u"Весь год"_s);
            test::clickControl(name, u"?INS");
        }});
        run.prompter.reset();
        test::clickControl(w, u"?PUTRASRES");
        run.context.close(data::FileId::RASRES);
        QCOMPARE(run.prompter.texts().size(), 1);
        QVERIFY2(run.prompter.texts().first().startsWith(
                     analysis::SavedCrossSections::notSavedText() + u"|Нет места на диске"_s),
                 qPrintable(run.prompter.texts().first()));
    }
};

QTEST_MAIN(TestCrossSectionWindow)
#include "test_crosssectionwindow.moc"
