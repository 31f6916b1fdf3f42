#include "shell/ui/UserSettingsWindow.h"

#include "data/records/User1Record.h"
#include "runtime/ui/Controls.h"
#include "shell/FixedText.h"
#include "shell/SettingsEditor.h"
#include "shell/ui/Choices.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemor::shell::ui {

using runtime::ui::createControl;

UserSettingsWindow::UserSettingsWindow(SettingsEditor &editor, Choices &choices, QWidget *parent)
    : QDialog(parent), m_editor(editor), m_choices(choices)
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(SettingsEditor::windowTitle());
    setModal(true);

    auto *layout = new QVBoxLayout(this);

    auto *typeBox = createControl<QGroupBox>(this, QStringLiteral("?USE:TIPUSER"),
                                             QStringLiteral("Тип Субьекта"));
    auto *typeLayout = new QHBoxLayout(typeBox);
    m_types = new QButtonGroup(this);
    const QStringList typeTexts = {QStringLiteral("ДЗО (вся область)"), QStringLiteral("Регион"),
                                   QStringLiteral("ЛПУ")};
    for (int type = 0; type < typeTexts.size(); ++type) {
        auto *option = createControl<QRadioButton>(
            typeBox, QStringLiteral("?USE:TIPUSER:RADIO%1").arg(type + 1), typeTexts.at(type));
        m_types->addButton(option, type);
        typeLayout->addWidget(option);
    }
    typeLayout->addStretch();
    layout->addWidget(typeBox);

    auto *grid = new QGridLayout;
    grid->addWidget(createControl<QLabel>(this, QStringLiteral("?STRING11"),
                                          QStringLiteral("Название учреждения")),
                    0, 0, 1, 2);
    m_choose =
        createControl<QPushButton>(this, QStringLiteral("?REG"), QStringLiteral("Выбор ЛПУ"));
    m_choose->setAutoDefault(false);
    grid->addWidget(m_choose, 0, 3, Qt::AlignRight);
    grid->addWidget(new QLabel(QStringLiteral("Kod "), this), 1, 0);
    m_code = createControl<QLineEdit>(this, QStringLiteral("?USE:KODUSER"));
    m_code->setValidator(new QIntValidator(0, 9999999, m_code));
    m_code->setMaxLength(7);
    m_code->setMaximumWidth(m_code->fontMetrics().averageCharWidth() * 10 + 12);
    grid->addWidget(m_code, 1, 1);
    m_name = createControl<QLineEdit>(this, QStringLiteral("?USE:NAMEOBL"));
    m_name->setMaxLength(SettingsEditor::nameLength);
    grid->addWidget(m_name, 1, 2, 1, 2);
    grid->setColumnStretch(2, 1);
    layout->addLayout(grid);

    auto *hint = createControl<QLabel>(
        this, QStringLiteral("?STRING13"),
        QStringLiteral("Здесь необходимо ввести пути (полные) для выгрузки /загрузки данных, "
                       "например   D:\\1\\"));
    hint->setWordWrap(true);
    layout->addWidget(hint);
    m_s1 = createControl<QLineEdit>(this, QStringLiteral("?USE:S1"));
    m_s1->setMaxLength(200);
    layout->addWidget(m_s1);
    m_s2 = createControl<QLineEdit>(this, QStringLiteral("?USE:S2"));
    m_s2->setMaxLength(200);
    layout->addWidget(m_s2);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *save =
        createControl<QPushButton>(this, QStringLiteral("?OKBUTTON"), QStringLiteral("Сохранить"));
    auto *close = createControl<QPushButton>(this, QStringLiteral("?CANCELBUTTON"),
                                             QStringLiteral("Закрыть"));
    save->setAutoDefault(false);
    close->setAutoDefault(false);
    buttons->addWidget(save);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    showRecord();
    connect(m_types, &QButtonGroup::idClicked, this, &UserSettingsWindow::typeChosen);
    connect(m_choose, &QPushButton::clicked, this, &UserSettingsWindow::chooseInstitution);
    connect(save, &QPushButton::clicked, this, &UserSettingsWindow::saveClicked);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(720, sizeHint().height());
}

void UserSettingsWindow::showRecord()
{
    const data::User1Record user = m_editor.user();
    if (QAbstractButton *option = m_types->button(user.tipUser()))
        option->setChecked(true);
    m_choose->setVisible(m_editor.institutionChoiceOffered());
    m_code->setText(QString::number(user.kodUser()));
    m_name->setText(user.nameObl());
    m_s1->setText(user.s1());
    m_s2->setText(user.s2());
}

void UserSettingsWindow::takeFields()
{
    data::User1Record user = m_editor.user();
    user.setKodUser(m_code->text().trimmed().toInt());
    user.setNameObl(m_name->text());
    user.setS1(m_s1->text());
    user.setS2(m_s2->text());
}

void UserSettingsWindow::typeChosen(int type)
{
    takeFields();
    m_editor.changeUserType(type);
    showRecord();
}

void UserSettingsWindow::chooseInstitution()
{
    takeFields();
    // Names as the settings keep them: the lists' fields cut, without trailing blanks.
    const auto trimmed = [](const PickedEntry &entry, int length) {
        return PickedEntry{entry.code, fixedText(entry.name, length).trimmed()};
    };
    std::optional<PickedEntry> district =
        m_choices.chooseDistrict(Choices::districtsWithRegion, this);
    if (district)
        *district = trimmed(*district, 100);
    const auto institution = [&](qint64 code) -> std::optional<PickedEntry> {
        const InstitutionChoice chosen = m_choices.chooseInstitution({code, {}, {}}, this);
        if (!chosen.chosen())
            return std::nullopt;
        return trimmed(PickedEntry{chosen.code, chosen.name}, 200);
    };
    if (m_editor.chooseInstitution(district, institution))
        showRecord();
}

void UserSettingsWindow::saveClicked()
{
    takeFields();
    if (m_editor.save() == SettingsEditor::SaveOutcome::Saved)
        accept();
}

void UserSettingsWindow::run(SettingsEditor &editor, Choices &choices, QWidget *parent)
{
    if (!editor.load())
        return;
    UserSettingsWindow window(editor, choices, parent);
    window.exec();
}

} // namespace zemor::shell::ui
