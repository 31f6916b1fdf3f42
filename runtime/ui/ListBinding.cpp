#include "runtime/ui/ListBinding.h"

#include "runtime/ui/ListCellDelegate.h"
#include "runtime/ui/QueueModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>

#include <cmath>

namespace zemor::runtime::ui {

ListBinding::ListBinding(QTableView *view, QueueModel *model, const ListFormat &format)
    : QObject(view), m_view(view), m_model(model)
{
    Q_ASSERT(view && model);
    m_delegate = newDelegate(this);
    view->setModel(model);
    view->setItemDelegate(m_delegate);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setShowGrid(false); // the columns draw their own lines
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setMinimumSectionSize(1);
    view->horizontalHeader()->setHighlightSections(false);

    connect(view->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this, [this](int s) {
        if (m_headingSort)
            sortByHeading(s);
    });
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);

    setFormat(format);
}

ListBinding::~ListBinding()
{
    // The second view goes with the binding that made it.
    delete m_fixedView;
}

// Every view gets a delegate of its own: a view takes each editor its delegate commits or
// closes for one of its own, and warns about an editor of another view.
ListCellDelegate *ListBinding::newDelegate(QObject *parent)
{
    auto *delegate = new ListCellDelegate(parent);
    delegate->setFormat(m_format);
    connect(delegate, &ListCellDelegate::inputRefused, this,
            [this](const QModelIndex &i, const QString &message) {
                Q_EMIT inputRefused(i.row(), i.column(), message);
            });
    return delegate;
}

QList<ListCellDelegate *> ListBinding::delegates() const
{
    QList<ListCellDelegate *> all{m_delegate};
    if (m_fixedView)
        all.append(static_cast<ListCellDelegate *>(m_fixedView->itemDelegate()));
    return all;
}

void ListBinding::setFormat(const ListFormat &format)
{
    m_format = format;
    for (ListCellDelegate *delegate : delegates())
        delegate->setFormat(format);
    m_headingOrder.clear();
    if (m_view)
        m_view->horizontalHeader()->setSortIndicatorShown(false);
    if (m_fixedView)
        m_fixedView->horizontalHeader()->setSortIndicatorShown(false);
    applyLayout();
    updateFixedView();
}

double ListBinding::unit() const
{
    if (!m_view)
        return 2.0;
    return QFontMetricsF(m_view->font()).averageCharWidth() / 4.0;
}

int ListBinding::pixelWidth(int units) const
{
    return int(std::lround(units * unit()));
}

void ListBinding::applyLayout()
{
    if (!m_view)
        return;
    for (ListCellDelegate *delegate : delegates())
        delegate->setUnit(unit());
    QHeaderView *header = m_view->horizontalHeader();
    for (int col = 0; col < m_model->columnCount(); ++col) {
        if (col >= m_format.columnCount()) {
            m_view->setColumnHidden(col, true);
            continue;
        }
        const ListColumn &c = m_format.column(col);
        m_view->setColumnHidden(col, false);
        header->setSectionResizeMode(col,
                                     c.resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
        m_view->setColumnWidth(col, pixelWidth(c.width));
        m_model->setHeaderData(col, Qt::Horizontal, c.hasHeading ? c.heading : QString());
        m_model->setHeaderData(col, Qt::Horizontal,
                               int(ListCellDelegate::alignmentOf(c.headingAlignment)),
                               Qt::TextAlignmentRole);
    }
    Q_ASSERT_X(m_format.columnCount() <= m_model->columnCount(), "ListBinding",
               "the format has more columns than the model has fields");
    header->setVisible(m_format.hasHeadings());
    QHeaderView *rows = m_view->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
}

void ListBinding::updateFixedView()
{
    if (!m_view)
        return;
    const int fixedCount = m_format.fixedColumnCount();
    if (fixedCount == 0 || fixedCount >= m_format.columnCount()) {
        delete m_fixedView;
        return;
    }
    if (!m_fixedView) {
        auto *fixed = new QTableView(m_view);
        m_fixedView = fixed;
        fixed->setObjectName(QStringLiteral("fixedColumns"));
        fixed->setModel(m_model);
        fixed->setSelectionModel(m_view->selectionModel());
        ListCellDelegate *delegate = newDelegate(fixed);
        delegate->setUnit(unit());
        fixed->setItemDelegate(delegate);
        fixed->setFocusPolicy(Qt::NoFocus);
        fixed->setFrameShape(QFrame::NoFrame);
        fixed->setShowGrid(false);
        fixed->setWordWrap(false);
        fixed->verticalHeader()->hide();
        fixed->horizontalHeader()->setMinimumSectionSize(1);
        fixed->horizontalHeader()->setHighlightSections(false);
        fixed->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        fixed->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        fixed->setVerticalScrollMode(m_view->verticalScrollMode());
        connect(fixed->verticalScrollBar(), &QAbstractSlider::valueChanged,
                m_view->verticalScrollBar(), &QAbstractSlider::setValue);
        connect(m_view->verticalScrollBar(), &QAbstractSlider::valueChanged,
                fixed->verticalScrollBar(), &QAbstractSlider::setValue);
        connect(m_view->horizontalHeader(), &QHeaderView::sectionResized, this,
                [this](int logical, int, int newSize) {
                    if (m_fixedView && logical < m_format.fixedColumnCount()) {
                        m_fixedView->setColumnWidth(logical, newSize);
                        placeFixedView();
                    }
                });
        connect(fixed->horizontalHeader(), &QHeaderView::sectionResized, this,
                [this](int logical, int, int newSize) {
                    // Hiding the scrolling columns in this view resizes them to 0 here too.
                    if (m_view && logical < m_format.fixedColumnCount() &&
                        m_view->columnWidth(logical) != newSize)
                        m_view->setColumnWidth(logical, newSize);
                });
        connect(fixed->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this, [this](int s) {
            if (m_headingSort)
                sortByHeading(s);
        });
        fixed->viewport()->installEventFilter(this);
        m_view->viewport()->stackUnder(fixed);
        connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
                &ListBinding::keepClearOfFixedColumns);
    }
    // By pixels, so that a column can be brought out exactly beside the fixed ones.
    m_view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    QTableView *fixed = m_fixedView;
    fixed->setSelectionBehavior(m_view->selectionBehavior());
    fixed->setEditTriggers(m_view->editTriggers());
    for (int col = 0; col < m_model->columnCount(); ++col) {
        fixed->setColumnHidden(col, col >= fixedCount);
        if (col < fixedCount) {
            fixed->horizontalHeader()->setSectionResizeMode(
                col, m_view->horizontalHeader()->sectionResizeMode(col));
            fixed->setColumnWidth(col, m_view->columnWidth(col));
        }
    }
    fixed->horizontalHeader()->setVisible(!m_view->horizontalHeader()->isHidden());
    fixed->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    fixed->verticalHeader()->setDefaultSectionSize(m_view->verticalHeader()->defaultSectionSize());
    placeFixedView();
    fixed->show();
}

void ListBinding::keepClearOfFixedColumns(const QModelIndex &current)
{
    if (!m_view || !m_fixedView || !current.isValid() ||
        current.column() < m_format.fixedColumnCount())
        return;
    // The view scrolled the cell into its viewport, but it may lie under the fixed columns.
    const int left = m_view->visualRect(current).left();
    const int covered = m_fixedView->width();
    if (left < covered) {
        QScrollBar *bar = m_view->horizontalScrollBar();
        bar->setValue(bar->value() - (covered - left));
    }
}

void ListBinding::placeFixedView()
{
    if (!m_view || !m_fixedView)
        return;
    int width = 0;
    for (int col = 0; col < m_format.fixedColumnCount(); ++col)
        width += m_view->columnWidth(col);
    const QHeaderView *header = m_view->horizontalHeader();
    const int headerHeight = header->isVisible() ? header->height() : 0;
    m_fixedView->horizontalHeader()->setFixedHeight(headerHeight);
    const int frame = m_view->frameWidth();
    m_fixedView->setGeometry(frame, frame, width, m_view->viewport()->height() + headerHeight);
}

void ListBinding::setCellSelection(bool cells)
{
    if (!m_view)
        return;
    const auto behaviour = cells ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows;
    m_view->setSelectionBehavior(behaviour);
    if (m_fixedView)
        m_fixedView->setSelectionBehavior(behaviour);
}

int ListBinding::currentRow() const
{
    return m_view ? m_view->currentIndex().row() : -1;
}

void ListBinding::selectRow(int row)
{
    if (!m_view)
        return;
    if (row < 0 || row >= m_model->rowCount()) {
        m_view->selectionModel()->clear();
        return;
    }
    const int column = std::max(0, m_view->currentIndex().column());
    const QModelIndex index = m_model->index(row, column);
    const auto rows = m_view->selectionBehavior() == QAbstractItemView::SelectRows
                          ? QItemSelectionModel::Rows
                          : QItemSelectionModel::NoUpdate;
    m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | rows);
    m_view->scrollTo(index);
}

QString ListBinding::cellText(int row, int column) const
{
    return m_delegate->cellText(column, m_model->index(row, column).data(QueueModel::ValueRole));
}

void ListBinding::widenToContents(const QList<int> &columns)
{
    if (!m_view)
        return;
    const QFontMetrics metrics(m_view->font());
    const int margin = metrics.averageCharWidth() * 2;
    for (const int column : columns) {
        int contents = m_view->horizontalHeader()->sectionSizeHint(column);
        for (int row = 0; row < m_model->rowCount(); ++row) {
            // Measured as drawn: a left-aligned cell keeps the leading blanks of its picture.
            QString drawn = cellText(row, column);
            while (drawn.endsWith(u' '))
                drawn.chop(1);
            contents = std::max(contents, metrics.horizontalAdvance(drawn) + margin);
        }
        if (contents > m_view->columnWidth(column))
            m_view->setColumnWidth(column, contents);
    }
}

void ListBinding::activateRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    switch (m_doubleClick) {
    case DoubleClick::None:
        return;
    case DoubleClick::ToggleMark: {
        Q_ASSERT_X(m_model->markField() >= 0, "ListBinding", "the model has no mark field");
        if (m_model->markField() < 0)
            return;
        const bool marked = m_model->toggleMark(row);
        Q_EMIT markToggled(row, marked);
        return;
    }
    case DoubleClick::Choose:
        Q_EMIT chosen(row);
        return;
    }
}

void ListBinding::sortByHeading(int column)
{
    if (!m_view || column < 0 || column >= m_model->columnCount())
        return;
    const auto previous = m_headingOrder.constFind(column);
    const Qt::SortOrder order =
        previous != m_headingOrder.constEnd() && *previous == Qt::AscendingOrder
            ? Qt::DescendingOrder
            : Qt::AscendingOrder;
    m_headingOrder[column] = order;
    // The mark column shows the mark field, so it sorts by it.
    const int field = column == m_model->markColumn() && m_model->markField() >= 0
                          ? m_model->markField()
                          : column;
    m_model->sortBy({QueueModel::SortKey{field, order}});
    QHeaderView *header = m_view->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column, order);
    if (m_fixedView) {
        m_fixedView->horizontalHeader()->setSortIndicatorShown(true);
        m_fixedView->horizontalHeader()->setSortIndicator(column, order);
    }
    if (m_view->currentIndex().isValid())
        m_view->scrollTo(m_view->currentIndex());
    Q_EMIT sortedByHeading(column, order);
}

bool ListBinding::locate(const QString &text)
{
    if (!m_view)
        return false;
    const QModelIndex current = m_view->currentIndex();
    return locateFrom(text, current.isValid() ? current.row() + 1 : 0);
}

bool ListBinding::locateFrom(const QString &text, int start)
{
    if (!m_view)
        return false;
    const int rows = m_model->rowCount();
    if (rows == 0 || text.isEmpty())
        return false;
    const QModelIndex current = m_view->currentIndex();
    int column = m_format.locatorColumn();
    if (current.isValid() && current.column() < m_format.columnCount() &&
        m_format.column(current.column()).locator)
        column = current.column();
    if (column < 0)
        return false;
    for (int step = 0; step < rows; ++step) {
        const int row = (start + step) % rows;
        if (cellText(row, column).trimmed().startsWith(text, Qt::CaseInsensitive)) {
            selectRow(row);
            return true;
        }
    }
    return false;
}

bool ListBinding::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_view)
        return false;
    const bool onViewport =
        watched == m_view->viewport() || (m_fixedView && watched == m_fixedView->viewport());

    const bool clickMarks = m_clickMarks && m_doubleClick == DoubleClick::ToggleMark;
    const bool press = event->type() == QEvent::MouseButtonPress;
    const bool doubleClick = event->type() == QEvent::MouseButtonDblClick;
    if (onViewport && (doubleClick || (clickMarks && press))) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        auto *view = watched == m_view->viewport() ? m_view.data() : m_fixedView.data();
        const QModelIndex index = view->indexAt(mouse->position().toPoint());
        if (mouse->button() == Qt::LeftButton && index.isValid()) {
            // Where a click marks, what follows a click on the same line within the double-click
            // time (the double click it begins) is one gesture with it, which toggled already.
            const bool sameGesture =
                clickMarks && index.row() == m_lastClickRow &&
                mouse->timestamp() - m_lastClickTime < quint64(QApplication::doubleClickInterval());
            if (!sameGesture) {
                m_lastClickRow = index.row();
                m_lastClickTime = mouse->timestamp();
                activateRow(index.row());
            }
        }
        return false; // the view goes on with its own handling
    }

    // While a cell is edited its edit field has the keys; the view sees none of them.
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            m_doubleClick == DoubleClick::Choose && currentRow() >= 0) {
            Q_EMIT chosen(currentRow());
            return true;
        }
        const QString typed = key->text();
        const bool plain =
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        const bool editable = m_view->currentIndex().flags() & Qt::ItemIsEditable;
        if (plain && !editable && !typed.isEmpty() && typed.at(0).isPrint() &&
            m_format.locatorColumn() >= 0) {
            // Characters typed in quick succession extend the text, which is then looked for
            // from the current line on.
            const bool extend = !m_typed.isEmpty() && m_typedTimer.isValid() &&
                                m_typedTimer.elapsed() < QApplication::keyboardInputInterval();
            m_typed = extend ? m_typed + typed : typed;
            m_typedTimer.restart();
            if (extend)
                locateFrom(m_typed, std::max(0, currentRow()));
            else
                locate(m_typed);
            return true;
        }
    }

    if (watched == m_view) {
        switch (event->type()) {
        case QEvent::FontChange:
            applyLayout();
            updateFixedView();
            break;
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::LayoutRequest:
            placeFixedView();
            break;
        default:
            break;
        }
    }
    return false;
}

} // namespace zemor::runtime::ui
