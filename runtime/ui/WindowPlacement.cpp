#include "runtime/ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <climits>

namespace zemor::runtime::ui {

namespace {

const QString keyX = QStringLiteral("X");
const QString keyY = QStringLiteral("Y");
const QString keyWidth = QStringLiteral("Width");
const QString keyHeight = QStringLiteral("Height");
const QString keyMaximized = QStringLiteral("Maximized");
// Far beyond any desktop; a stored value past it is damage, and would overflow QRect's edges.
constexpr int maxCoordinate = 1 << 20;

std::optional<int> number(const ini::IniFile &ini, QStringView section, const QString &key)
{
    bool ok = false;
    const int value = ini.value(section, key).trimmed().toInt(&ok);
    return ok && value >= -maxCoordinate && value <= maxCoordinate ? std::optional<int>(value)
                                                                   : std::nullopt;
}

qint64 squaredDistance(const QRect &a, const QRect &b)
{
    const qint64 dx = std::max({0, a.left() - b.right(), b.left() - a.right()});
    const qint64 dy = std::max({0, a.top() - b.bottom(), b.top() - a.bottom()});
    return dx * dx + dy * dy;
}

// The desktop area that `geometry` belongs on: the screen it overlaps most, else the nearest.
QRect availableAreaFor(const QRect &geometry)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    QRect best;
    qint64 bestOverlap = -1;
    qint64 bestDistance = LLONG_MAX;
    for (const QScreen *screen : screens) {
        const QRect area = screen->availableGeometry();
        const QRect overlap = area.intersected(geometry);
        const qint64 size = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
        const qint64 distance = squaredDistance(area, geometry);
        if (size > bestOverlap || (size == bestOverlap && distance < bestDistance)) {
            best = area;
            bestOverlap = size;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace

std::optional<QRect> WindowPlacement::storedGeometry(QStringView label) const
{
    const auto x = number(m_ini, label, keyX);
    const auto y = number(m_ini, label, keyY);
    const auto width = number(m_ini, label, keyWidth);
    const auto height = number(m_ini, label, keyHeight);
    if (!x || !y || !width || !height || *width <= 0 || *height <= 0)
        return std::nullopt;
    return QRect(*x, *y, *width, *height);
}

bool WindowPlacement::storedMaximized(QStringView label) const
{
    return number(m_ini, label, keyMaximized).value_or(0) == 1;
}

QRect WindowPlacement::fitted(const QRect &geometry, const QRect &available)
{
    if (available.isEmpty())
        return geometry;
    QRect r = geometry;
    r.setWidth(std::min(r.width(), available.width()));
    r.setHeight(std::min(r.height(), available.height()));
    r.moveLeft(std::clamp(r.left(), available.left(), available.right() - r.width() + 1));
    r.moveTop(std::clamp(r.top(), available.top(), available.bottom() - r.height() + 1));
    return r;
}

bool WindowPlacement::restore(QWidget *window, QStringView label) const
{
    Q_ASSERT(window);
    const auto stored = storedGeometry(label);
    if (!stored)
        return false;
    QRect r = fitted(*stored, availableAreaFor(*stored));
    const QSize smallest = window->minimumSizeHint().expandedTo(window->minimumSize());
    if (smallest.isValid())
        r.setSize(r.size().expandedTo(smallest).boundedTo(window->maximumSize()));
    window->setGeometry(r);
    if (storedMaximized(label))
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
    return true;
}

void WindowPlacement::store(const QWidget *window, QStringView label)
{
    Q_ASSERT(window);
    const bool maximized = window->isMaximized();
    // A window maximized before it was ever shown has no normal placement yet.
    const QRect normal = window->normalGeometry();
    const QRect r = maximized && !normal.isEmpty() ? normal : window->geometry();
    m_ini.setIntValue(label, keyX, r.x());
    m_ini.setIntValue(label, keyY, r.y());
    m_ini.setIntValue(label, keyWidth, r.width());
    m_ini.setIntValue(label, keyHeight, r.height());
    m_ini.setIntValue(label, keyMaximized, maximized ? 1 : 0);
}

Status WindowPlacement::save(const QWidget *window, QStringView label)
{
    store(window, label);
    return m_ini.save();
}

} // namespace zemor::runtime::ui
