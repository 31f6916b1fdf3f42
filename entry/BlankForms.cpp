#include "entry/BlankForms.h"

#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"
#include "runtime/office/Conversation.h"
#include "runtime/store/TextLineFile.h"

#include <QDir>
#include <QFileInfo>

namespace zemor::entry {

using runtime::ErrorCode;
using runtime::Result;
using namespace Qt::StringLiterals;

Result<QList<BlankEntry>> BlankForms::readList(const QString &path)
{
    const auto lines = runtime::store::TextLineFile::readTextLines(path);
    if (!lines) {
        if (lines.error().code == ErrorCode::FileNotFound)
            return QList<BlankEntry>();
        return std::unexpected(lines.error());
    }
    QList<BlankEntry> list;
    for (const QString &line : *lines) {
        if (!line.trimmed().isEmpty())
            list.append(entryOf(line, int(list.size()) + 1));
    }
    return list;
}

BlankEntry BlankForms::entryOf(const QString &line, int number)
{
    BlankEntry entry;
    entry.number = number;
    const qsizetype bang = line.indexOf(u'!');
    if (bang < 0) {
        entry.name = line.left(150).trimmed();
    } else {
        entry.path = line.left(bang).trimmed().left(100);
        entry.name = line.mid(bang + 1).left(150).trimmed();
    }
    entry.kind = kindOf(entry.path);
    return entry;
}

int BlankForms::kindOf(const QString &path)
{
    const QString name = path.trimmed();
    if (name.endsWith(u"xls"_s))
        return 1;
    if (name.endsWith(u"doc"_s))
        return 2;
    return 0;
}

QString BlankForms::copyName(const QString &path)
{
    const QString name = path.trimmed();
    const qsizetype slash = name.indexOf(u'\\');
    return (slash < 0 ? name : name.mid(slash + 1)).left(50);
}

int BlankForms::connect(const QString &service, const QString &startText)
{
    int channel = m_office.open(service, u"SYSTEM"_s);
    if (channel == 0) {
        m_prompter.message(startText);
        channel = m_office.open(service, u"SYSTEM"_s);
    }
    return channel;
}

namespace {

bool inside(const QString &path, const QString &folder)
{
    return QDir::cleanPath(path).startsWith(QDir::cleanPath(folder) + u'/');
}

} // namespace

BlankForms::Outcome BlankForms::open(const BlankEntry &entry, QString *copied)
{
    if (entry.kind == 0 || entry.path.isEmpty())
        return Outcome::NotOpenable;

    const auto docs = runtime::fs::resolve(u"\\doc"_s);
    const auto source = runtime::fs::resolve(u"\\doc\\"_s + entry.path);
    const auto temp = runtime::fs::resolve(u"\\temp1"_s);
    const QString name = copyName(entry.path);
    if (!docs || !source || !temp || !inside(*source, *docs) ||
        !inside(QDir(*temp).filePath(QString(name).replace(u'\\', u'/')), *temp)) {
        m_prompter.message(refusedText() + entry.path, {}, {}, runtime::MessageIcon::Warning);
        return Outcome::Refused;
    }
    const QString copy = QDir::cleanPath(QDir(*temp).filePath(QString(name).replace(u'\\', u'/')));

    // The earlier copy goes first, so that the blank opens as it came with the installation.
    (void)runtime::fs::makeDir(*temp);
    runtime::Status done;
    if (QFileInfo::exists(copy))
        done = runtime::fs::removeFile(copy);
    if (done)
        done = runtime::fs::copyFile(*source, copy);
    if (!done) {
        m_prompter.message(copyFailedText() + entry.path + u'|' + done.error().message, {}, {},
                           runtime::MessageIcon::Error);
        return Outcome::CopyFailed;
    }
    if (copied)
        *copied = copy;

    const bool word = entry.kind == 2;
    const int channel =
        word ? connect(u"WinWord"_s, startWordText()) : connect(u"Excel"_s, startExcelText());
    if (channel == 0)
        return Outcome::Unreachable;
    const QString command =
        word ? u"[FileOpen (\""_s + copy + u"\")]"_s : u"[OPEN.TEXT(\""_s + copy + u"\")]"_s;
    const runtime::Status executed = m_office.execute(channel, command);
    const runtime::Status closed = m_office.close(channel);
    const runtime::Status &failed = !executed ? executed : closed;
    if (!failed) {
        m_prompter.message(failed.error().message + u'|' + failed.error().where, {}, {},
                           runtime::MessageIcon::Error);
        return Outcome::Failed;
    }
    return Outcome::Opened;
}

} // namespace zemor::entry
