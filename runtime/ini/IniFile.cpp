#include "runtime/ini/IniFile.h"

#include "runtime/fs/DurableFile.h"
#include "runtime/fs/Paths.h"
#include "runtime/text/Cp1251.h"

#include <QFileInfo>

#include <algorithm>

namespace zemor::runtime::ini {

namespace {

bool sameName(QStringView a, QStringView b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path))
{
    // A file that cannot be read leaves every value at its default; loadStatus() tells why.
    (void)reload();
}

IniFile::Line IniFile::parseLine(const QString &text)
{
    Line line;
    line.text = text;
    const QStringView trimmed = QStringView(text).trimmed();
    if (trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
        return line;
    if (trimmed.startsWith(u'[')) {
        const qsizetype close = trimmed.indexOf(u']');
        if (close > 0) {
            line.kind = Line::Kind::Section;
            line.name = trimmed.sliced(1, close - 1).trimmed().toString();
            return line;
        }
    }
    const qsizetype eq = text.indexOf(u'=');
    if (eq > 0 && !QStringView(text).first(eq).trimmed().isEmpty()) {
        line.kind = Line::Kind::Entry;
        line.name = QStringView(text).first(eq).trimmed().toString();
        line.value = QStringView(text).sliced(eq + 1).trimmed().toString();
    }
    return line;
}

qsizetype IniFile::findEntry(QStringView section, QStringView key) const
{
    bool inSection = section.trimmed().isEmpty();
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line &line = m_lines[i];
        if (line.kind == Line::Kind::Section)
            inSection = sameName(line.name, section);
        else if (inSection && line.kind == Line::Kind::Entry && sameName(line.name, key))
            return i;
    }
    return -1;
}

QString IniFile::value(QStringView section, QStringView key, const QString &defaultValue) const
{
    const qsizetype i = findEntry(section, key);
    return i < 0 ? defaultValue : m_lines[i].value;
}

int IniFile::intValue(QStringView section, QStringView key, int defaultValue) const
{
    const qsizetype i = findEntry(section, key);
    if (i < 0)
        return defaultValue;
    bool ok = false;
    const int v = QStringView(m_lines[i].value).trimmed().toInt(&ok);
    return ok ? v : defaultValue;
}

bool IniFile::contains(QStringView section, QStringView key) const
{
    return findEntry(section, key) >= 0;
}

QStringList IniFile::sections() const
{
    QStringList names;
    for (const Line &line : m_lines) {
        if (line.kind != Line::Kind::Section)
            continue;
        const bool seen = std::any_of(names.cbegin(), names.cend(),
                                      [&](const QString &n) { return sameName(n, line.name); });
        if (!seen)
            names.append(line.name);
    }
    return names;
}

void IniFile::setValue(QStringView section, QStringView key, const QString &value)
{
    Q_ASSERT(!key.trimmed().isEmpty() && !key.contains(u'='));
    QString clean = value;
    clean.replace(u'\r', u' ').replace(u'\n', u' ');
    clean = clean.trimmed(); // what a read would give back

    const qsizetype found = findEntry(section, key);
    if (found >= 0) {
        Line &line = m_lines[found];
        if (line.value == clean)
            return;
        // Keep the key's spelling and the spacing around "=" as the file had them.
        const qsizetype eq = line.text.indexOf(u'=');
        qsizetype valueStart = eq + 1;
        while (valueStart < line.text.size() && line.text[valueStart].isSpace())
            ++valueStart;
        line.text = line.text.first(valueStart) + clean;
        line.value = clean;
        m_modified = true;
        return;
    }

    const QString keyText = key.trimmed().toString();
    Line entry{Line::Kind::Entry, keyText + u'=' + clean, keyText, clean};
    m_modified = true;

    // After the last entry of the section, or right after its header.
    const bool unnamed = section.trimmed().isEmpty();
    qsizetype insertAt = -1;
    bool inSection = unnamed;
    if (unnamed)
        insertAt = 0;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line &line = m_lines[i];
        if (line.kind == Line::Kind::Section) {
            if (unnamed)
                break;
            if (insertAt >= 0 && inSection)
                break; // the first section of that name takes new keys
            inSection = sameName(line.name, section);
            if (inSection && insertAt < 0)
                insertAt = i + 1;
        } else if (inSection && line.kind == Line::Kind::Entry) {
            insertAt = i + 1;
        }
    }
    if (insertAt >= 0) {
        m_lines.insert(insertAt, entry);
        return;
    }

    if (!m_lines.isEmpty() && !m_lines.last().text.trimmed().isEmpty())
        m_lines.append(Line{});
    const QString name = section.trimmed().toString();
    m_lines.append(Line{Line::Kind::Section, u'[' + name + u']', name, {}});
    m_lines.append(entry);
}

void IniFile::setIntValue(QStringView section, QStringView key, int value)
{
    setValue(section, key, QString::number(value));
}

Status IniFile::save()
{
    if (!m_loadStatus)
        return m_loadStatus;

    QByteArray content;
    for (const Line &line : m_lines) {
        content += text::toCp1251(line.text);
        content += "\r\n";
    }

    if (auto written = fs::writeWholeFile(m_path, content); !written)
        return written;
    m_modified = false;
    return {};
}

Status IniFile::reload()
{
    if (!fs::exists(m_path)) {
        m_lines.clear();
        m_modified = false;
        m_loadStatus = {};
        return m_loadStatus;
    }
    auto read = fs::readWholeFile(m_path);
    if (!read) {
        m_loadStatus = std::unexpected(read.error());
        return m_loadStatus;
    }
    const QByteArray &content = *read;

    QList<Line> lines;
    qsizetype start = 0;
    // A line ends at CR LF, LF or a CR alone: a bare CR never joins two lines into one.
    while (start < content.size()) {
        qsizetype end = start;
        while (end < content.size() && content.at(end) != '\n' && content.at(end) != '\r')
            ++end;
        lines.append(
            parseLine(text::fromCp1251(QByteArrayView(content).sliced(start, end - start))));
        if (end + 1 < content.size() && content.at(end) == '\r' && content.at(end + 1) == '\n')
            ++end;
        start = end + 1;
    }
    m_lines = std::move(lines);
    m_modified = false;
    m_loadStatus = {};
    return m_loadStatus;
}

} // namespace zemor::runtime::ini
