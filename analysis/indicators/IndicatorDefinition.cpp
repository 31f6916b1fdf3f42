#include "analysis/indicators/IndicatorDefinition.h"

#include "data/records/GrafaRecord.h"
#include "data/records/TablRecord.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace zemor::analysis {

using namespace Qt::StringLiterals;

namespace {

// Characters `from` .. `from + count - 1` (1-based) of a text; blank beyond its end.
QString chars(const QString &text, int from, int count)
{
    return text.mid(from - 1, count);
}

// A number written in characters, blanks around allowed; 0 when it is blank or not a number.
int numberIn(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : 0;
}

} // namespace

IndicatorDefinition IndicatorDefinition::fromRecord(const data::TablRecord &record)
{
    const QString years = record.nameL();
    IndicatorDefinition d;
    d.id = record.unicodT();
    d.form = int(record.codForm());
    d.name = record.name().left(nameLength);
    d.firstYear = numberIn(chars(years, 1, 4));
    d.lastYear = numberIn(chars(years, 6, 4));
    d.workbook = chars(years, 11, 15).trimmed();
    d.successor = numberIn(chars(years, 30, 5));
    d.kind = int(record.sm());
    d.columns = int(std::clamp<qint64>(record.a(), 0, resultSlotCount));
    d.type = record.type();
    return d;
}

QList<IndicatorDefinition> arrangeDefinitionList(const QList<IndicatorDefinition> &candidates,
                                                 bool series, int from, int to, int year)
{
    QList<IndicatorDefinition> list;
    for (const IndicatorDefinition &d : candidates) {
        if (series ? d.overlaps(from, to) : d.isValidIn(year))
            list.append(d);
    }
    if (series && !list.isEmpty()) {
        std::stable_sort(list.begin(), list.end(),
                         [](const IndicatorDefinition &a, const IndicatorDefinition &b) {
                             return a.firstYear < b.firstYear;
                         });
        // A successor is reached through the definition before it; only one listed after its
        // predecessor is left out, so that a chain that runs in a circle keeps its first entry.
        QSet<int> leftOut;
        for (int i = 0; i < list.size(); ++i) {
            if (list[i].successor == 0)
                continue;
            for (int j = i + 1; j < list.size(); ++j) {
                if (list[j].id == list[i].successor && list[j].id != list[i].id)
                    leftOut.insert(j);
            }
        }
        QList<IndicatorDefinition> kept;
        for (int i = 0; i < list.size(); ++i) {
            if (!leftOut.contains(i))
                kept.append(list[i]);
        }
        list = kept;
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const IndicatorDefinition &a, const IndicatorDefinition &b) {
                         if (a.form != b.form)
                             return a.form < b.form;
                         return a.name < b.name;
                     });
    return list;
}

std::optional<IndicatorDefinition> definitionOfChain(const QList<IndicatorDefinition> &list,
                                                     const QList<IndicatorDefinition> &candidates,
                                                     const IndicatorDefinition &chosen)
{
    for (const IndicatorDefinition &d : list) {
        if (d.id == chosen.id)
            return d;
    }
    QHash<qint32, qint32> successors;
    for (const IndicatorDefinition &d : candidates)
        successors.insert(d.id, d.successor);
    successors.insert(chosen.id, chosen.successor);
    // Whether `to` is reached from `from` through the successors (a chain that runs in a circle
    // ends where it began).
    const auto reaches = [&](qint32 from, qint32 to) {
        QSet<qint32> seen;
        for (qint32 id = from; id != 0 && !seen.contains(id); id = successors.value(id)) {
            if (id == to)
                return true;
            seen.insert(id);
        }
        return false;
    };
    for (const IndicatorDefinition &d : list) {
        if (reaches(d.id, chosen.id) || reaches(chosen.id, d.id))
            return d;
    }
    return std::nullopt;
}

IndicatorColumn IndicatorColumn::fromRecord(const data::GrafaRecord &record)
{
    IndicatorColumn c;
    c.number = record.cod();
    c.heading = record.name();
    c.shortHeading = record.nameL();
    c.width = record.l() == 0 ? 9 : record.l();
    const QString format = record.format();
    if (format.startsWith(u'1')) {
        c.adaptive = true;
        c.picture = format.mid(1).trimmed();
    } else {
        c.picture = format.trimmed();
    }
    if (c.picture.isEmpty())
        c.picture = u"@S15"_s;
    return c;
}

void ColumnPictures::apply(const QList<IndicatorColumn> &columns)
{
    for (const IndicatorColumn &c : columns) {
        if (!isResultSlot(c.number))
            continue;
        pictures[size_t(c.number - 1)] = c.picture;
        adaptive[size_t(c.number - 1)] = c.adaptive;
    }
}

} // namespace zemor::analysis
