#include "analysis/ratings/ui/InstitutionSetWindows.h"

#include "analysis/common/ui/ProcedureWindow.h"
#include "data/DataContext.h"
#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"
#include "runtime/ui/WindowParts.h"
#include "shell/ui/ColumnFit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::analysis::ui {

using runtime::ui::commandButton;
using runtime::ui::createControl;
using namespace Qt::StringLiterals;

namespace {

QString setListFormat()
{
    return u"21L(1)|M~код~?100L(1)M~наименование~@s200@"_s;
}

QString candidateFormat()
{
    return u"12L|M~N~L(1)@n_3@?16L|M~код~L(1)@s7@E(0808080H,,,)?16L|M~входящие~@s7@E(0808080H,,,)"
           u"?9C|M@s1@E(0C4H,0CCFFFFH,,)37L(1)|M~район~E(,0FFFFE1H,,)24L(1)|M~вид~14L(1)|M~село~"
           u"@s5@145L(1)|M~учреждение~@s50@E(,0F0FFF0H,,)14L|M~Тип~@s7@E(0808040H,,,)?16L|M~Год "
           u"открыти~@n_4@E(0808040H,,,)?16L|M~Год закрытия~@n_4@E(0808040H,,,)?"_s;
}

// The kind list: the mark, then the name in the list's own format.
QString kindFormat()
{
    return u"9C|M@s1@20L(2)|M@s17@"_s;
}

QVariantList fieldsOf(const SetCandidate &c)
{
    return {c.position,  c.code, c.parent,        c.mark(),   c.districtName, c.kindName,
            c.placeName, c.name, c.subordination, c.openYear, c.closeYear};
}

// A list whose double click chooses the line, its last column filling the view.
runtime::ui::ListBinding *choiceList(QTableView *view, runtime::ui::QueueModel *model,
                                     const QString &format)
{
    auto *binding = runtime::ui::bindList(view, model, format);
    binding->setDoubleClickAction(runtime::ui::ListBinding::DoubleClick::Choose);
    view->horizontalHeader()->setStretchLastSection(true);
    return binding;
}

// A button with the working directory's picture `picture`, when there is one.
QPushButton *pictureButton(QWidget *parent, const QString &equate, const QString &text,
                           const QString &picture)
{
    auto *button = commandButton(parent, equate, text);
    if (const auto path = runtime::fs::resolve(picture); path && QFileInfo::exists(*path)) {
        const QIcon icon(*path);
        if (!icon.isNull())
            button->setIcon(icon);
    }
    return button;
}

} // namespace

QWidget *InstitutionSetListWindow::run(data::DataContext &context,
                                       const shell::ui::Services &services, bool ownWindow,
                                       QWidget *parent)
{
    auto candidates = InstitutionSets(context).readCandidates();
    if (!candidates) {
        services.prompter.message(candidates.error().message);
        return nullptr;
    }
    auto *window = new InstitutionSetListWindow(context, services, std::move(*candidates), parent);
    if (!window->load()) {
        delete window;
        return nullptr;
    }
    return openProcedureWindow(window, ownWindow);
}

InstitutionSetListWindow::InstitutionSetListWindow(data::DataContext &context,
                                                   shell::ui::Services services,
                                                   SetCandidates candidates, QWidget *parent)
    : QDialog(parent), m_context(context), m_services(std::move(services)), m_sets(context),
      m_editor(std::move(candidates.candidates), candidates.districtNames, candidates.kindNames)
{
    setObjectName(u"P9$SCRL"_s);
    setWindowTitle(u"Список ЛПУ"_s);

    auto *layout = new QVBoxLayout(this);
    auto *buttons = new QHBoxLayout;
    auto *remove = pictureButton(this, u"?DELETE"_s, u"Удалить"_s, u"Delete.gif"_s);
    auto *edit = pictureButton(this, u"?EDIT"_s, u"Редактировать"_s, u"Edit.gif"_s);
    auto *add = commandButton(this, u"?ADD"_s, u"Добавить"_s);
    buttons->addWidget(remove);
    buttons->addWidget(edit);
    buttons->addWidget(add);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    auto *view = createControl<QTableView>(this, u"?BROWSE:1"_s);
    view->setToolTip(u"Enter-выбор из списка"_s);
    layout->addWidget(view, 1);
    m_model = new runtime::ui::QueueModel(2, this);
    m_binding = choiceList(view, m_model, setListFormat());
    // A double click edits; Enter closes the window.
    m_binding->setDoubleClickAction(runtime::ui::ListBinding::DoubleClick::None);
    view->installEventFilter(this);

    connect(view, &QTableView::doubleClicked, this,
            [this](const QModelIndex &index) { editSet(index.row()); });
    connect(remove, &QPushButton::clicked, this, [this] { removeSet(m_binding->currentRow()); });
    connect(edit, &QPushButton::clicked, this, [this] { editSet(m_binding->currentRow()); });
    connect(add, &QPushButton::clicked, this, [this] { addSet(); });
    resize(640, 420);
}

bool InstitutionSetListWindow::load()
{
    if (const runtime::Status loaded = m_sets.load(); !loaded) {
        m_services.prompter.message(loaded.error().message);
        return false;
    }
    showSets(m_sets.sets().isEmpty() ? 0 : m_sets.sets().first().id);
    return true;
}

bool InstitutionSetListWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_binding->view() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void InstitutionSetListWindow::showSets(qint32 id)
{
    QList<QVariantList> lines;
    int current = 0;
    for (const InstitutionSet &set : m_sets.sets()) {
        if (set.id == id)
            current = int(lines.size());
        lines.append({set.id, set.name});
    }
    m_model->setLines(std::move(lines));
    m_binding->selectRow(m_sets.sets().isEmpty() ? -1 : current);
}

void InstitutionSetListWindow::editSet(int row)
{
    if (row < 0 || row >= m_sets.sets().size())
        return;
    openSetWindow(m_sets.sets()[row]);
}

void InstitutionSetListWindow::addSet()
{
    openSetWindow(std::nullopt);
}

void InstitutionSetListWindow::removeSet(int row)
{
    if (row < 0 || row >= m_sets.sets().size())
        return;
    // The list follows only a delete that happened.
    if (m_sets.removeSet(m_sets.sets()[row].id))
        showSets(row < m_sets.sets().size() ? m_sets.sets()[row].id
                 : m_sets.sets().isEmpty()  ? 0
                                            : m_sets.sets().last().id);
}

void InstitutionSetListWindow::openSetWindow(std::optional<InstitutionSet> set)
{
    const qint32 shown = set ? set->id : 0;
    InstitutionSetWindow window(m_sets, m_editor, m_services.prompter, std::move(set), this);
    qint32 current = shown;
    connect(&window, &InstitutionSetWindow::saved, this, [this, &current](qint32 id) {
        current = id;
        showSets(id);
    });
    connect(&window, &InstitutionSetWindow::reloaded, this,
            [this, &current] { showSets(current); });
    window.exec();
    showSets(current);
}

InstitutionSetWindow::InstitutionSetWindow(InstitutionSets &sets, SetEditor &editor,
                                           runtime::Prompter &prompter,
                                           std::optional<InstitutionSet> set, QWidget *parent)
    : QDialog(parent), m_sets(sets), m_editor(editor), m_prompter(prompter)
{
    setObjectName(u"P9$SCRADD"_s);
    setWindowTitle(u"Учреждения УЗ Таргинской области"_s);
    m_editor.open(set.value_or(InstitutionSet{}));
    if (set)
        m_id = set->id;

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *put = commandButton(this, u"?PUT"_s, u"Сохранить"_s);
    top->addWidget(put);
    top->addWidget(new QLabel(u"Наименование:"_s, this));
    m_name = createControl<QLineEdit>(this, u"?QN:NAME"_s);
    m_name->setMaxLength(250);
    if (set)
        m_name->setText(set->name);
    top->addWidget(m_name, 1);
    layout->addLayout(top);

    auto *filters = new QHBoxLayout;
    auto *kindColumn = new QVBoxLayout;
    auto *kindView = createControl<QTableView>(this, u"?NAMEVID"_s);
    kindView->setMinimumWidth(kindView->fontMetrics().averageCharWidth() * 32);
    kindView->setMaximumHeight(kindView->fontMetrics().height() * 8);
    m_kindModel = new runtime::ui::QueueModel(2, this);
    m_kindBinding = choiceList(kindView, m_kindModel, kindFormat());
    kindColumn->addWidget(kindView);
    m_kindText = new QLabel(this);
    m_kindText->setObjectName(u"kindText"_s);
    m_kindText->setWordWrap(true);
    kindColumn->addWidget(m_kindText);
    filters->addLayout(kindColumn, 1);

    auto *districtColumn = new QVBoxLayout;
    m_districts = createControl<QComboBox>(this, u"?QSR:NAME"_s);
    for (const SetDistrictChoice &d : m_editor.districts())
        m_districts->addItem(d.name, d.code);
    districtColumn->addWidget(m_districts);
    districtColumn->addWidget(new QLabel(u"Регионы добавляются"_s, this));
    auto *places = new QHBoxLayout;
    m_city = createControl<QCheckBox>(this, u"?LOCGOR"_s, u"Город"_s);
    m_village = createControl<QCheckBox>(this, u"?LOCSEL"_s, u"Село"_s);
    places->addWidget(m_city);
    places->addWidget(m_village);
    places->addStretch(1);
    districtColumn->addLayout(places);
    districtColumn->addStretch(1);
    filters->addLayout(districtColumn, 1);

    auto *countColumn = new QVBoxLayout;
    // A count: its label, then the number, wide enough for the count of `boln`.
    const auto addCount = [&](const QString &label, const QString &equate) {
        auto *row = new QHBoxLayout;
        row->addWidget(new QLabel(label, this));
        auto *count = createControl<QLabel>(this, equate);
        count->setMinimumWidth(count->fontMetrics().horizontalAdvance(u"00000"_s));
        row->addWidget(count);
        row->addStretch(1);
        countColumn->addLayout(row);
        return count;
    };
    m_count = addCount(u"Всего учреждений:"_s, u"?KOLLPU"_s);
    m_marked = addCount(u"Отмечено  :"_s, u"?KOLOTM"_s);
    auto *sort = commandButton(this, u"?SORTO"_s, u"Отсортировать по отметке"_s);
    countColumn->addWidget(sort);
    auto *clear = commandButton(this, u"?SBROS"_s, u"Сброс"_s);
    countColumn->addWidget(clear);
    countColumn->addStretch(1);
    filters->addLayout(countColumn);
    layout->addLayout(filters);

    auto *view = createControl<QTableView>(this, u"?BROWSE:2"_s);
    layout->addWidget(view, 1);
    m_model = new runtime::ui::QueueModel(11, this);
    m_binding = choiceList(view, m_model, candidateFormat());

    connect(put, &QPushButton::clicked, this, [this] { save(); });
    connect(m_binding, &runtime::ui::ListBinding::chosen, this,
            [this](int row) { toggleCandidate(row); });
    connect(m_kindBinding, &runtime::ui::ListBinding::chosen, this,
            [this](int row) { chooseKind(row); });
    connect(m_districts, &QComboBox::activated, this, [this](int index) { chooseDistrict(index); });
    connect(m_city, &QCheckBox::clicked, this, [this](bool on) { setCity(on); });
    connect(m_village, &QCheckBox::clicked, this, [this](bool on) { setVillage(on); });
    connect(sort, &QPushButton::clicked, this, [this] { sortByMark(); });
    connect(clear, &QPushButton::clicked, this, [this] { reset(); });

    // The filters as they were left.
    const int district = m_districts->findData(m_editor.districtFilter());
    m_districts->setCurrentIndex(qMax(0, district));
    m_city->setChecked(m_editor.city());
    m_village->setChecked(m_editor.village());
    showKinds(0);
    showCandidates(0);
    m_name->setFocus();
    resize(1100, 640);
}

void InstitutionSetWindow::showCandidates(int current)
{
    QList<QVariantList> lines;
    lines.reserve(m_editor.candidates().size());
    for (const SetCandidate &c : m_editor.candidates())
        lines.append(fieldsOf(c));
    m_model->setLines(std::move(lines));
    shell::ui::widenToContents(m_binding, {0, 1, 2, 4, 5, 6, 8, 9, 10});
    if (!m_editor.candidates().isEmpty())
        m_binding->selectRow(qBound(0, current, int(m_editor.candidates().size()) - 1));
    showCounts();
}

void InstitutionSetWindow::showKinds(int current)
{
    QList<QVariantList> lines;
    for (const SetKindChoice &k : m_editor.kinds())
        lines.append({k.marked ? u"o"_s : QString(), k.name});
    m_kindModel->setLines(std::move(lines));
    if (!m_editor.kinds().isEmpty())
        m_kindBinding->selectRow(qBound(0, current, int(m_editor.kinds().size()) - 1));
    m_kindText->setText(m_editor.kindText());
}

void InstitutionSetWindow::showCounts()
{
    m_count->setText(QString::number(m_editor.candidateCount()));
    m_marked->setText(QString::number(m_editor.markedCount()));
}

void InstitutionSetWindow::toggleCandidate(int row)
{
    m_editor.toggle(row);
    if (row >= 0 && row < m_editor.candidates().size())
        m_model->setValue(row, 3, m_editor.candidates()[row].mark());
    showCounts();
}

void InstitutionSetWindow::chooseKind(int row)
{
    m_editor.toggleKind(row);
    m_editor.chooseKinds(row);
    showKinds(row);
    showCandidates(m_binding->currentRow());
}

void InstitutionSetWindow::chooseDistrict(int index)
{
    if (index < 0 || index >= m_editor.districts().size())
        return;
    m_districts->setCurrentIndex(index);
    m_editor.chooseDistrict(m_editor.districts()[index].code);
    showCandidates(m_binding->currentRow());
}

void InstitutionSetWindow::setCity(bool on)
{
    m_city->setChecked(on);
    m_editor.setCity(on);
    showCandidates(m_binding->currentRow());
}

void InstitutionSetWindow::setVillage(bool on)
{
    m_village->setChecked(on);
    m_editor.setVillage(on);
    showCandidates(m_binding->currentRow());
}

void InstitutionSetWindow::sortByMark()
{
    m_editor.sortByMark();
    showCandidates(0);
}

void InstitutionSetWindow::reset()
{
    m_editor.reset();
    m_districts->setCurrentIndex(qMax(0, m_districts->findData(int(WholeRegion))));
    m_city->setChecked(true);
    m_village->setChecked(true);
    showKinds(0);
    showCandidates(m_binding->currentRow());
}

bool InstitutionSetWindow::save()
{
    const QList<qint32> members = m_editor.markedCodes();
    QString refused;
    qint32 id = 0;
    if (m_id) {
        id = *m_id;
        refused = m_sets.updateSet(id, m_name->text(), members);
    } else {
        refused = m_sets.addSet(m_name->text(), members, &id);
    }
    if (!refused.isEmpty()) {
        m_prompter.message(refused);
        // The list as the file holds it (a set may have gone meanwhile).
        if (m_sets.load())
            Q_EMIT reloaded();
        return false;
    }
    m_savedId = id;
    Q_EMIT saved(id);
    return true;
}

} // namespace zemor::analysis::ui
