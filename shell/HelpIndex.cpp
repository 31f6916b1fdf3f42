#include "shell/HelpIndex.h"

#include "runtime/fs/Paths.h"
#include "runtime/store/TextLineFile.h"

namespace zemor::shell {

namespace {
constexpr int lineLength = 100;
constexpr int fileWidth = 20;
constexpr int titleWidth = 50;
} // namespace

HelpSection HelpIndex::parseLine(const QString &line)
{
    const QString used = line.left(lineLength);
    HelpSection section;
    section.file = used.left(fileWidth).trimmed();
    section.title = used.mid(fileWidth, titleWidth);
    while (section.title.endsWith(QLatin1Char(' ')))
        section.title.chop(1);
    return section;
}

QString HelpIndex::formatLine(const HelpSection &section)
{
    return section.file.left(fileWidth).leftJustified(fileWidth, QLatin1Char(' ')) +
           section.title.left(titleWidth);
}

runtime::Result<QList<HelpSection>> HelpIndex::read(const QString &path)
{
    const auto lines = runtime::store::TextLineFile::readLines(path);
    if (!lines)
        return std::unexpected(lines.error());
    QList<HelpSection> sections;
    sections.reserve(lines->size());
    for (const QByteArray &line : *lines)
        sections.append(parseLine(runtime::store::TextLineFile::decode(line)));
    return sections;
}

runtime::Result<QList<HelpSection>> HelpIndex::readWorkDir()
{
    const auto path = runtime::fs::resolve(fileName());
    if (!path)
        return std::unexpected(path.error());
    return read(*path);
}

int HelpIndex::initialSection(int count, int section, bool preselect)
{
    if (count <= 0)
        return -1;
    if (preselect && section >= 1 && section <= count)
        return section - 1;
    return 0;
}

QString HelpIndex::picturePath(const HelpSection &section)
{
    if (section.file.trimmed().isEmpty())
        return {};
    const auto path = runtime::fs::resolve(section.file);
    return path ? *path : QString();
}

} // namespace zemor::shell
