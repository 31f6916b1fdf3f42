#pragma once

// The map window "Карта" (P1$SCRL): the options of the indicator map before it is written: the
// value table (?T1), the title (?T2) and its size (?T3), the legend (?LEG), the picture set
// (?LEG1) and the region's own value (?SRPOK). "&OK" writes "index.html" in the working
// directory through analysis::IndicatorMap, says "счас запустится explorer" and shows the page
// with the desktop's browser; "&Cancel" (or closing the window) writes nothing.
//
// A page that cannot be written is told to the user; the old page stays as it was and no
// browser is started. The district names of the value table are read from `region1` in a data
// context of the window's own.

#include "analysis/common/IndicatorMap.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QCheckBox;

namespace zemor::runtime {
class Prompter;
namespace office {
class DesktopOpener;
}
} // namespace zemor::runtime

namespace zemor::analysis::ui {

class MapWindow : public QDialog
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("Карта"); }

    // WriteIndicatorMap: the window, then (on "&OK") the page and the browser. `desktop` shows
    // the page; nullptr starts nothing. True when a page was written.
    static bool run(const IndicatorMapSource &source, runtime::Prompter &prompter,
                    runtime::office::DesktopOpener *desktop, QWidget *parent = nullptr);

    explicit MapWindow(QWidget *parent = nullptr);

    // The options as the window holds them.
    MapOptions options() const;

private:
    QCheckBox *m_valueTable = nullptr;
    QCheckBox *m_title = nullptr;
    QButtonGroup *m_titleSize = nullptr;
    QCheckBox *m_legend = nullptr;
    QButtonGroup *m_pictureSet = nullptr;
    QCheckBox *m_regionValue = nullptr;
};

} // namespace zemor::analysis::ui
