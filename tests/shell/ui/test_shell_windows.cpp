// The shell's windows, headless: the frame on the demo directory, the settings window, both
// pick list windows and the period window, driven through their equates. The last test writes
// pictures of the windows into the build tree for a look by eye.

#include "tests/shell/ShellFixture.h"
#include "tests/shell/ui/ShellWindowFixture.h"

#include "data/Period.h"
#include "runtime/ini/IniFile.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "shell/AppState.h"
#include "shell/PickFromList.h"
#include "shell/PickInstitution.h"
#include "shell/SettingsEditor.h"
#include "shell/ui/InstitutionPickWindow.h"
#include "shell/ui/MainFrame.h"
#include "shell/ui/PeriodWindow.h"
#include "shell/ui/PickListChoices.h"
#include "shell/ui/PickListWindow.h"
#include "shell/ui/UserSettingsWindow.h"
#include "support/ScriptedChoices.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace zemor;
using namespace zemor::shell;
using namespace Qt::StringLiterals;
using runtime::ui::findControl;
using test::onNextModal;
using test::ScriptedPrompter;
using test::shoot;
using test::WorkDir;

namespace {

// A procedure window that, like report entry with unsaved values, can refuse to close.
class StubbornWindow : public QWidget
{
public:
    int refusals = 0;
    void closeEvent(QCloseEvent *event) override
    {
        if (refusals > 0) {
            --refusals;
            event->ignore();
            return;
        }
        event->accept();
    }
};

} // namespace

class ShellWindowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void frameOnDemo();
    void framePlacementKept();
    void frameClosesProcedureWindowsFirst();
    void settingsWindowClose();
    void settingsWindowSave();
    void pickListWindow();
    void institutionPickWindow();
    void listPickerUsesTheWindows();
    void periodWindow_data();
    void periodWindow();
    void periodTextWithoutWindow();
    void screenshots();
};

void ShellWindowsTest::frameOnDemo()
{
    WorkDir dir(true);
    runtime::ini::IniFile ini(dir.filePath(QStringLiteral("zemor.INI")));
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    ui::MainFrame frame(state, data, prompter, ini);
    frame.initialize(2030);
    QCOMPARE(prompter.messages.size(), 0);
    QCOMPARE(frame.windowTitle(),
             QStringLiteral("Мониторинг системы здравоохранения Таргинской области"));
    QCOMPARE(state.globYear, qint16(2026));
    auto *year = findControl<QSpinBox>(&frame, u"?GLOBYEAR");
    QVERIFY(year);
    QCOMPARE(year->value(), 2026);
    QCOMPARE(findControl<QLineEdit>(&frame, u"?GLOBYEAR_S")->text(), QStringLiteral("2025"));
    QCOMPARE(findControl<QLineEdit>(&frame, u"?GLOBYEAR_E")->text(), QStringLiteral("2026"));
    QCOMPARE(findControl<QLineEdit>(&frame, u"?VERSIA")->text(),
             QStringLiteral("Версия ПП 2.1.4 от 24.01.12"));
    QCOMPARE(findControl<QLineEdit>(&frame, u"?NAM:MAIL")->text(),
             QStringLiteral("stat@miac.targin.example"));
    // The toolbar's own texts, as they stand.
    QStringList labels;
    for (const QLabel *label : frame.findChildren<QLabel *>()) {
        if (!label->text().isEmpty())
            labels.append(label->text());
    }
    for (const QString &text : {u"Год"_s, u"Период"_s, u"ПОЧТА"_s})
        QVERIFY2(labels.contains(text), qPrintable(labels.join(u'|')));

    // A year typed on the frame is the process's year, beyond the bounds too.
    year->setValue(2031);
    QCOMPARE(state.globYear, qint16(2031));

    // Every item is there; only those whose procedure exists can be used.
    const QStringList later = {QStringLiteral("Ввод отчетов"),
                               QStringLiteral("Список Отчетов"),
                               QStringLiteral("Межформенные контроли"),
                               QStringLiteral("Полнота Отчетов"),
                               QStringLiteral("Внутриформенный контроль"),
                               QStringLiteral("Список контролей"),
                               QStringLiteral("Своды,показатели"),
                               QStringLiteral("Печать бланков"),
                               QStringLiteral("Выгрузка отчетов "),
                               QStringLiteral("Загрузка отчетов"),
                               QStringLiteral("Загрузка отчетов из DBF файлов (ПП счета ОМС)"),
                               QStringLiteral("Загрузка отчетов из старого формата"),
                               QStringLiteral("Загрузка 62 формы из шаблона(2014) xml файла"),
                               QStringLiteral("Загрузка 62 формы из xls выгруженных с сайта 2016"),
                               QStringLiteral("Восстановление ключей (индексация баз)"),
                               QStringLiteral("Включение/Выключение форм отчетности"),
                               QStringLiteral("Список ЛПУ"),
                               QStringLiteral("Индикатор"),
                               QStringLiteral("Формирование списоков ЛПУ для индикаторов")};
    for (const QString &text : later) {
        QAction *action = frame.menuAction(text);
        QVERIFY2(action, qPrintable(text));
        QVERIFY2(!action->isEnabled(), qPrintable(text));
    }
    QAction *settings = frame.menuAction(QStringLiteral("Настройки пользователя"));
    QVERIFY(settings->isEnabled());
    QString settingsTitle;
    onNextModal([&settingsTitle](QWidget *window) {
        settingsTitle = window->windowTitle();
        QTest::mouseClick(findControl<QPushButton>(window, u"?CANCELBUTTON"), Qt::LeftButton);
    });
    settings->trigger();
    QCOMPARE(settingsTitle, QStringLiteral("Реквизиты для выгрузки загрузки файлов"));
    QCOMPARE(state.globKodUser, 3);
    QVERIFY(frame.menuAction(QStringLiteral("Выбор принтера"))->isEnabled());
    QVERIFY(!findControl<QToolButton>(&frame, u"?HELP1")->isEnabled());
    const QList<std::pair<const char16_t *, QString>> buttons = {
        {u"?BUTTON6", QStringLiteral("Сдано отчетов")},
        {u"?BUTTON5", QStringLiteral("Внутриформенные контроли")},
        {u"?BUTTON4", QStringLiteral("Список отчетов, редактирование")},
        {u"?BUTTON1", QStringLiteral("Свод, разрезы,показатели.")},
        {u"?BUTTON3", QStringLiteral("Ввод отчетов")}};
    for (const auto &[equate, text] : buttons) {
        auto *button = findControl<QPushButton>(&frame, QStringView(equate));
        QVERIFY(button);
        QCOMPARE(button->text(), text);
        QVERIFY(!button->isEnabled());
    }
}

void ShellWindowsTest::framePlacementKept()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;
    AppState state;
    {
        runtime::ini::IniFile ini(dir.filePath(QStringLiteral("zemor.INI")));
        data::DataContext data(&prompter);
        ui::MainFrame frame(state, data, prompter, ini);
        frame.initialize(2026);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.resize(800, 555);
        QVERIFY(frame.close());
    }
    runtime::ini::IniFile ini(dir.filePath(QStringLiteral("zemor.INI")));
    QCOMPARE(ini.intValue(u"Main", u"Height"), 555);
    data::DataContext data(&prompter);
    ui::MainFrame frame(state, data, prompter, ini);
    frame.initialize(2026);
    QCOMPARE(frame.size(), QSize(800, 555));
}

void ShellWindowsTest::frameClosesProcedureWindowsFirst()
{
    WorkDir dir(true);
    runtime::ini::IniFile ini(dir.filePath(QStringLiteral("zemor.INI")));
    ScriptedPrompter prompter;
    data::DataContext frameData(&prompter);
    AppState state;

    QList<data::DataContext *> contexts;
    QList<QPointer<StubbornWindow>> windows;
    ui::Procedures procedures;
    procedures.insert(QStringLiteral("EnterReportsFromMenu"),
                      [&](data::DataContext &data, QWidget *, bool ownWindow) -> QWidget * {
                          contexts.append(&data);
                          if (!ownWindow)
                              return nullptr;
                          auto *window = new StubbornWindow;
                          window->setAttribute(Qt::WA_DeleteOnClose);
                          window->show();
                          windows.append(window);
                          return window;
                      });
    ui::MainFrame frame(state, frameData, prompter, ini, procedures);
    frame.initialize(2026);
    frame.show();

    // The menu item runs on the frame's context, the toolbar button on a window of its own.
    QAction *menu = frame.menuAction(QStringLiteral("Ввод отчетов"));
    QVERIFY(menu->isEnabled());
    menu->trigger();
    QCOMPARE(contexts.size(), 1);
    QCOMPARE(contexts.first(), &frameData);
    auto *button = findControl<QPushButton>(&frame, u"?BUTTON3");
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(windows.size(), 2);
    QCOMPARE(frame.procedureWindows().size(), 2);
    QVERIFY(contexts.at(1) != contexts.at(2));
    QVERIFY(contexts.at(1) != &frameData);

    // A window that does not close keeps the frame open.
    windows.at(1)->refusals = 1;
    QVERIFY(!frame.close());
    QVERIFY(frame.isVisible());
    QCOMPARE(frame.procedureWindows().size(), 1);
    QVERIFY(frame.close());
    QTRY_VERIFY(windows.at(0).isNull() && windows.at(1).isNull());
}

void ShellWindowsTest::settingsWindowClose()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    state.globKodUser = 3;
    SettingsEditor editor(data, state, prompter);
    QVERIFY(editor.load());
    test::ScriptedChoices picker;
    picker.district = PickedEntry{5, QStringLiteral("Озёрский")};
    picker.institution = PickedEntry{501, QStringLiteral("Озёрская ЦРБ")};
    ui::UserSettingsWindow window(editor, picker);
    window.show();
    QCOMPARE(window.windowTitle(), QStringLiteral("Реквизиты для выгрузки загрузки файлов"));
    auto *choose = findControl<QPushButton>(&window, u"?REG");
    QVERIFY(choose->isVisible());
    QCOMPARE(findControl<QLineEdit>(&window, u"?USE:KODUSER")->text(), QStringLiteral("3"));

    QTest::mouseClick(findControl<QRadioButton>(&window, u"?USE:TIPUSER:RADIO3"), Qt::LeftButton);
    QCOMPARE(findControl<QLineEdit>(&window, u"?USE:NAMEOBL")->text(), QString());
    QCOMPARE(findControl<QLineEdit>(&window, u"?USE:KODUSER")->text(), QStringLiteral("0"));
    QTest::mouseClick(choose, Qt::LeftButton);
    QCOMPARE(findControl<QLineEdit>(&window, u"?USE:NAMEOBL")->text(),
             QStringLiteral("Озёрский Озёрская ЦРБ"));
    QCOMPARE(findControl<QLineEdit>(&window, u"?USE:KODUSER")->text(), QStringLiteral("501"));

    QTest::mouseClick(findControl<QPushButton>(&window, u"?CANCELBUTTON"), Qt::LeftButton);
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(state.globKodUser, 3);
    QCOMPARE(prompter.messages.size(), 0);
    SettingsEditor stored(data, state, prompter);
    QVERIFY(stored.load());
    QCOMPARE(stored.user().kodUser(), 3);
    QCOMPARE(stored.userType(), 1);
}

void ShellWindowsTest::settingsWindowSave()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    SettingsEditor editor(data, state, prompter);
    QVERIFY(editor.load());
    test::ScriptedChoices picker;
    ui::UserSettingsWindow window(editor, picker);
    window.show();

    QTest::mouseClick(findControl<QRadioButton>(&window, u"?USE:TIPUSER:RADIO1"), Qt::LeftButton);
    QVERIFY(!findControl<QPushButton>(&window, u"?REG")->isVisible());
    auto *name = findControl<QLineEdit>(&window, u"?USE:NAMEOBL");
    name->setText(QStringLiteral("Таргинская область"));
    auto *s1 = findControl<QLineEdit>(&window, u"?USE:S1");
    s1->setText(QStringLiteral("\\OUT"));
    auto *save = findControl<QPushButton>(&window, u"?OKBUTTON");
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(prompter.lastText(), SettingsEditor::pathRefusedText());
    QVERIFY(window.isVisible());

    s1->setText(QStringLiteral("\\OUT\\"));
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(prompter.lastText(), QStringLiteral("Записано"));
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(state.globTipUser, quint8(0));
    QCOMPARE(state.globNameObl, QStringLiteral("Таргинская область"));
    SettingsEditor stored(data, state, prompter);
    QVERIFY(stored.load());
    QCOMPARE(stored.user().s1(), QStringLiteral("\\OUT\\"));
}

void ShellWindowsTest::pickListWindow()
{
    const QList<PickEntry> entries = {{3, {}, QStringLiteral("Каменский")},
                                      {5, {}, QStringLiteral("Озёрский")}};
    {
        ui::PickListWindow window(QStringLiteral("РАЙОНЫ"), 2025, entries);
        window.show();
        QCOMPARE(findControl<QLineEdit>(&window, u"?GLOBYEAR")->text(), QStringLiteral("2025"));
        auto *view = findControl<QTableView>(&window, u"?BROWSE:1");
        QVERIFY(view);
        QCOMPARE(view->model()->rowCount(), 2);
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(window.chosenRow(), 1);
    }
    {
        ui::PickListWindow window(QStringLiteral("РАЙОНЫ"), 2025, entries);
        window.show();
        window.binding()->activateRow(0); // a double click
        QCOMPARE(window.chosenRow(), 0);
    }
    {
        ui::PickListWindow window(QStringLiteral("РАЙОНЫ"), 2025, entries);
        window.show();
        window.reject();
        QCOMPARE(window.chosenRow(), -1);
    }
}

void ShellWindowsTest::institutionPickWindow()
{
    const QList<InstitutionEntry> entries = {{301, QStringLiteral("Каменская ЦРБ"), 1},
                                             {302, QStringLiteral("Участковая больница"), 2}};
    {
        ui::InstitutionPickWindow window(QStringLiteral("Каменская ЦРБ"), false, entries);
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Учреждения УЗ Таргинской области"));
        QCOMPARE(findControl<QLineEdit>(&window, u"?STRING_1")->text(),
                 QStringLiteral("Каменская ЦРБ"));
        QVERIFY(!findControl<QPushButton>(&window, u"?RAI")->isVisible());
        window.binding()->activateRow(1);
        QCOMPARE(window.answer().kind, InstitutionChooser::Answer::Kind::Institution);
        QCOMPARE(window.answer().row, 1);
    }
    {
        ui::InstitutionPickWindow window(QString(), true, entries);
        window.show();
        auto *districtTotal = findControl<QPushButton>(&window, u"?RAI");
        QVERIFY(districtTotal->isVisible());
        QCOMPARE(districtTotal->text(), QStringLiteral("Ввод по району"));
        QTest::mouseClick(districtTotal, Qt::LeftButton);
        QCOMPARE(window.answer().kind, InstitutionChooser::Answer::Kind::DistrictTotal);
    }
}

void ShellWindowsTest::listPickerUsesTheWindows()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    state.globYear = 2025;
    ui::PickListChoices picker(data, state, prompter);

    QString title;
    onNextModal([&title](QWidget *window) {
        title = window->windowTitle();
        auto *view = findControl<QTableView>(window, u"?BROWSE:1");
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Return);
    });
    const std::optional<PickedEntry> district =
        picker.chooseDistrict(ui::Choices::districtsWithRegion, nullptr);
    QVERIFY(district);
    QCOMPARE(title, QStringLiteral("Список"));
    QCOMPARE(district->code, qint64(3));

    onNextModal([](QWidget *window) {
        QTest::keyClick(findControl<QTableView>(window, u"?BROWSE:1"), Qt::Key_Return);
    });
    const ui::InstitutionChoice institution = picker.chooseInstitution({3, {}, {}}, nullptr);
    QVERIFY(institution.chosen());
    QCOMPARE(institution.code, qint32(301)); // the central hospital heads its district's list

    onNextModal([](QWidget *window) { qobject_cast<QDialog *>(window)->reject(); });
    QVERIFY(!picker.chooseInstitution({3, {}, {}}, nullptr).chosen());
}

void ShellWindowsTest::periodWindow_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("number");
    const int month = int(data::PeriodKind::Month);
    const int quarter = int(data::PeriodKind::Quarter);
    const int half = int(data::PeriodKind::HalfYear);
    const int week = int(data::PeriodKind::Week);
    const int date = int(data::PeriodKind::Date);
    QTest::newRow("month 1") << month << QStringLiteral("1") << true << 1;
    QTest::newRow("month 13") << month << QStringLiteral("13") << true << 13;
    QTest::newRow("month 14") << month << QStringLiteral("14") << false << 0;
    QTest::newRow("month 0") << month << QStringLiteral("0") << false << 0;
    QTest::newRow("not a number") << month << QStringLiteral("x") << false << 0;
    QTest::newRow("quarter 5") << quarter << QStringLiteral("5") << true << 5;
    QTest::newRow("quarter 6") << quarter << QStringLiteral("6") << false << 0;
    QTest::newRow("half-year 3") << half << QStringLiteral("3") << true << 3;
    QTest::newRow("half-year 4") << half << QStringLiteral("4") << false << 0;
    QTest::newRow("week 52") << week << QStringLiteral("52") << true << 52;
    QTest::newRow("date") << date << QStringLiteral("15.03.25") << true
                          << int(QDate(2025, 3, 15).toJulianDay());
    QTest::newRow("no such date") << date << QStringLiteral("31.02.25") << false << 0;
}

void ShellWindowsTest::periodWindow()
{
    QFETCH(int, kind);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(int, number);
    ScriptedPrompter prompter;
    ui::PeriodWindow window(data::PeriodKind(kind), 0, prompter);
    window.show();
    QCOMPARE(findControl<QLineEdit>(&window, u"?NAMETIP")->text(),
             data::kindWord(data::PeriodKind(kind)));
    auto *field = findControl<QLineEdit>(&window, u"?MES");
    field->setText(typed);
    QTest::mouseClick(findControl<QPushButton>(&window, u"?OK"), Qt::LeftButton);
    if (accepted) {
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(window.number(), number);
        QCOMPARE(prompter.messages.size(), 0);
    } else {
        QVERIFY(window.isVisible());
        QCOMPARE(prompter.texts(), QStringList{QStringLiteral("Ошибка")});
        QCOMPARE(field->text(), typed);
    }
}

void ShellWindowsTest::periodTextWithoutWindow()
{
    ScriptedPrompter prompter;
    qint32 number = 7;
    QString word;
    QCOMPARE(ui::PeriodWindow::periodText(data::PeriodKind::Year, number, word, prompter), 0);
    QCOMPARE(number, 0);
    QCOMPARE(word, QStringLiteral("год       "));

    // Closing the window without "Продолжить" leaves number 0.
    number = 4;
    onNextModal([](QWidget *window) { window->close(); });
    QCOMPARE(ui::PeriodWindow::periodText(data::PeriodKind::Quarter, number, word, prompter), 0);
    QCOMPARE(number, 0);
    QCOMPARE(word, QStringLiteral("квартал   "));

    onNextModal([](QWidget *window) {
        findControl<QLineEdit>(window, u"?MES")->setText(QStringLiteral("2"));
        QTest::mouseClick(findControl<QPushButton>(window, u"?OK"), Qt::LeftButton);
    });
    QCOMPARE(ui::PeriodWindow::periodText(data::PeriodKind::Quarter, number, word, prompter), 0);
    QCOMPARE(number, 2);
}

void ShellWindowsTest::screenshots()
{
    WorkDir dir(true);
    runtime::ini::IniFile ini(dir.filePath(QStringLiteral("zemor.INI")));
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    ui::MainFrame frame(state, data, prompter, ini);
    frame.initialize(2026);
    shoot(&frame, QStringLiteral("main-frame.png"));

    SettingsEditor editor(data, state, prompter);
    QVERIFY(editor.load());
    test::ScriptedChoices picker;
    ui::UserSettingsWindow settings(editor, picker, &frame);
    shoot(&settings, QStringLiteral("user-settings.png"));
    settings.close();

    PickFromList pick(data, state, prompter);
    const auto forms = pick.entries(PickFromList::Forms);
    QVERIFY(forms);
    ui::PickListWindow formList(PickFromList::title(PickFromList::Forms), state.globYear, *forms,
                                &frame);
    shoot(&formList, QStringLiteral("pick-forms.png"));
    formList.close();
    const auto districts = pick.entries(PickFromList::DistrictsWithRegion);
    ui::PickListWindow districtList(PickFromList::title(PickFromList::DistrictsWithRegion),
                                    state.globYear, *districts, &frame);
    shoot(&districtList, QStringLiteral("pick-districts.png"));
    districtList.close();

    PickInstitution institutions(data, state);
    auto list = institutions.read({3, std::nullopt});
    QVERIFY(list);
    PickInstitution::sortForList(*list);
    ui::InstitutionPickWindow institutionList(QStringLiteral("Каменская ЦРБ"), true, *list, &frame);
    shoot(&institutionList, QStringLiteral("pick-institution.png"));
    institutionList.close();

    ScriptedPrompter none;
    ui::PeriodWindow period(data::PeriodKind::Month, 3, none, &frame);
    shoot(&period, QStringLiteral("period.png"));
    period.close();
}

QTEST_MAIN(ShellWindowsTest)
#include "test_shell_windows.moc"
