#pragma once

// Rebuilding the keys of the data files: one form's report data file of a year, or the ticked
// groups - every form's report data file of the year, the year's catalogue and rule files, and
// the institution and indicator files of the working directory.
//
// Each file is opened directly for reading and writing with every other holder denied (a file
// is never created here); a file that opens, or opens with "Creates Duplicate Key" or "Key File
// Must Be Rebuilt", has its keys rebuilt. A file that another window or program holds open
// cannot be had exclusively: after the usual wait its keys stay as they are, its own message is
// shown (where it has one) and the run goes on. So that such a run never ends with a bare
// "Готово" while damaged keys were left behind, every file whose keys could not be rebuilt is
// named in one message before the final "Готово". A report data file that does not exist is
// skipped silently and not counted.
//
// Messages go through the prompter handed in; the window follows the run through the progress
// callbacks. A run of the ticked groups reports every file it is about to rebuild to the
// runtime::Progress it is given and asks it between files whether to stop: a cancelled run stops
// before the next file, so each file is left either with its old keys or wholly rebuilt (a
// file's rebuilding is one transaction, or a new file that takes the old one's name only when it
// is complete). It then names the files not rebuilt, as a finished run does, and says
// cancelledText() in place of "Готово". The catalogue names are set in the data context for the
// year (as every procedure sets the names it opens); the indicator copies "TablP.dat" and
// "GrafaP.dat" are rebuilt under their own names without touching the context's TablFileName and
// GrafaFileName.

#include "data/Dictionary.h"
#include "runtime/core/Error.h"
#include "runtime/core/Progress.h"

#include <QList>
#include <QString>

#include <functional>

namespace zemor::runtime {
class Prompter;
}

namespace zemor::data {
class DataContext;
}

namespace zemor::shell {

class KeyRebuild
{
public:
    enum class Outcome { Rebuilt, Missing, Failed };
    struct FileResult
    {
        Outcome outcome = Outcome::Failed;
        QString path;         // the file on disk (its name as given when it did not resolve)
        runtime::Error error; // why it was not rebuilt
    };

    struct Groups
    {
        bool allForms = false;   // "Все формы"
        bool catalogues = false; // "Справочники форм, контролей"
        bool reference = false;  // "Справочники ЛПУ, показатели"
    };

    struct Progress
    {
        std::function<void(int)> counter; // ?I#, after every counted file
        std::function<void(qint64)> form; // ?FOR:UNICOD, the form being processed
        runtime::Progress *run = nullptr; // the files, one step each; none: not shown, no cancel
    };

    struct RunResult
    {
        int counter = 0;
        QList<FileResult> notRebuilt; // files left with their old keys, in run order
        bool cancelled = false;       // stopped before its last file
    };

    static QString cancelledText() { return QStringLiteral("Прервано"); }

    KeyRebuild(data::DataContext &data, runtime::Prompter &prompter)
        : m_data(data), m_prompter(prompter)
    {
    }

    // Rebuilds the keys of one keyed file of the dictionary, found under `name` (a program
    // name: "\2015\F0062.dat", "BOLN", "TablP.dat").
    static FileResult rebuildFile(data::FileId id, const QString &name);

    // The form button: "Форма ?" for form code 0 or a file that could not be rebuilt, "Готово"
    // when it was. True when the keys were rebuilt.
    bool rebuildForm(int year, int formCode);

    // The start button: the ticked groups, then the list of files not rebuilt (when there is
    // one) and "Готово" (cancelledText() when the run was cancelled).
    RunResult rebuildGroups(int year, Groups groups, const Progress &progress);
    RunResult rebuildGroups(int year, Groups groups);

    // The message that names the files not rebuilt.
    static QString notRebuiltText(const QList<FileResult> &files);

private:
    // Rebuilds one file and shows its message (blank: none) when it failed.
    FileResult rebuildShown(data::FileId id, const QString &name, const QString &message,
                            RunResult &run);
    // The codes of the year's forms (FormaFileName), in the file's physical order.
    QList<qint64> formCodes(RunResult &run);

    data::DataContext &m_data;
    runtime::Prompter &m_prompter;
};

} // namespace zemor::shell
