#include "runtime/ui/ListCellDelegate.h"

#include "runtime/decimal/Decimal.h"
#include "runtime/ui/QueueModel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTime>

#include <cmath>

namespace zemor::runtime::ui {

namespace {

bool isDecimal(const QVariant &v)
{
    return v.metaType() == QMetaType::fromType<Decimal>();
}

bool isInteger(const QVariant &v)
{
    switch (v.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

bool isReal(const QVariant &v)
{
    return v.metaType().id() == QMetaType::Double || v.metaType().id() == QMetaType::Float;
}

// The value as a Decimal when it is a number: integers and Decimals exactly, REALs rounded to
// the picture's places.
std::optional<Decimal> numberOf(const QVariant &v, int places)
{
    if (isDecimal(v))
        return v.value<Decimal>();
    if (isInteger(v))
        return Decimal(static_cast<std::int64_t>(v.toLongLong()));
    if (isReal(v)) {
        auto d = Decimal::fromDouble(v.toDouble(), places);
        if (d)
            return *d;
    }
    return std::nullopt;
}

QString plainText(const QVariant &v)
{
    if (isDecimal(v))
        return v.value<Decimal>().toString();
    if (isReal(v))
        return QString::number(v.toDouble(), 'g', 15);
    if (v.metaType().id() == QMetaType::QTime)
        return v.toTime().toString(QStringLiteral("hh:mm"));
    return v.toString();
}

QString pictured(const Picture &picture, const QVariant &v)
{
    switch (picture.kind()) {
    case Picture::Kind::String:
        return picture.formatText(plainText(v));
    case Picture::Kind::Number:
        if (const auto d = numberOf(v, picture.places()))
            return picture.format(*d);
        if (isReal(v)) // beyond every DECIMAL (or not a number): shown as too wide
            return QString(picture.width(), u'#');
        return picture.formatText(plainText(v));
    case Picture::Kind::Date:
        if (isInteger(v))
            return picture.formatDate(v.toLongLong());
        if (const auto d = numberOf(v, 0))
            return picture.format(*d);
        return picture.formatText(plainText(v));
    case Picture::Kind::Time:
        if (v.metaType().id() == QMetaType::QTime)
            return picture.formatTime(v.toTime());
        if (const auto d = numberOf(v, 0))
            return picture.format(*d);
        return picture.formatText(plainText(v));
    }
    return plainText(v);
}

// The cell an edit field was made for, and the text it was given to show: a text left as it
// was stores nothing.
const char editedIndexProperty[] = "zemorEditedIndex";
const char shownTextProperty[] = "zemorShownText";

int pixels(double units, double unit)
{
    return int(std::lround(units * unit));
}

} // namespace

Qt::Alignment ListCellDelegate::alignmentOf(ListAlignment alignment)
{
    switch (alignment) {
    case ListAlignment::Left:
        return Qt::AlignLeft | Qt::AlignVCenter;
    case ListAlignment::Right:
    case ListAlignment::Decimal:
        return Qt::AlignRight | Qt::AlignVCenter;
    case ListAlignment::Center:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

const ListColumn *ListCellDelegate::columnAt(int column) const
{
    return column >= 0 && column < m_format.columnCount() ? &m_format.column(column) : nullptr;
}

QString ListCellDelegate::cellText(const ListColumn &column, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (!column.picture)
        return plainText(value);
    QString text = pictured(*column.picture, value);
    if (column.picture->kind() == Picture::Kind::String) {
        while (text.endsWith(u' '))
            text.chop(1);
    } else if (column.alignment != ListAlignment::Left) {
        text = text.trimmed();
    }
    return text;
}

QString ListCellDelegate::cellText(int column, const QVariant &value) const
{
    if (const ListColumn *c = columnAt(column))
        return cellText(*c, value);
    return value.isValid() ? plainText(value) : QString();
}

Result<QVariant> ListCellDelegate::readTyped(const ListColumn &column, QStringView typed,
                                             const QVariant &current)
{
    if (!column.picture)
        return QVariant(typed.toString());
    const Picture &picture = *column.picture;
    switch (picture.kind()) {
    case Picture::Kind::String:
        return QVariant(typed.left(picture.width()).toString());
    case Picture::Kind::Number: {
        auto d = picture.parseNumber(typed);
        if (!d)
            return std::unexpected(d.error());
        if (isInteger(current)) {
            if (!(d->rounded(0) == *d))
                return fail(ErrorCode::InvalidData, typed.toString(),
                            QStringLiteral("Нужно целое число"));
            return QVariant(qlonglong(d->toInt64()));
        }
        if (isReal(current))
            return QVariant(d->toDouble());
        return QVariant::fromValue(*d);
    }
    case Picture::Kind::Date: {
        auto day = picture.parseDate(typed);
        if (!day)
            return std::unexpected(day.error());
        return QVariant(qlonglong(*day));
    }
    case Picture::Kind::Time: {
        const QString t = typed.trimmed().toString();
        if (t.isEmpty())
            return QVariant(QTime());
        const QTime time = QTime::fromString(t, QStringLiteral("H:mm"));
        if (!time.isValid())
            return fail(ErrorCode::InvalidData, t, QStringLiteral("Нужно время в виде чч:мм"));
        return QVariant(time);
    }
    }
    return QVariant(typed.toString());
}

void ListCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const
{
    const ListColumn *column = columnAt(index.column());
    if (!column) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }

    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        option.state & QStyle::State_Enabled
            ? (option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive)
            : QPalette::Disabled;
    QColor foreground = column->colors.foreground;
    QColor background = column->colors.background;
    if (column->rowColors) {
        const QVariant f = index.data(Qt::ForegroundRole);
        const QVariant b = index.data(Qt::BackgroundRole);
        if (f.canConvert<QColor>())
            foreground = f.value<QColor>();
        if (b.canConvert<QColor>())
            background = b.value<QColor>();
    }
    if (selected) {
        foreground = column->colors.selectedForeground.isValid()
                         ? column->colors.selectedForeground
                         : option.palette.color(group, QPalette::HighlightedText);
        background = column->colors.selectedBackground.isValid()
                         ? column->colors.selectedBackground
                         : option.palette.color(group, QPalette::Highlight);
    }
    if (!foreground.isValid())
        foreground = option.palette.color(group, QPalette::Text);

    painter->save();
    const QRect cell = option.rect;
    if (background.isValid())
        painter->fillRect(cell, background);

    QVariant value = index.data(QueueModel::ValueRole);
    if (!value.isValid())
        value = index.data(Qt::DisplayRole);
    const QString text = cellText(*column, value);
    const int margin = 2;
    const int indent = pixels(column->indent, m_unit);
    QRect textRect = cell.adjusted(margin, 0, -margin, 0);
    if (column->alignment == ListAlignment::Right || column->alignment == ListAlignment::Decimal)
        textRect.adjust(0, 0, -indent, 0);
    else
        textRect.adjust(indent, 0, 0, 0);
    painter->setClipRect(cell);
    painter->setFont(option.font);
    painter->setPen(foreground);
    painter->drawText(textRect, int(alignmentOf(column->alignment)) | Qt::TextSingleLine, text);

    const QColor line = option.palette.color(group, QPalette::Mid);
    painter->setPen(line);
    if (column->rightBorder)
        painter->drawLine(cell.topRight(), cell.bottomRight());
    if (column->bottomBorder)
        painter->drawLine(cell.bottomLeft(), cell.bottomRight());
    painter->restore();

    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = cell.adjusted(0, 0, -1, -1);
        focus.state |= QStyle::State_KeyboardFocusChange;
        focus.backgroundColor =
            background.isValid() ? background : option.palette.color(group, QPalette::Base);
        const QWidget *widget = option.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
}

QSize ListCellDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const ListColumn *column = columnAt(index.column());
    if (!column)
        return QStyledItemDelegate::sizeHint(option, index);
    return QSize(pixels(column->width, m_unit), option.fontMetrics.height() + 4);
}

QWidget *ListCellDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    const ListColumn *column = columnAt(index.column());
    if (!column)
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto *edit = new QLineEdit(parent);
    edit->setFrame(false);
    edit->setAlignment(alignmentOf(column->alignment));
    if (column->picture)
        edit->setMaxLength(column->picture->width());
    edit->setProperty(editedIndexProperty, QVariant::fromValue(QPersistentModelIndex(index)));
    return edit;
}

QString ListCellDelegate::editText(const ListColumn &column, const QVariant &value)
{
    QString text = cellText(column, value).trimmed();
    // A number wider than its picture would show as a row of '#': the field shows it whole, so
    // that what is there can be seen and kept.
    if (column.picture && column.picture->kind() == Picture::Kind::Number && text.contains(u'#') &&
        numberOf(value, column.picture->places()))
        text = plainText(value);
    return text;
}

void ListCellDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *edit = qobject_cast<QLineEdit *>(editor);
    const ListColumn *column = columnAt(index.column());
    if (!edit || !column) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    const QString text = editText(*column, index.data(QueueModel::ValueRole));
    if (text.size() > edit->maxLength())
        edit->setMaxLength(int(text.size()));
    edit->setText(text);
    edit->setProperty(shownTextProperty, text);
    edit->selectAll();
}

bool ListCellDelegate::changed(const QLineEdit *edit)
{
    const QVariant shown = edit->property(shownTextProperty);
    return !shown.isValid() || shown.toString() != edit->text();
}

Result<QVariant> ListCellDelegate::readEditor(const QLineEdit *edit, const QModelIndex &index) const
{
    const ListColumn *column = columnAt(index.column());
    if (!column)
        return QVariant(edit->text());
    return readTyped(*column, edit->text(), index.data(QueueModel::ValueRole));
}

void ListCellDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                    const QModelIndex &index) const
{
    auto *edit = qobject_cast<QLineEdit *>(editor);
    const ListColumn *column = columnAt(index.column());
    if (!edit || !column) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    // An edit that changed nothing keeps the value exactly, however the picture shows it.
    if (!changed(edit))
        return;
    auto value = readEditor(edit, index);
    if (!value) {
        Q_EMIT inputRefused(index, value.error().message);
        return;
    }
    model->setData(index, *value, Qt::EditRole);
}

bool ListCellDelegate::acceptable(QWidget *editor) const
{
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (!edit || !changed(edit))
        return true;
    const QVariant at = edit->property(editedIndexProperty);
    if (!at.canConvert<QPersistentModelIndex>())
        return true;
    const QModelIndex index = at.value<QPersistentModelIndex>();
    if (!index.isValid() || !columnAt(index.column()))
        return true;
    if (auto value = readEditor(edit, index); !value) {
        Q_EMIT inputRefused(index, value.error().message);
        edit->selectAll();
        return false;
    }
    return true;
}

bool ListCellDelegate::eventFilter(QObject *object, QEvent *event)
{
    // The keys that accept an edit are refused while the text does not read.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool accepting = key == Qt::Key_Return || key == Qt::Key_Enter ||
                               key == Qt::Key_Tab || key == Qt::Key_Backtab;
        if (accepting && !acceptable(qobject_cast<QWidget *>(object)))
            return true;
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

} // namespace zemor::runtime::ui
