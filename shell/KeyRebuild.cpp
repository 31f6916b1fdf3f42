#include "shell/KeyRebuild.h"

#include "data/DataContext.h"
#include "data/FileNames.h"
#include "data/records/FormaRecord.h"
#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Scan.h"

#include <QDir>

#include <iterator>

namespace zemor::shell {

using data::FileId;
using runtime::ErrorCode;
using runtime::Status;
using runtime::store::Access;
using runtime::store::KeyedFile;
using runtime::store::Share;

namespace {

const QString done = QStringLiteral("Готово");
const QString formFailed = QStringLiteral("Форма ?");

// The indicator copies of the catalogue files, in the working directory.
const QString indicatorTabl = QStringLiteral("TablP.dat");
const QString indicatorGrafa = QStringLiteral("GrafaP.dat");

// What the progress says of a file: its program name without the leading "\\".
QString stepText(const QString &name)
{
    qsizetype start = 0;
    while (start < name.size() && name.at(start) == u'\\')
        ++start;
    return name.mid(start);
}

QString shownName(const QString &path)
{
    const QString root = runtime::fs::workDir();
    const QString relative = QDir(root).relativeFilePath(path);
    return relative.startsWith(QStringLiteral("..")) ? path : relative;
}

} // namespace

KeyRebuild::FileResult KeyRebuild::rebuildFile(FileId id, const QString &name)
{
    FileResult result;
    result.path = name;
    const data::FileDecl &decl = data::declaration(id);
    const auto path = runtime::fs::resolve(name, data::defaultExtension(decl.driver));
    if (!path) {
        result.outcome = Outcome::Missing;
        result.error = path.error();
        return result;
    }
    result.path = *path;
    // Opening never creates a file here: a missing one is simply not there to rebuild.
    if (!runtime::fs::pathInfo(*path).isFile) {
        result.outcome = Outcome::Missing;
        result.error = runtime::fail(ErrorCode::FileNotFound, *path).error();
        return result;
    }

    KeyedFile file(decl.layout);
    const Status opened = file.open(*path, Access::ReadWrite, Share::Exclusive);
    if (!opened && opened.error().code != ErrorCode::DuplicateKey &&
        opened.error().code != ErrorCode::KeyFileMustBeRebuilt) {
        result.error = opened.error();
        return result;
    }
    const Status rebuilt = file.rebuildKeys();
    file.close();
    if (!rebuilt) {
        result.error = rebuilt.error();
        return result;
    }
    result.outcome = Outcome::Rebuilt;
    return result;
}

bool KeyRebuild::rebuildForm(int year, int formCode)
{
    if (formCode == 0) {
        m_prompter.message(formFailed);
        return false;
    }
    m_data.names().setOtchetFileName(year, formCode);
    const FileResult result = rebuildFile(FileId::otchet, m_data.names().otchetFileName());
    const bool ok = result.outcome == Outcome::Rebuilt;
    m_prompter.message(ok ? done : formFailed);
    return ok;
}

KeyRebuild::FileResult KeyRebuild::rebuildShown(FileId id, const QString &name,
                                                const QString &message, RunResult &run)
{
    FileResult result = rebuildFile(id, name);
    if (result.outcome != Outcome::Rebuilt && !message.isEmpty())
        m_prompter.message(message);
    if (result.outcome == Outcome::Failed)
        run.notRebuilt.append(result);
    return result;
}

QList<qint64> KeyRebuild::formCodes(RunResult &run)
{
    QList<qint64> codes;
    const auto path = runtime::fs::resolve(m_data.names().formaFileName(),
                                           data::defaultExtension(data::Driver::Keyed));
    if (!path || !runtime::fs::pathInfo(*path).isFile)
        return codes;
    KeyedFile forma(data::declaration(FileId::forma).layout);
    Status status = forma.open(*path, Access::ReadOnly, Share::DenyNone);
    if (status)
        status = runtime::store::scanPhysical(forma, [&] {
            codes.append(data::FormaRecord(forma.record()).unicod());
            return true;
        });
    if (!status) {
        // Without the list of forms none of their data files can be reached.
        run.notRebuilt.append(FileResult{Outcome::Failed, *path, status.error()});
        codes.clear();
    }
    return codes;
}

KeyRebuild::RunResult KeyRebuild::rebuildGroups(int year, Groups groups, const Progress &progress)
{
    RunResult run;
    auto count = [&] {
        ++run.counter;
        if (progress.counter)
            progress.counter(run.counter);
    };
    if (progress.counter)
        progress.counter(0);
    runtime::NoProgress unwatched;
    runtime::Progress &steps = progress.run ? *progress.run : unwatched;
    qint64 filesDone = 0;
    // Before each file: says which one comes and whether the run goes on to it.
    auto next = [&](const QString &text) {
        if (!run.cancelled) {
            steps.step(filesDone, text);
            run.cancelled = steps.cancelled();
        }
        return !run.cancelled;
    };

    data::FileNames &names = m_data.names();
    names.setYearFileNames(year, data::YearNameSet::KeyRebuilding);

    // After the forms' data files: `forma`, then these of the year; then the reference files.
    const struct
    {
        FileId id;
        QString message;
    } catalogues[] = {
        {FileId::tabl, {}},
        {FileId::stroka, QStringLiteral("stroka ?")},
        {FileId::grafa, QStringLiteral("grafa ?")},
        {FileId::ContrGr, QStringLiteral("ContrGr ?")},
        {FileId::ContrStr, QStringLiteral("ContrStr ?")},
        {FileId::ContrTab, QStringLiteral("ContrTab ?")},
        {FileId::Rash, QStringLiteral("Rash ?")},
    };
    const struct
    {
        FileId id;
        QString name;
        QString message;
    } reference[] = {
        {FileId::boln, names.fileName(FileId::boln), QStringLiteral("boln ?")},
        {FileId::region1, names.fileName(FileId::region1), QStringLiteral("region1 ?")},
        {FileId::tabl, indicatorTabl, {}},
        {FileId::grafa, indicatorGrafa, QStringLiteral("grafa ?")},
        {FileId::Pokas, names.fileName(FileId::Pokas), QStringLiteral("Pokas ?")},
    };

    const QList<qint64> codes = groups.allForms ? formCodes(run) : QList<qint64>();
    steps.setTotal(codes.size() + (groups.catalogues ? 1 + qsizetype(std::size(catalogues)) : 0) +
                   (groups.reference ? qsizetype(std::size(reference)) : 0));

    for (const qint64 code : codes) {
        names.setOtchetFileName(year, int(code));
        if (!next(stepText(names.otchetFileName())))
            break;
        if (progress.form)
            progress.form(code);
        const FileResult result = rebuildFile(FileId::otchet, names.otchetFileName());
        if (result.outcome == Outcome::Rebuilt)
            count();
        else if (result.outcome == Outcome::Failed)
            run.notRebuilt.append(result);
        ++filesDone;
    }

    if (groups.catalogues && next(stepText(names.formaFileName()))) {
        count();
        if (rebuildShown(FileId::forma, names.formaFileName(), {}, run).outcome == Outcome::Rebuilt)
            count();
        ++filesDone;
        for (const auto &file : catalogues) {
            if (!next(stepText(names.fileName(file.id))))
                break;
            rebuildShown(file.id, names.fileName(file.id), file.message, run);
            count();
            ++filesDone;
        }
    }

    if (groups.reference) {
        for (const auto &file : reference) {
            if (!next(stepText(file.name)))
                break;
            rebuildShown(file.id, file.name, file.message, run);
            count();
            ++filesDone;
        }
    }
    steps.step(filesDone);

    if (!run.notRebuilt.isEmpty())
        m_prompter.message(notRebuiltText(run.notRebuilt), {}, {}, runtime::MessageIcon::Warning);
    m_prompter.message(run.cancelled ? cancelledText() : done);
    return run;
}

KeyRebuild::RunResult KeyRebuild::rebuildGroups(int year, Groups groups)
{
    return rebuildGroups(year, groups, Progress());
}

QString KeyRebuild::notRebuiltText(const QList<FileResult> &files)
{
    QStringList lines{QStringLiteral("Ключи этих файлов не восстановлены:")};
    for (const FileResult &file : files) {
        const QString reason = file.error.code == ErrorCode::AccessDenied
                                   ? QStringLiteral("файл открыт другим окном или программой")
                                   : file.error.message;
        lines.append(QStringLiteral("%1 - %2").arg(shownName(file.path), reason));
    }
    lines.append(QStringLiteral("Закройте окна и программы, которые их используют, и повторите."));
    return lines.join(QLatin1Char('|'));
}

} // namespace zemor::shell
