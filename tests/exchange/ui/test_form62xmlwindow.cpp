// The window of the form 62 load from XML files on the demo, driven by its controls with
// scripted answers: started from the menu's procedure (district and institution picked in the
// pick lists), a file read and loaded, the path list, a UTF-16 file refused with nothing
// written, and no window without an institution.

#include "app/ProcedureTable.h"
#include "data/DataContext.h"
#include "exchange/ui/Form62XmlWindow.h"
#include "runtime/ini/IniFile.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/text/Cp1251.h"
#include "runtime/ui/Controls.h"
#include "shell/AppState.h"
#include "support/ModalScript.h"
#include "support/ScriptedChoices.h"
#include "tests/analysis/ui/WindowTestSupport.h"
#include "tests/exchange/ExchangeFixture.h"
#include "tests/exchange/ExchangeWindowSupport.h"

#include "runtime/ui/ListBinding.h"

#include <QComboBox>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace zemor;
using namespace zemor::exchange;
using data::OtchetRecord;
using runtime::ui::findControl;
using test::demoYear;
using test::labelText;
using test::modelOf;

namespace {

using Run = test::ExchangeRun<>;

QByteArrayList reportOf(data::DataContext &ctx, qint32 institution)
{
    return test::storedReport(ctx, demoYear, 62, institution, 0);
}

const QByteArray portalFile =
    runtime::text::toCp1251(u"<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n"
                            u"<report><sprav>\r\n"
                            u"  <CODE>62_str_01</CODE>\r\n"
                            u"  <SVAL>ГБУЗ \"Озёрская ЦРБ\"</SVAL>\r\n"
                            u"  <CODE>1.1.62.1000</CODE>\r\n"
                            u"  <NVAL>3</NVAL>\r\n"
                            u"  <CODE>1.2.62.1000</CODE>\r\n"
                            u"  <NVAL>4,5</NVAL>\r\n"
                            u"  <CODE>1.1.62.7777</CODE>\r\n"
                            u"  <NVAL>1</NVAL>\r\n"
                            u"</report>\r\n"_s);

} // namespace

class TestForm62XmlWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fromTheMenu();
    void pathListAndRefusedFile();
    void noInstitutionNoWindow();
    void cellsShowTheWholeValue();
};

void TestForm62XmlWindow::fromTheMenu()
{
    test::WorkDir work(true);
    Run run;
    work.writeFile(u"import/f62.xml"_s, portalFile);
    run.state.exchangePath = u"\\elsewhere\\"_s;
    runtime::ini::IniFile ini(work.filePath(u"zemor.ini"_s));
    test::NoDesktop desktop;
    runtime::office::OfficeServer office(&desktop);
    const auto table = app::procedureTable({run.state, run.prompter, &office});
    QVERIFY(table.contains(u"ImportForm62Xml"_s));

    bool shown = false;
    test::answerModals({test::pickCode(5), test::pickCode(501), test::closingAfter([&](QWidget *w) {
                            QCOMPARE(w->objectName(), u"P2$SCRY"_s);
                            QCOMPARE(w->windowTitle(), u"Загрузка отчетов на дискету"_s);
                            // The path opens on the user's first folder; the file is named in it.
                            auto *path = findControl<QComboBox>(w, u"?PATH1:2");
                            QCOMPARE(path->currentText(), u"\\export\\"_s);
                            path->setEditText(u"\\import\\f62.xml"_s);
                            QCOMPARE(labelText(w, u"?GLOBYEAR"), QString::number(demoYear));
                            QVERIFY(labelText(w, u"?LOCNAZVUCH").startsWith(u"501 "));
                            QVERIFY(modelOf(w, u"?LIST1:2")->rowCount() >= 4);
                            test::clickControl(w, u"?OK");
                            auto *cells = modelOf(w, u"?LIST1");
                            QCOMPARE(cells->rowCount(), 3);
                            QCOMPARE(cells->value(1, 0).toString(), u"1.2.62.1000"_s);
                            QCOMPARE(cells->value(1, 1).toString(), u"4,5"_s);
                            QCOMPARE(labelText(w, u"?NAMEUCH"), u"ГБУЗ Озёрская ЦРБ"_s);
                            test::grabWindow(w, u"form62xml_read"_s);
                            test::clickControl(w, u"?OK:2");
                            QCOMPARE(labelText(w, u"?STR1"), u"1.2.62.1000=t1000,gr2,str1=4,5"_s);
                            test::grabWindow(w, u"form62xml_loaded"_s);
                            shown = true;
                        })});
    table.value(u"ImportForm62Xml"_s)(run.context, nullptr, false);
    QVERIFY(shown);

    QCOMPARE(run.prompter.texts(),
             (QStringList{u"ГБУЗ Озёрская ЦРБ"_s, u"1.1.62.7777=t7777,gr1,str1"_s,
                          u"Файл загружен.  XML файл переименован в -  \\import\\ГБУЗ Озёрская "
                          u"ЦРБ.xml"_s}));
    const QByteArrayList stored = reportOf(run.context, 501);
    QCOMPARE(stored.size(), 1);
    QByteArray bytes = stored[0];
    const OtchetRecord r(bytes);
    QCOMPARE(r.codReg(), 5);
    QCOMPARE(r.data(1).toString(), u"3"_s);
    QCOMPARE(r.data(2).toString(), u"4.5"_s);
    QVERIFY(!QFile::exists(work.filePath(u"import/f62.xml"_s)));
    QVERIFY(QFile::exists(work.filePath(u"import/ГБУЗ Озёрская ЦРБ.xml"_s)));
}

void TestForm62XmlWindow::pathListAndRefusedFile()
{
    test::WorkDir work(true);
    Run run;
    const QByteArrayList before = reportOf(run.context, 101);
    QFile::copy(QStringLiteral(ZEMOR_GOLDEN_DIR "/form62xml/utf-16/input.xml"),
                work.filePath(u"import/u16.xml"_s));
    ui::Form62XmlWindow window(run.context, run.services(), {1, 101, u"Берёзовская ЦРБ"_s});
    window.show();

    // The drop list holds the user's folders; choosing one blanks what the last file showed.
    auto *path = findControl<QComboBox>(&window, u"?PATH1:2");
    QCOMPARE(path->count(), 2);
    QCOMPARE(path->itemText(1), u"\\import\\"_s);
    path->setCurrentIndex(1);
    Q_EMIT path->activated(1);
    QCOMPARE(path->currentText(), u"\\import\\"_s);
    QCOMPARE(run.state.exchangePath, u"\\import\\"_s);

    path->setEditText(u"\\import\\u16.xml"_s);
    test::clickControl(&window, u"?OK");
    QCOMPARE(modelOf(&window, u"?LIST1")->rowCount(), 0);
    test::clickControl(&window, u"?OK:2");
    QCOMPARE(run.prompter.texts(),
             (QStringList{u"u16.xml: файл не загружен: в файле нулевые байты (не текст, а, "
                          u"например, UTF-16 или двоичные данные)"_s,
                          u"Отчет не сформирован"_s}));
    QCOMPARE(reportOf(run.context, 101), before);
    QVERIFY(QFile::exists(work.filePath(u"import/u16.xml"_s)));
    test::grabWindow(&window, u"form62xml_refused"_s);
}

void TestForm62XmlWindow::noInstitutionNoWindow()
{
    test::WorkDir work(true);
    Run run;
    test::ScriptedChoices choices;
    choices.district = {5, u"Озёрский"_s};
    bool opened = false;
    const auto watch = test::answerModals({[&](QWidget *w) {
        opened = true;
        qobject_cast<QDialog *>(w)->reject();
    }});
    ui::importForm62Xml(run.context, run.services(choices));
    test::disarm(watch);
    QVERIFY(!opened);
    QCOMPARE(choices.asked, (QStringList{u"district 2"_s, u"institution 5"_s}));
    QVERIFY(run.prompter.messages.isEmpty());
}

// The cells read are listed as the file holds them: a value too long for a column of the
// report is refused by the load, and the list shows it whole, not cut to 30 characters.
void TestForm62XmlWindow::cellsShowTheWholeValue()
{
    test::WorkDir work(true);
    Run run;
    QFile::copy(QStringLiteral(ZEMOR_GOLDEN_DIR "/form62xml/numbers-too-long/input.xml"),
                work.filePath(u"import/long.xml"_s));
    ui::Form62XmlWindow window(run.context, run.services(), {1, 101, u"Берёзовская ЦРБ"_s});
    window.show();
    findControl<QComboBox>(&window, u"?PATH1:2")->setEditText(u"\\import\\long.xml"_s);
    test::clickControl(&window, u"?OK");
    auto *view = findControl<QTableView>(&window, u"?LIST1");
    auto *binding = view->findChild<runtime::ui::ListBinding *>();
    if (!binding)
        binding = window.findChild<runtime::ui::ListBinding *>();
    QVERIFY(binding);
    const QStringList shown{binding->cellText(0, 1), binding->cellText(1, 1),
                            binding->cellText(3, 1)};
    QCOMPARE(shown,
             (QStringList{u"111111111111111111"_s, QString(40, u'9'), u"99999999999999,999"_s}));
    test::grabWindow(&window, u"form62xml_long_values"_s);
}

QTEST_MAIN(TestForm62XmlWindow)
#include "test_form62xmlwindow.moc"
