// The windows of the shell's services: the page preview with its printing, the help window,
// the forms on/off list and the key rebuilding window, driven headless. Screenshots go to
// <build>/tests/shell/screenshots.

#include "tests/shell/ShellFixture.h"
#include "tests/shell/ui/ShellWindowFixture.h"

#include "app/ProcedureTable.h"
#include "data/DataContext.h"
#include "data/FileNames.h"
#include "runtime/fs/Paths.h"
#include "runtime/ini/IniFile.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/report/PageRenderer.h"
#include "runtime/report/PageSink.h"
#include "runtime/report/ReportWriter.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ProgressWindow.h"
#include "shell/AppState.h"
#include "shell/FormAccess.h"
#include "shell/ui/FormAccessWindow.h"
#include "shell/ui/HelpWindow.h"
#include "shell/ui/KeyRebuildWindow.h"
#include "shell/ui/MainFrame.h"
#include "shell/ui/PreviewWindow.h"
#include "shell/ui/WaitingWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

using namespace zemor;
using namespace zemor::shell;
using runtime::report::PageList;
using runtime::ui::findControl;
using test::onNextModal;
using test::ScriptedPrompter;
using test::shoot;
using test::WorkDir;

namespace {

// A report of `pages` pages: a page header with the page number, a table of `rows` framed
// lines per page and a page footer.
PageList report(int pages, int rows = 20)
{
    using runtime::report::Band;
    using runtime::report::ReportItem;
    runtime::report::ReportDefinition def;
    QFont bold;
    bold.setBold(true);
    bold.setPointSizeF(12);
    def.pageHeader.height = 20;
    def.pageHeader.items = {
        ReportItem::makeText({0, 0, 185, 8}, QStringLiteral("Список учреждений района"), bold,
                             Qt::AlignCenter),
        ReportItem::makeText({0, 10, 20, 8}, QStringLiteral("Код"), {}, Qt::AlignCenter, true),
        ReportItem::makeText({20, 10, 125, 8}, QStringLiteral("Наименование"), {}, Qt::AlignCenter,
                             true),
        ReportItem::makeText({145, 10, 40, 8}, QStringLiteral("Коек"), {}, Qt::AlignCenter, true),
    };
    def.detail.height = 8;
    def.detail.items = {
        ReportItem::makeText({0, 0, 20, 8}, QStringLiteral("{code}"), {}, Qt::AlignCenter, true),
        ReportItem::makeText({20, 0, 125, 8}, QStringLiteral(" {name}"), {},
                             Qt::AlignLeft | Qt::AlignVCenter, true),
        ReportItem::makeText({145, 0, 40, 8}, QStringLiteral("{beds} "), {},
                             Qt::AlignRight | Qt::AlignVCenter, true),
    };
    def.pageFooter.height = 8;
    def.pageFooter.items = {ReportItem::makeText(
        {0, 0, 185, 8}, QStringLiteral("Страница {page} из {pages}"), {}, Qt::AlignRight)};

    runtime::report::ReportWriter writer(def);
    int code = 101;
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.breakPage();
        for (int row = 0; row < rows; ++row, ++code) {
            writer.add(
                {{QStringLiteral("code"), QString::number(code)},
                 {QStringLiteral("name"), QStringLiteral("Участковая больница № %1").arg(code)},
                 {QStringLiteral("beds"), QString::number(20 + code % 37)}});
        }
    }
    return writer.finish();
}

// Pages of a PDF file, counted by its page objects.
int pdfPages(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray pdf = file.readAll();
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    return int(QString::fromLatin1(pdf).count(page));
}

QImage shownImage(QWidget *window, QStringView equate)
{
    return findControl<QLabel>(window, equate)->pixmap().toImage();
}

void doubleClickRow(QTableView *view, int row)
{
    const QRect rect = view->visualRect(view->model()->index(row, 0));
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

class ServicesAWindowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void previewThreePagesPrintsThree();
    void previewManyPages();
    void previewOnePageAndEmpty();
    void previewPrintFailureIsTold();
    void previewAsPageSink_data();
    void previewAsPageSink();
    void previewOpensAtPage();

    void helpWindow();
    void helpWithoutIndexOrPicture();

    void formAccessWindow();
    void keyRebuildWindow();
    void fromTheFrame();

    void screenshots();
};

void ServicesAWindowsTest::initTestCase()
{
    runtime::store::KeyedFile::setShareWait(std::chrono::milliseconds(50));
}

void ServicesAWindowsTest::previewThreePagesPrintsThree()
{
    const PageList pages = report(3);
    QCOMPARE(pages.count(), 3);
    QTemporaryDir out;
    runtime::report::PdfSink pdf(out.filePath(QStringLiteral("report.pdf")));
    ScriptedPrompter prompter;

    QList<QImage> seen;
    QStringList numbers;
    onNextModal([&](QWidget *window) {
        QCOMPARE(window->objectName(), QStringLiteral("P1$VIEW1"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Просмотр"));
        QCOMPARE(findControl<QLabel>(window, u"?KOLSTR")->text(), QStringLiteral("3страниц"));
        auto *next = findControl<QPushButton>(window, u"?NEXTPAGE");
        auto *previous = findControl<QPushButton>(window, u"?UPPAGE");
        auto *number = findControl<QLineEdit>(window, u"?NEXTENTRY");
        QVERIFY(!next->isHidden() && !previous->isHidden());
        seen.append(shownImage(window, u"?IMAGEFIELD"));
        numbers.append(number->text());
        for (int i = 0; i < 3; ++i) { // the third press stays on the last page
            QTest::mouseClick(next, Qt::LeftButton);
            seen.append(shownImage(window, u"?IMAGEFIELD"));
            numbers.append(number->text());
        }
        QTest::mouseClick(previous, Qt::LeftButton);
        numbers.append(number->text());
        QTest::mouseClick(findControl<QPushButton>(window, u"?PRINTREPORT"), Qt::LeftButton);
    });
    QVERIFY(ui::previewAndPrint(pages, prompter, pdf));

    QCOMPARE(numbers, (QStringList{u"1"_qs, u"2"_qs, u"3"_qs, u"3"_qs, u"2"_qs}));
    QCOMPARE(seen.size(), 4);
    QVERIFY(!seen.at(0).isNull());
    QVERIFY(seen.at(0) != seen.at(1));
    QVERIFY(seen.at(1) != seen.at(2));
    QCOMPARE(seen.at(2), seen.at(3));
    QCOMPARE(pdfPages(pdf.path()), 3);
    QVERIFY(prompter.messages.isEmpty());
}

void ServicesAWindowsTest::previewManyPages()
{
    const PageList pages = report(300, 2);
    QCOMPARE(pages.count(), 300);
    ui::PreviewWindow window(pages);
    window.show();
    QCOMPARE(findControl<QLabel>(&window, u"?KOLSTR")->text(), QStringLiteral("300страниц"));
    auto *number = findControl<QLineEdit>(&window, u"?NEXTENTRY");
    // A page typed into the number is where next and previous count from.
    number->setText(QStringLiteral("280"));
    QTest::mouseClick(findControl<QPushButton>(&window, u"?NEXTPAGE"), Qt::LeftButton);
    QCOMPARE(window.paging().currentPage(), 281);
    QCOMPARE(number->text(), QStringLiteral("281"));
    number->setText(QStringLiteral("300"));
    QTest::mouseClick(findControl<QPushButton>(&window, u"?NEXTPAGE"), Qt::LeftButton);
    QCOMPARE(window.paging().currentPage(), 300);
    // The page shown is the 300th: compare with the page image drawn directly.
    QCOMPARE(shownImage(&window, u"?IMAGEFIELD"),
             runtime::report::PageRenderer::pageImage(pages, 299, 96));
    window.close();
    QVERIFY(!window.printRequested());

    // Closing without printing prints nothing.
    QTemporaryDir out;
    runtime::report::PdfSink pdf(out.filePath(QStringLiteral("none.pdf")));
    ScriptedPrompter prompter;
    onNextModal([](QWidget *w) { w->close(); });
    QVERIFY(ui::previewAndPrint(pages, prompter, pdf));
    QVERIFY(!QFile::exists(pdf.path()));
}

void ServicesAWindowsTest::previewOnePageAndEmpty()
{
    const PageList one = report(1);
    ui::PreviewWindow window(one);
    window.show();
    QVERIFY(findControl<QPushButton>(&window, u"?NEXTPAGE")->isHidden());
    QVERIFY(findControl<QPushButton>(&window, u"?UPPAGE")->isHidden());
    QCOMPARE(findControl<QLabel>(&window, u"?KOLSTR")->text(), QStringLiteral("1страниц"));
    QVERIFY(!shownImage(&window, u"?IMAGEFIELD").isNull());
    window.close();

    // An empty report says so and opens no window.
    ScriptedPrompter prompter;
    bool opened = false;
    QObject scope;
    QTimer::singleShot(0, &scope, [&] {
        if (QApplication::activeModalWidget()) {
            opened = true;
            QApplication::activeModalWidget()->close();
        }
    });
    QVERIFY(!ui::previewPages(PageList{}, prompter));
    QCoreApplication::processEvents();
    QVERIFY(!opened);
    QCOMPARE(prompter.texts(), QStringList{ui::PreviewWindow::emptyReportText()});
}

void ServicesAWindowsTest::previewPrintFailureIsTold()
{
    const PageList pages = report(2);
    runtime::report::PdfSink pdf(QStringLiteral("/nonexistent-dir/x/report.pdf"));
    ScriptedPrompter prompter;
    onNextModal([](QWidget *window) {
        QTest::mouseClick(findControl<QPushButton>(window, u"?PRINTREPORT"), Qt::LeftButton);
    });
    QVERIFY(!ui::previewAndPrint(pages, prompter, pdf));
    QCOMPARE(prompter.messages.size(), 1);
    QVERIFY(prompter.lastText().startsWith(ui::PreviewWindow::printFailedText()));
}

void ServicesAWindowsTest::previewAsPageSink_data()
{
    QTest::addColumn<bool>("print");
    QTest::newRow("printed") << true;
    QTest::newRow("closed") << false;
}

// The preview as a page sink: the pages go on to the printing sink only when asked for.
void ServicesAWindowsTest::previewAsPageSink()
{
    QFETCH(bool, print);
    const PageList pages = report(2);
    QTemporaryDir out;
    runtime::report::PdfSink pdf(out.filePath(QStringLiteral("report.pdf")));
    ScriptedPrompter prompter;
    ui::PreviewSink preview(prompter, pdf);
    onNextModal([print](QWidget *window) {
        if (print)
            QTest::mouseClick(findControl<QPushButton>(window, u"?PRINTREPORT"), Qt::LeftButton);
        else
            window->close();
    });
    const runtime::Result<bool> done = preview.output(pages, QStringLiteral("Список"));
    QVERIFY(done);
    QCOMPARE(*done, print);
    QCOMPARE(QFile::exists(pdf.path()), print);
    if (print)
        QCOMPARE(pdfPages(pdf.path()), 2);
    QVERIFY(prompter.messages.isEmpty());
}

// A preview given a page opens at it and hands back the page shown last, so that the next
// preview of the same report opens where the user left it; a page beyond the report opens the
// last one.
void ServicesAWindowsTest::previewOpensAtPage()
{
    const PageList pages = report(3);
    QTemporaryDir out;
    runtime::report::PdfSink pdf(out.filePath(QStringLiteral("report.pdf")));
    ScriptedPrompter prompter;
    int page = 2;
    ui::PreviewSink preview(prompter, pdf, nullptr, &page);
    QString opened;
    QImage shown;
    onNextModal([&](QWidget *window) {
        opened = findControl<QLineEdit>(window, u"?NEXTENTRY")->text();
        shown = shownImage(window, u"?IMAGEFIELD");
        QTest::mouseClick(findControl<QPushButton>(window, u"?NEXTPAGE"), Qt::LeftButton);
        window->close();
    });
    const runtime::Result<bool> done = preview.output(pages, QStringLiteral("Список"));
    QVERIFY(done && !*done);
    QCOMPARE(opened, QStringLiteral("2"));
    QCOMPARE(shown, runtime::report::PageRenderer::pageImage(pages, 1, 96));
    QCOMPARE(page, 3);

    ui::PreviewWindow beyond(pages, nullptr, 9);
    QCOMPARE(beyond.paging().currentPage(), 3);
    ui::PreviewWindow first(pages, nullptr, 0);
    QCOMPARE(first.paging().currentPage(), 1);
}

void ServicesAWindowsTest::helpWindow()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;

    // The frame's button: no preselection, the first section's picture.
    {
        ui::HelpWindow window(prompter, 0, false);
        QCOMPARE(window.windowTitle(), QStringLiteral("Справка"));
        auto *list = findControl<QListWidget>(&window, u"?LIST1");
        QVERIFY(list->count() >= 4);
        QCOMPARE(list->item(0)->text(), window.sections().at(0).title);
        QCOMPARE(window.shownSection(), 0);
        QVERIFY(!shownImage(&window, u"?IMAGE1").isNull());
    }
    // A given section shows its picture, the list stays on the first line.
    {
        ui::HelpWindow window(prompter, 3, true);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *list = findControl<QListWidget>(&window, u"?LIST1");
        QCOMPARE(window.shownSection(), 2);
        QVERIFY(window.shownPicture().endsWith(u"help3.png"));
        QCOMPARE(list->currentRow(), 0);
        const QImage third = shownImage(&window, u"?IMAGE1");

        // A click on a title shows its picture.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(1)).center());
        QCOMPARE(window.shownSection(), 1);
        QVERIFY(window.shownPicture().endsWith(u"help2.png"));
        QVERIFY(shownImage(&window, u"?IMAGE1") != third);

        // A click below the last title chooses nothing.
        const QRect last = list->visualItemRect(list->item(list->count() - 1));
        const QPoint below(last.center().x(), last.bottom() + 20);
        QVERIFY(below.y() < list->viewport()->height());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, below);
        QCOMPARE(prompter.texts(), QStringList{QStringLiteral("Раздел не выбран")});
        QCOMPARE(window.shownSection(), 1);
    }
    // A section beyond the last line shows the first section.
    {
        ui::HelpWindow window(prompter, 99, true);
        QCOMPARE(window.shownSection(), 0);
    }
}

void ServicesAWindowsTest::helpWithoutIndexOrPicture()
{
    WorkDir dir;
    ScriptedPrompter prompter;
    {
        ui::HelpWindow window(prompter, 1, true);
        QCOMPARE(findControl<QListWidget>(&window, u"?LIST1")->count(), 0);
        QCOMPARE(window.shownSection(), -1);
        QVERIFY(shownImage(&window, u"?IMAGE1").isNull());
    }
    // A picture that is missing or damaged shows nothing; the list is still there.
    dir.writeFile(QStringLiteral("help.TXT"),
                  QByteArray("broken.png          Damaged\r\nmissing.png         Missing\r\n"));
    dir.writeFile(QStringLiteral("broken.png"), QByteArray("\x89PNG\r\n\x1a\n garbage"));
    ui::HelpWindow window(prompter, 2, true);
    QCOMPARE(findControl<QListWidget>(&window, u"?LIST1")->count(), 2);
    QCOMPARE(window.shownSection(), 1);
    QVERIFY(shownImage(&window, u"?IMAGE1").isNull());
    QVERIFY(prompter.messages.isEmpty());
}

void ServicesAWindowsTest::formAccessWindow()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);

    auto storedFlag = [](qint64 code) {
        data::DataContext reader;
        FormAccess forms(reader);
        if (!forms.load(2026))
            return -1;
        for (const FormAccessEntry &e : forms.entries())
            if (e.unicod == code)
                return int(e.vkl);
        return -1;
    };

    FormAccess forms(data);
    QVERIFY(forms.load(2026));
    const qint64 first = forms.entries().at(0).unicod;
    const int before = forms.entries().at(0).vkl;
    {
        ui::FormAccessWindow window(forms, prompter);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *view = findControl<QTableView>(&window, u"?BROWSE:1");
        QCOMPARE(findControl<QLineEdit>(&window, u"?GLOBYEAR")->text(), QStringLiteral("2026"));
        QCOMPARE(view->model()->rowCount(), int(forms.entries().size()));
        QCOMPARE(window.binding()->cellText(0, 0).trimmed(), QString::number(first));

        // Only a double click switches a form: Enter leaves the flag and the window as they are.
        view->setFocus();
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(view, key);
            QCOMPARE(window.binding()->cellText(0, 1).trimmed(), QString::number(before));
            QVERIFY(window.isVisible());
        }
        QCOMPARE(prompter.messages.size(), 0);

        doubleClickRow(view, 0);
        QCOMPARE(window.binding()->cellText(0, 1).trimmed(), QString::number(1 - before));

        // Another window holds the forms for writing: the user is told, the window stays.
        data::DataContext other;
        other.names().setFormaFileName(FormAccess::formaFileName(2026));
        QVERIFY(other.open(data::FileId::forma));
        QTest::mouseClick(findControl<QPushButton>(&window, u"?PUT"), Qt::LeftButton);
        other.close(data::FileId::forma);
        QCOMPARE(prompter.messages.size(), 1);
        QVERIFY(prompter.lastText().startsWith(ui::FormAccessWindow::notSavedText()));
        QVERIFY(window.isVisible());
        QCOMPARE(storedFlag(first), before);

        // The same press again, now that the file is free.
        QTest::mouseClick(findControl<QPushButton>(&window, u"?PUT"), Qt::LeftButton);
        QCOMPARE(prompter.messages.size(), 1);
        QVERIFY(window.isVisible());
        QCOMPARE(storedFlag(first), 1 - before);

        // A toggle after the save and then closing: dropped.
        doubleClickRow(view, 0);
        window.close();
    }
    QCOMPARE(storedFlag(first), 1 - before);
}

void ServicesAWindowsTest::keyRebuildWindow()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    ui::KeyRebuildWindow window(data, prompter, 2026);
    window.show();
    QCOMPARE(window.windowTitle(), QStringLiteral("Восстановление ключей"));
    QCOMPARE(findControl<QLineEdit>(&window, u"?LOCCODFORM")->text(), QStringLiteral("0"));

    QTest::mouseClick(findControl<QPushButton>(&window, u"?OK_KOD"), Qt::LeftButton);
    QCOMPARE(prompter.texts(), QStringList{QStringLiteral("Форма ?")});

    prompter.reset();
    findControl<QLineEdit>(&window, u"?LOCCODFORM")->setText(QStringLiteral("14"));
    QTest::mouseClick(findControl<QPushButton>(&window, u"?OK_KOD"), Qt::LeftButton);
    QCOMPARE(prompter.texts(), QStringList{QStringLiteral("Готово")});

    prompter.reset();
    findControl<QCheckBox>(&window, u"?CHECK1")->setChecked(true);
    QTest::mouseClick(findControl<QPushButton>(&window, u"?OK"), Qt::LeftButton);
    QCOMPARE(prompter.texts(), QStringList{QStringLiteral("Готово")});
    QCOMPARE(findControl<QLineEdit>(&window, u"?I#")->text(), QStringLiteral("5"));
    QVERIFY(!findControl<QLineEdit>(&window, u"?FOR:UNICOD")->text().isEmpty());
    QVERIFY(window.isVisible());

    // A run of every group, stopped with "Отмена" of its progress window half-way: it stops
    // at the next file and says so.
    prompter.reset();
    for (const char16_t *box : {u"?CHECK1", u"?CHECK2", u"?CHECK3"})
        findControl<QCheckBox>(&window, box)->setChecked(true);

    QPointer<runtime::ui::ProgressWindow> progress;
    qint64 cancelledAt = -1;
    QTimer user;
    user.setInterval(0);
    connect(&user, &QTimer::timeout, this, [&] {
        if (cancelledAt >= 0)
            return;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *shown = qobject_cast<runtime::ui::ProgressWindow *>(w);
            if (!shown || !shown->isVisible() || shown->total() == 0 ||
                shown->done() < shown->total() / 2)
                continue;
            progress = shown;
            cancelledAt = shown->done();
            QCOMPARE(shown->windowTitle(), ui::KeyRebuildWindow::title());
            QVERIFY(!shown->text().isEmpty());
            QTest::mouseClick(shown->findChild<QPushButton *>(QStringLiteral("cancel")),
                              Qt::LeftButton);
        }
    });
    user.start();
    QTest::mouseClick(findControl<QPushButton>(&window, u"?OK"), Qt::LeftButton);
    user.stop();

    QVERIFY(cancelledAt > 0);
    QVERIFY(!progress); // gone with the run
    QCOMPARE(prompter.texts(), QStringList{QStringLiteral("Прервано")});
    const int counted = findControl<QLineEdit>(&window, u"?I#")->text().toInt();
    QVERIFY(counted > 0);
    QVERIFY(counted < 5 + 9 + 5);
    QVERIFY(window.isVisible());
}

// The frame starts the three procedures modally, on its own data context and year.
void ServicesAWindowsTest::fromTheFrame()
{
    WorkDir dir(true);
    runtime::ini::IniFile ini(dir.filePath(QStringLiteral("zemor.INI")));
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    runtime::office::OfficeServer office;
    ui::MainFrame frame(state, data, prompter, ini,
                        app::procedureTable({state, prompter, &office}));
    frame.initialize(2026);
    frame.show();

    const struct
    {
        QString item;
        QString title;
    } items[] = {
        {QStringLiteral("Включение/Выключение форм отчетности"), ui::FormAccessWindow::title()},
        {QStringLiteral("Восстановление ключей (индексация баз)"), ui::KeyRebuildWindow::title()},
    };
    for (const auto &item : items) {
        QAction *action = frame.menuAction(item.item);
        QVERIFY2(action && action->isEnabled(), qPrintable(item.item));
        QString title;
        bool modal = false;
        onNextModal([&](QWidget *window) {
            title = window->windowTitle();
            modal = window->isModal();
            window->close();
        });
        action->trigger();
        QCOMPARE(title, item.title);
        QVERIFY(modal);
    }

    auto *help = findControl<QToolButton>(&frame, u"?HELP1");
    QVERIFY(help && help->isEnabled());
    int shown = -2;
    onNextModal([&](QWidget *window) {
        auto *helpWindow = qobject_cast<ui::HelpWindow *>(window);
        QVERIFY(helpWindow);
        shown = helpWindow->shownSection();
        window->close();
    });
    QTest::mouseClick(help, Qt::LeftButton);
    QCOMPARE(shown, 0);
}

void ServicesAWindowsTest::screenshots()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;
    const PageList pages = report(3, 24);
    ui::PreviewWindow preview(pages);
    shoot(&preview, QStringLiteral("preview.png"));
    preview.close();

    ui::HelpWindow help(prompter, 1, true);
    shoot(&help, QStringLiteral("help.png"));
    help.close();

    data::DataContext data(&prompter);
    FormAccess forms(data);
    QVERIFY(forms.load(2026));
    forms.toggle(1);
    ui::FormAccessWindow formList(forms, prompter);
    shoot(&formList, QStringLiteral("form-access.png"));
    formList.close();

    ui::KeyRebuildWindow rebuild(data, prompter, 2026);
    shoot(&rebuild, QStringLiteral("key-rebuild.png"));

    runtime::ui::ProgressWindow progress(ui::KeyRebuildWindow::title(), &rebuild);
    progress.setTotal(18);
    progress.step(7, QStringLiteral("2026/Stroka.DAT"));
    shoot(&progress, QStringLiteral("key-rebuild-progress.png"));
    progress.finish();
    rebuild.close();

    ui::WaitingWindow waiting;
    shoot(&waiting, QStringLiteral("waiting.png"));
    waiting.close();
}

QTEST_MAIN(ServicesAWindowsTest)
#include "test_shellservices_windows.moc"
