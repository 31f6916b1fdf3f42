#include "shell/ui/MainFrame.h"

#include "data/DataContext.h"
#include "data/records/NameProgRecord.h"
#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"
#include "runtime/image/ImageLoader.h"
#include "runtime/ini/IniFile.h"
#include "runtime/report/ProgramPrinter.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/WindowPlacement.h"
#include "shell/AppState.h"
#include "shell/SettingsEditor.h"
#include "shell/UserSettings.h"
#include "shell/ui/InstitutionPickWindow.h"
#include "shell/ui/PickListChoices.h"
#include "shell/ui/PickListWindow.h"
#include "shell/ui/UserSettingsWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>

namespace zemor::shell::ui {

using runtime::ui::createControl;

namespace {

// A read-only toolbar field showing a value as its picture writes it.
QLineEdit *addField(QToolBar *bar, const QString &equate, const QString &text, int characters)
{
    auto *field = createControl<QLineEdit>(bar, equate);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    field->setText(text);
    field->setFixedWidth(field->fontMetrics().averageCharWidth() * characters + 14);
    bar->addWidget(field);
    return field;
}

} // namespace

MainFrame::MainFrame(AppState &state, data::DataContext &data, runtime::Prompter &prompter,
                     runtime::ini::IniFile &ini, Procedures procedures, QWidget *parent)
    : QMainWindow(parent), m_state(state), m_data(data), m_prompter(prompter), m_ini(ini),
      m_procedures(std::move(procedures))
{
    setObjectName(QStringLiteral("P1$APPFRAME"));
    setWindowTitle(defaultTitle());
    data::NameProgRecord(m_nameProg).clear();
    buildMenus();
    buildToolBar();
    showBackground();
    resize(1024, 700);
}

MainFrame::~MainFrame()
{
    finish();
    // Procedure windows that outlive the frame are top-level; they go with it, and their data
    // contexts with them.
    for (const QPointer<QWidget> &window : std::as_const(m_windows))
        delete window.data();
}

QAction *MainFrame::addItem(QWidget *menu, const QString &text, const QString &procedure,
                            bool ownWindow)
{
    auto *action = new QAction(text, menu);
    menu->addAction(action);
    action->setData(procedure);
    action->setEnabled(m_procedures.contains(procedure));
    connect(action, &QAction::triggered, this,
            [this, procedure, ownWindow] { startProcedure(procedure, ownWindow); });
    m_actions.append(action);
    return action;
}

void MainFrame::buildMenus()
{
    QMenuBar *bar = menuBar();

    QMenu *reports = bar->addMenu(QStringLiteral("Ввод отчетов"));
    addItem(reports, QStringLiteral("Ввод отчетов"), QStringLiteral("EnterReportsFromMenu"), false);
    addItem(reports, QStringLiteral("Список Отчетов"), QStringLiteral("ListSubmittedReports"),
            false);
    addItem(reports, QStringLiteral("Межформенные контроли"), QStringLiteral("InterFormControls"),
            false);

    QMenu *controls = bar->addMenu(QStringLiteral("Контроли"));
    addItem(controls, QStringLiteral("Полнота Отчетов"), QStringLiteral("ShowCompleteness"), false);
    addItem(controls, QStringLiteral("Внутриформенный контроль"),
            QStringLiteral("RunIntraFormControls"), false);
    addItem(controls, QStringLiteral("Список контролей"), QStringLiteral("ControlsList"), true);

    addItem(bar, QStringLiteral("Своды,показатели"), QStringLiteral("SelectReports"), false);
    addItem(bar, QStringLiteral("Печать бланков"), QStringLiteral("BlankForms"), false);

    QMenu *exchange = bar->addMenu(QStringLiteral("&Обмен данными"));
    addItem(exchange, QStringLiteral("Выгрузка отчетов "), QStringLiteral("ExportReports"), false);
    addItem(exchange, QStringLiteral("Загрузка отчетов"), QStringLiteral("ImportReports"), false);
    addItem(exchange, QStringLiteral("Загрузка отчетов из DBF файлов (ПП счета ОМС)"),
            QStringLiteral("ImportDbfReports"), false);
    addItem(exchange, QStringLiteral("Загрузка отчетов из старого формата"),
            QStringLiteral("ImportReportsOldFormat"), false);
    addItem(exchange, QStringLiteral("Загрузка 62 формы из шаблона(2014) xml файла"),
            QStringLiteral("ImportForm62Xml"), false);
    addItem(exchange, QStringLiteral("Загрузка 62 формы из xls выгруженных с сайта 2016"),
            QStringLiteral("ImportForm62Csv"), false);

    QMenu *settings = bar->addMenu(QStringLiteral("&Настройки"));
    auto *user = new QAction(QStringLiteral("Настройки пользователя"), settings);
    settings->addAction(user);
    connect(user, &QAction::triggered, this, &MainFrame::openUserSettings);
    m_actions.append(user);
    addItem(settings, QStringLiteral("Восстановление ключей (индексация баз)"),
            QStringLiteral("RebuildKeys"), false);
    addItem(settings, QStringLiteral("Включение/Выключение форм отчетности"),
            QStringLiteral("FormAccessList"), false);
    auto *printer = new QAction(QStringLiteral("Выбор принтера"), settings);
    settings->addAction(printer);
    connect(printer, &QAction::triggered, this, &MainFrame::choosePrinter);
    m_actions.append(printer);
    addItem(settings, QStringLiteral("Список ЛПУ"), QStringLiteral("InstitutionList"), false);

    QMenu *quality = bar->addMenu(QStringLiteral("Качество"));
    addItem(quality, QStringLiteral("Индикатор"), QStringLiteral("RateInstitutions"), false);
    addItem(quality, QStringLiteral("Формирование списоков ЛПУ для индикаторов"),
            QStringLiteral("EditInstitutionSets"), false);
}

void MainFrame::buildToolBar()
{
    QToolBar *bar = addToolBar(QString());
    bar->setObjectName(QStringLiteral("P1$APPFRAME:TOOLBAR"));
    bar->setMovable(false);

    // The help window comes with its own procedure; until then the button cannot be used.
    auto *help = createControl<QToolButton>(bar, QStringLiteral("?HELP1"));
    help->setText(QStringLiteral("?"));
    help->setEnabled(m_procedures.contains(QStringLiteral("ShowHelp")));
    connect(help, &QToolButton::clicked, this,
            [this] { startProcedure(QStringLiteral("ShowHelp"), false); });
    bar->addWidget(help);
    bar->addSeparator();

    // The toolbar's texts keep a little room on either side.
    const auto addLabel = [bar](const QString &text) {
        auto *label = new QLabel(text, bar);
        label->setContentsMargins(6, 0, 6, 0);
        bar->addWidget(label);
    };
    addLabel(QStringLiteral("Год"));
    m_year = createControl<QSpinBox>(bar, QStringLiteral("?GLOBYEAR"));
    m_year->setRange(0, 9999);
    m_year->setValue(m_state.globYear);
    m_year->setMinimumWidth(m_year->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 40);
    // A typed or a chosen year is the process's year at once; the bounds do not limit it.
    connect(m_year, &QSpinBox::valueChanged, this,
            [this](int year) { m_state.globYear = static_cast<qint16>(year); });
    bar->addWidget(m_year);
    addLabel(QStringLiteral("Период"));
    addField(bar, QStringLiteral("?GLOBYEAR_S"), QString::number(m_state.globYearS), 5);
    addField(bar, QStringLiteral("?GLOBYEAR_E"), QString::number(m_state.globYearE), 5);
    bar->addSeparator();
    addField(bar, QStringLiteral("?VERSIA"), AppState::versia(), 30);
    addLabel(QStringLiteral("ПОЧТА"));
    addField(bar, QStringLiteral("?NAM:MAIL"), QString(), 36);

    addToolBarBreak();
    auto *buttons = addToolBar(QString());
    buttons->setObjectName(QStringLiteral("P1$APPFRAME:BUTTONS"));
    buttons->setMovable(false);
    struct Button
    {
        const char16_t *equate;
        const char16_t *text;
        const char16_t *procedure;
        bool ownWindow;
    };
    static const Button table[] = {
        {u"?BUTTON6", u"Сдано отчетов", u"ShowCompleteness", true},
        {u"?BUTTON5", u"Внутриформенные контроли", u"RunIntraFormControls", false},
        {u"?BUTTON4", u"Список отчетов, редактирование", u"ListSubmittedReports", true},
        {u"?BUTTON1", u"Свод, разрезы,показатели.", u"SelectReports", true},
        {u"?BUTTON3", u"Ввод отчетов", u"EnterReportsFromMenu", true},
    };
    for (const Button &b : table) {
        const QString procedure = QString::fromUtf16(b.procedure);
        auto *button = createControl<QPushButton>(buttons, QString::fromUtf16(b.equate),
                                                  QString::fromUtf16(b.text));
        button->setEnabled(m_procedures.contains(procedure));
        const bool ownWindow = b.ownWindow;
        connect(button, &QPushButton::clicked, this,
                [this, procedure, ownWindow] { startProcedure(procedure, ownWindow); });
        buttons->addWidget(button);
    }
}

void MainFrame::showBackground()
{
    auto *background = new QLabel(this);
    background->setAlignment(Qt::AlignCenter);
    background->setScaledContents(false);
    // The picture must not hold the frame at its own size: the frame keeps the size it was left
    // with, and the picture is cut to it.
    background->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    if (const auto path = runtime::fs::resolve(backgroundFile())) {
        const QImage picture = runtime::image::ImageLoader::loadOrEmpty(*path);
        if (!picture.isNull())
            background->setPixmap(QPixmap::fromImage(picture));
    }
    setCentralWidget(background);
}

void MainFrame::initialize(int todayYear)
{
    const UserSettings::StartUp started =
        UserSettings::startUp(m_data, m_state, m_prompter, runtime::fs::workDir());
    m_nameProg = started.nameProg;
    m_state.clampYear(todayYear);
    m_data.errors().setProcedureName(placementLabel());
    m_initialized = true;

    // The program-name file stays open while the frame is.
    m_filesOpened = bool(m_data.open(data::FileId::NameProg));

    const data::NameProgRecord names(m_nameProg);
    setWindowTitle(names.proga());
    if (auto *mail = runtime::ui::findControl<QLineEdit>(this, u"?NAM:MAIL"))
        mail->setText(names.mail());
    if (auto *first = runtime::ui::findControl<QLineEdit>(this, u"?GLOBYEAR_S"))
        first->setText(QString::number(m_state.globYearS));
    if (auto *last = runtime::ui::findControl<QLineEdit>(this, u"?GLOBYEAR_E"))
        last->setText(QString::number(m_state.globYearE));
    {
        const QSignalBlocker quiet(m_year);
        m_year->setValue(m_state.globYear);
    }

    runtime::ui::WindowPlacement placement(m_ini);
    placement.restore(this, placementLabel());
}

QWidget *MainFrame::startProcedure(const QString &name, bool ownWindow)
{
    const auto found = m_procedures.constFind(name);
    if (found == m_procedures.constEnd() || !*found)
        return nullptr;
    if (!ownWindow) {
        (*found)(m_data, this, false);
        return nullptr;
    }
    // The window's own data context lives exactly as long as the window.
    auto context = new data::DataContext(m_data.errors().prompter());
    QWidget *window = (*found)(*context, this, true);
    if (!window) {
        delete context;
        return nullptr;
    }
    connect(window, &QObject::destroyed, this, [context] { delete context; });
    m_windows.removeIf([](const QPointer<QWidget> &gone) { return gone.isNull(); });
    m_windows.append(window);
    return window;
}

QList<QWidget *> MainFrame::procedureWindows() const
{
    QList<QWidget *> open;
    for (const QPointer<QWidget> &window : m_windows) {
        if (window && window->isVisible())
            open.append(window);
    }
    return open;
}

QAction *MainFrame::menuAction(const QString &text) const
{
    for (QAction *action : m_actions) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

void MainFrame::openUserSettings()
{
    SettingsEditor editor(m_data, m_state, m_prompter);
    PickListChoices choices(m_data, m_state, m_prompter);
    UserSettingsWindow::run(editor, choices, this);
}

void MainFrame::choosePrinter()
{
    QPrintDialog dialog(&runtime::report::ProgramPrinter::instance(), this);
    dialog.exec();
}

void MainFrame::closeEvent(QCloseEvent *event)
{
    // Procedure windows end first, each through its own way out (report entry asks whether
    // to save); one that stays open keeps the program running.
    for (const QPointer<QWidget> &window : std::as_const(m_windows)) {
        if (window && window->isVisible() && !window->close()) {
            event->ignore();
            return;
        }
    }
    finish();
    event->accept();
}

void MainFrame::finish()
{
    if (m_finished || !m_initialized)
        return;
    m_finished = true;
    if (m_filesOpened) {
        m_data.close(data::FileId::NameProg);
        m_filesOpened = false;
    }
    runtime::ui::WindowPlacement placement(m_ini);
    (void)placement.save(this, placementLabel());
    m_data.errors().removeProcedureName();
}

} // namespace zemor::shell::ui
