#pragma once

// The blank report forms of the installation (`BlankForms`, "Печать бланков") without the
// window: the list of "doc\blanki.txt" (a line "file name!title" per blank), and opening a
// chosen blank as a fresh copy in "\temp1\" through the word processor ("WinWord") or the
// spreadsheet program ("Excel") of the office conversation.
//
// A blank is opened only as a copy: the old copy is removed first, the file under "doc\" is
// copied and the copy is opened; a blank whose name leads out of "doc\", or whose copy would
// land outside "\temp1\", is refused, and a copy that fails is reported with the file's name -
// in both cases nothing is opened. Files ending in "xls" open in the spreadsheet program, files
// ending in "doc" in the word processor, anything else (also "XLS") opens nothing. An office
// program that cannot be reached is asked for once with "ЗАПУСТИТЕ word" or "ЗАПУСТИТЕ Excel".
// The conversation and the prompter are the caller's.

#include "runtime/core/Error.h"

#include <QList>
#include <QString>

namespace zemor::runtime {
class Prompter;
namespace office {
class Conversation;
}
} // namespace zemor::runtime

namespace zemor::entry {

// One line of the list (`QS`).
struct BlankEntry
{
    QString path;   // QS:PATH: the file name under "doc\", up to 100 characters
    QString name;   // QS:NAME: the title, up to 150 characters
    int number = 0; // QS:N and QS:UNICOD: the line's number in the file, from 1
    int kind = 0;   // QS:COD: 1 workbook, 2 document, 0 other
};

class BlankForms
{
public:
    static QString windowTitle() { return QStringLiteral("Список"); }
    static QString prompt() { return QStringLiteral("!! Печать чистых бланков"); }
    static QString listFormat()
    {
        return QStringLiteral("55L(1)|M~имя файла~@s50@E(,0E8FFFFH,,)100L(1)M~Форма~@s200@");
    }
    static QString listFileName() { return QStringLiteral("doc\\blanki.txt"); }
    static QString startWordText() { return QStringLiteral("ЗАПУСТИТЕ word"); }
    static QString startExcelText() { return QStringLiteral("ЗАПУСТИТЕ Excel"); }
    static QString copyFailedText() { return QStringLiteral("Не удалось скопировать бланк "); }
    static QString refusedText() { return QStringLiteral("Бланк вне папки бланков: "); }

    // The list of the file at `path` (a path on disk), every non-blank line one entry; a
    // missing file gives an empty list.
    [[nodiscard]] static runtime::Result<QList<BlankEntry>> readList(const QString &path);
    static BlankEntry entryOf(const QString &line, int number);
    // 1 for a name ending in "xls", 2 for one ending in "doc", 0 otherwise (letter case counts).
    static int kindOf(const QString &path);
    // The copy's name: the file name after its first "\" (all of it without one), at most 50
    // characters.
    static QString copyName(const QString &path);

    enum class Outcome { Opened, NotOpenable, Refused, CopyFailed, Unreachable, Failed };

    BlankForms(runtime::office::Conversation &office, runtime::Prompter &prompter)
        : m_office(office), m_prompter(prompter)
    {
    }

    // Copies the blank from "doc\" of the working directory to "temp1\" there and opens the
    // copy. The path of the copy is `copied` when it was made.
    Outcome open(const BlankEntry &entry, QString *copied = nullptr);

private:
    int connect(const QString &service, const QString &startText);

    runtime::office::Conversation &m_office;
    runtime::Prompter &m_prompter;
};

} // namespace zemor::entry
