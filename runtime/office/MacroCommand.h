#pragma once

// The commands the program executes in an office conversation, in the macro language of the
// spreadsheet and the word processor: one or more bracketed commands in one string,
//     [OPEN.TEXT("C:\x\XLS\ras1.xls")][SELECT("R9C1:R40C6")][BORDER(1,1,1,1,1,0,0,0,0,0,0)]
//     [FileOpen ("C:\x\temp1\f12.doc")]   [FileOpen .Name = "x.doc"]
// Names are compared without regard to case. An argument is a quoted text ("" inside it stands
// for one quotation mark), a number, TRUE or FALSE, a bare word, or missing (nothing between
// two commas). A named argument (".Name = ...") is taken by position.
//
// parse() refuses text that is not such a sequence (no brackets, an unclosed quotation or
// parenthesis) with InvalidArgument; it never looks at what a command means.

#include "runtime/core/Error.h"

#include <QList>
#include <QString>

#include <optional>

namespace zemor::runtime::office {

struct MacroArgument
{
    enum class Kind { Missing, Text, Number, Boolean, Word };

    Kind kind = Kind::Missing;
    QString text; // Text and Word: the text; Number and Boolean: as written
    double number = 0;
    bool boolean = false;

    bool isMissing() const { return kind == Kind::Missing; }
    // The argument as a number: numbers, TRUE (1) and FALSE (0); nothing for texts.
    std::optional<double> toNumber() const;
};

struct MacroCommand
{
    QString name;                   // as written
    QList<MacroArgument> arguments; // trailing missing arguments included
    QString source;                 // the bracketed text of this one command

    bool is(const QString &other) const { return name.compare(other, Qt::CaseInsensitive) == 0; }
    // Argument `index` (from 0), missing when there are fewer.
    MacroArgument argument(int index) const;

    [[nodiscard]] static Result<QList<MacroCommand>> parse(const QString &text);
};

} // namespace zemor::runtime::office
