#pragma once

// Where a window was the last time it was closed: its position and size, kept in the program's
// INI file ("zemor.INI" in the working directory), one section per window named by the window's
// label (the frame is "Main"), with the keys
//
//     X, Y           the position of the window's inside (below its title bar) on the desktop
//     Width, Height  the size of its inside, all in pixels
//     Maximized      1 when it was closed maximized (X to Height then hold its normal placement)
//
// WindowPlacement reads and writes through an IniFile that the caller owns (the program keeps
// one for all windows) and never shows anything. A window without a section, or with values that
// are missing, not numbers, not positive sizes or far beyond any desktop, keeps the placement it
// has: restore() changes nothing and answers false. A stored placement is fitted to the screens
// there are now: a size larger than the screen is cut to it and a position that would leave the
// window off every screen (a second monitor since removed) is moved onto the nearest one, so a
// window never opens where it cannot be reached.

#include "runtime/core/Error.h"
#include "runtime/ini/IniFile.h"

#include <QRect>
#include <QString>
#include <QStringView>

#include <optional>

class QWidget;

namespace zemor::runtime::ui {

class WindowPlacement
{
public:
    static QString iniFileName() { return QStringLiteral("zemor.INI"); }

    explicit WindowPlacement(ini::IniFile &ini) : m_ini(ini) {}

    // Moves and sizes `window` as stored under `label`; false when nothing usable is stored.
    bool restore(QWidget *window, QStringView label) const;
    // Puts the window's placement into the INI file in memory.
    void store(const QWidget *window, QStringView label);
    // store() and then the INI file written out.
    [[nodiscard]] Status save(const QWidget *window, QStringView label);

    // The stored rectangle, when usable (see above); not fitted to the screens.
    std::optional<QRect> storedGeometry(QStringView label) const;
    bool storedMaximized(QStringView label) const;

    // `geometry` moved and cut so that it lies within `available`, the desktop area of a
    // screen.
    static QRect fitted(const QRect &geometry, const QRect &available);

private:
    ini::IniFile &m_ini;
};

} // namespace zemor::runtime::ui
