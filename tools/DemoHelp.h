#pragma once

// Writes the help of the demo working directory: the index "help.TXT" (one section per line,
// the picture name in characters 1-20 and the title in 21-70, Windows-1251) and one PNG
// picture per section, drawn with QPainter: a page with the section's title, a few lines of
// text and a sketch of the window it explains.
//
// Text is drawn only where the program runs with a QGuiApplication (fonts need one), as the
// demo builder's program does; without one (a GUI-less test) the pictures carry their frames
// and sketches only.
// A file that cannot be written is returned as the failure; the directory must exist.

#include "runtime/core/Error.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace zemor::tools {

struct DemoHelpSection
{
    QString file; // the picture, in the working directory
    QString title;
    QStringList text;
};

class DemoHelp
{
public:
    // The demo's sections, in index order. The callers of the help open sections 1 to 4 on
    // their own: report entry 1, the report list 2, the cross-section 3, the indicators 4.
    static QList<DemoHelpSection> sections();

    [[nodiscard]] static runtime::Status write(const QString &directory);
};

} // namespace zemor::tools
