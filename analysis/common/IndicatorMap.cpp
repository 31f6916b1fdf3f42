#include "analysis/common/IndicatorMap.h"

#include "data/DataContext.h"
#include "data/ReferenceNames.h"
#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"
#include "runtime/office/DesktopOpener.h"
#include "runtime/store/TextLineFile.h"
#include "runtime/text/Cp1251.h"

#include <algorithm>

namespace zemor::analysis {

using runtime::Decimal;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;

namespace {

constexpr int kPlaces = 3;

QString withoutTrailingBlanks(QString text)
{
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

// The position of a layer, written as a style sheet: the pictures of all layers stack.
QString layerStyle(int left, int top, int width)
{
    return QStringLiteral("position:absolute; left:%1px; top:%2px; width:%3%; "
                          "visibility:visible; z-index:1000;")
        .arg(left)
        .arg(top)
        .arg(width);
}

} // namespace

IndicatorMap::IndicatorMap(IndicatorMapSource source)
    : m_title(withoutTrailingBlanks(std::move(source.title))),
      m_rangeCount(std::clamp(source.rangeCount, 0, maxRangeCount)),
      m_regionValue(source.regionValue.rounded(kPlaces))
{
    // Bounds stay as the rank table holds them, negative ones too, so that the legend shows the
    // table's bounds; a positive district value lies in the same ranges either way.
    for (int i = 0; i < 2 * maxRangeCount && i < source.bounds.size(); ++i) {
        const Decimal value = source.bounds.at(i).rounded(kPlaces);
        (i % 2 == 0 ? m_lower : m_upper)[i / 2] = value;
    }
    for (const MapLine &line : source.lines) {
        if (line.value > Decimal() && line.codReg >= 1 && line.codReg <= districtCount)
            m_values[line.codReg - 1] = line.value.rounded(kPlaces);
    }
}

int IndicatorMap::rangeOf(const Decimal &value) const
{
    for (int r = 0; r < maxRangeCount; ++r) {
        if (m_lower[r] <= value && value <= m_upper[r])
            return r + 1;
    }
    return 0;
}

QString IndicatorMap::escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        switch (ch.unicode()) {
        case u'&':
            out += QStringLiteral("&amp;");
            continue;
        case u'<':
            out += QStringLiteral("&lt;");
            continue;
        case u'>':
            out += QStringLiteral("&gt;");
            continue;
        case u'"':
            out += QStringLiteral("&quot;");
            continue;
        default:
            break;
        }
        // The page is Windows-1251; anything else would become "?" on the way.
        if (!runtime::text::unicodeToCp1251(ch.unicode())) {
            char32_t code = ch.unicode();
            if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                code = QChar::surrogateToUcs4(ch, text.at(i + 1));
                ++i;
            }
            out += QStringLiteral("&#%1;").arg(static_cast<quint32>(code));
            continue;
        }
        out += ch;
    }
    return out;
}

QStringList IndicatorMap::pageLines(const MapOptions &options,
                                    const QHash<int, QString> &names) const
{
    const int set = std::clamp(options.pictureSet, 1, pictureSetCount);
    const QString title = escaped(m_title);
    QStringList lines;
    lines << QStringLiteral(R"(<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.0 Transitional//EN">)")
          // The mark a browser leaves on a saved page; this address keeps the page local.
          << QStringLiteral("<!-- saved from url=(0014)about:internet -->")
          << QStringLiteral("<HTML>") << QStringLiteral("<HEAD>")
          << QStringLiteral("<META http-equiv=Content-Type content=text/html;charset=windows-1251>")
          << QStringLiteral(R"(<!--<SCRIPT language="JavaScript" src="script_my.js">)")
          << QStringLiteral("</SCRIPT>-->");
    if (options.title) {
        switch (std::clamp(options.titleSize, 1, 3)) {
        case 1:
            lines << QStringLiteral("<H5 align=center colspan=5>") + title +
                         QStringLiteral("</H5>");
            break;
        case 2:
            lines << QStringLiteral("<H4 align=center>") + title + QStringLiteral("</H4>");
            break;
        default:
            lines << QStringLiteral("<H3 align=center>") + title + QStringLiteral("</H3>");
            break;
        }
    }
    lines << QStringLiteral("<TABLE width=78% height=62% valign=bottom align=center border=0>"
                            "<TR><TD height=60%></TD></TR></TABLE>");
    for (int d = 1; d <= districtCount; ++d) {
        const Decimal &value = m_values[d - 1];
        if (!(value > Decimal()))
            continue;
        const int r = rangeOf(value);
        if (r == 0)
            continue;
        lines << QStringLiteral(R"(<div id="Layer%1" style="%2"><img src="Images/%3/%4/%1.gif" )"
                                R"(width="90%"></div>)")
                     .arg(d)
                     .arg(layerStyle(15, 30, 90))
                     .arg(set)
                     .arg(r);
    }
    lines << QStringLiteral(
                 R"(<div id="Layer27" style="%1"><img src="Images/name_r.gif" width="90%"></div>)")
                 .arg(layerStyle(15, 27, 90));
    if (options.valueTable) {
        lines << QStringLiteral(R"(<div id="Layer28" style="%1">)").arg(layerStyle(25, 5, 96))
              << QStringLiteral("<TABLE  width=10% valign=bottom align=right border=1 "
                                "CELLSPACING=0 CELLPADDING=0>");
        for (int d = 1; d <= districtCount; ++d) {
            lines << QStringLiteral("<TR><TD align=center><I><font Size=1>%1</FONT></I></TD>"
                                    "<TD align=center><font Size=1>%2</FONT></TD></TR>")
                         .arg(escaped(withoutTrailingBlanks(names.value(d))),
                              m_values[d - 1].toString());
        }
    }
    lines << QStringLiteral("</Table></div>");
    if (options.legend || options.regionValue) {
        lines << QStringLiteral("<TABLE width=80% valign=bottom align=left border=1>");
        if (options.legend) {
            lines << QStringLiteral("  <TR><TD align=left>");
            for (int r = 1; r <= m_rangeCount; ++r) {
                if (r > 1)
                    lines << QStringLiteral("  <TD align=left>");
                lines << QStringLiteral(R"(   <img src="Images/%1/%2/legend.gif" width="20">)")
                             .arg(set)
                             .arg(r)
                      << QStringLiteral("    <B>%1</B> - <B>%2</B>")
                             .arg(m_lower[r - 1].toString(), m_upper[r - 1].toString());
                if (r < m_rangeCount)
                    lines << QStringLiteral("  </TD>");
            }
            lines << QStringLiteral("  </TD></TR>");
        }
        if (options.regionValue) {
            lines << QStringLiteral("  <TD align=center colspan=5>")
                  << QStringLiteral("   Показатель по области <B> %1</B>")
                         .arg(m_regionValue.toString())
                  << QStringLiteral("  </TD></TR>");
        }
    }
    lines << QStringLiteral("</HEAD>") << QStringLiteral("</HTML>");
    return lines;
}

Result<QString> IndicatorMap::write(const QString &dir, const MapOptions &options,
                                    const QHash<int, QString> &names) const
{
    // An existing page of another letter case is the one replaced, never a second one beside it.
    QString path = runtime::fs::join(dir, pageName());
    if (auto listed = runtime::fs::list(dir, pageName()); listed) {
        for (const runtime::fs::DirEntry &entry : *listed) {
            if (!entry.isDir) {
                path = runtime::fs::join(dir, entry.name);
                break;
            }
        }
    }
    runtime::store::TextLineFile page;
    if (Status created = page.create(path); !created)
        return std::unexpected(created.error());
    for (const QString &line : pageLines(options, names)) {
        if (Status written = page.writeLine(QStringView(line)); !written)
            return std::unexpected(written.error());
    }
    if (Status committed = page.commit(); !committed)
        return std::unexpected(committed.error());
    return path;
}

Status IndicatorMap::show(const MapOptions &options, const QHash<int, QString> &names,
                          runtime::Prompter &prompter, runtime::office::DesktopOpener *opener) const
{
    auto written = write(runtime::fs::workDir(), options, names);
    if (!written) {
        const runtime::Error &error = written.error();
        prompter.message(QStringLiteral("Карта не записана: %1|%2").arg(error.where, error.message),
                         QStringLiteral("Карта"), {}, runtime::MessageIcon::Error);
        return std::unexpected(error);
    }
    prompter.message(startMessage());
    if (opener)
        return opener->open(*written);
    return {};
}

Result<QHash<int, QString>> readDistrictNames(data::DataContext &data)
{
    const auto read = data::ReferenceNames::read(data, data::ReferenceNames::Districts);
    if (!read)
        return std::unexpected(read.error());
    QHash<int, QString> names;
    for (int d = 1; d <= IndicatorMap::districtCount; ++d) {
        if (read->hasDistrict(d))
            names.insert(d, read->district(d));
    }
    return names;
}

} // namespace zemor::analysis
