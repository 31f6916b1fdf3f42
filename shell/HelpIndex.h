#pragma once

// The help index "help.TXT" of the working directory: one section per line, in file order.
// Characters 1-20 of a line name the section's picture (relative to the working directory),
// characters 21-70 hold its title; a line is read up to its 100th character and the rest is
// ignored. Lines are Windows-1251 text. Every line is a section, an empty one too.
//
// read() fails only when the file cannot be read (FileNotFound for a missing index); the help
// window then shows an empty list. picturePath() resolves a section's picture name like every
// name of the program (letter case ignored); a blank name has no picture.

#include "runtime/core/Error.h"

#include <QList>
#include <QString>

namespace zemor::shell {

struct HelpSection
{
    QString title; // QS:S, STRING(50)
    QString file;  // QS:FILE, STRING(20)
};

class HelpIndex
{
public:
    static QString fileName() { return QStringLiteral("help.TXT"); }

    // The sections of the index file at `path` (a path on disk).
    [[nodiscard]] static runtime::Result<QList<HelpSection>> read(const QString &path);
    // The sections of the working directory's "help.TXT".
    [[nodiscard]] static runtime::Result<QList<HelpSection>> readWorkDir();
    // One line of the index as a section.
    static HelpSection parseLine(const QString &line);
    // One section as a line of the index (file and title padded to their columns).
    static QString formatLine(const HelpSection &section);

    // The position (from 0) of the section whose picture is shown first: the first section,
    // or with `preselect` the section numbered `section` (from 1) when there is one. -1 for an
    // empty index.
    static int initialSection(int count, int section, bool preselect);

    // The picture file of a section on disk; empty when its name is blank. A picture that does
    // not exist keeps its spelling (the window then shows no picture).
    static QString picturePath(const HelpSection &section);
};

} // namespace zemor::shell
