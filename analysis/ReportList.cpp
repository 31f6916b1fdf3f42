#include "analysis/ReportList.h"

#include "data/Codes.h"
#include "data/DataContext.h"
#include "data/ExistingFile.h"
#include "data/FileNames.h"
#include "data/OpenedFile.h"
#include "data/ReadInside.h"
#include "data/ReferenceNames.h"
#include "data/records/BolnRecord.h"
#include "data/records/OtchetRecord.h"
#include "entry/FormCatalogue.h"
#include "runtime/store/Scan.h"
#include "runtime/store/Transaction.h"
#include "runtime/text/FixedString.h"

#include <QDate>
#include <QHash>

#include <algorithm>
#include <limits>
#include <optional>

namespace zemor::analysis {

using data::FileId;
using data::OpenedFile;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;
using runtime::store::KeyedFile;
using runtime::store::Transaction;
using runtime::text::clipped;

namespace {

QString num(qint64 value)
{
    return QString::number(value);
}

bool isAnnual(int periodKind)
{
    return periodKind == 0;
}

// The highest period of a periodicity, 0 for those without a bound of their own.
int periodsOf(int periodKind)
{
    switch (periodKind) {
    case 1:
        return 12;
    case 2:
        return 4;
    case 3:
        return 2;
    default:
        return 0;
    }
}

// The latest period of an open report data file: the period of its last report in key order;
// a period 0 of a form with periods is yesterday's day number for a daily form and 1 for the
// others. None for a file without reports.
Result<std::optional<qint32>> latestStoredPeriod(KeyedFile &file, int periodKind)
{
    data::OtchetRecord r(file.record());
    const Result<bool> last = runtime::store::last(file, data::OtchetRecord::KeyCodUch);
    if (!last)
        return std::unexpected(last.error());
    if (!*last)
        return std::nullopt;
    if (r.mes() != 0 || isAnnual(periodKind))
        return r.mes();
    if (periodKind == 5)
        return qint32(QDate::currentDate().toJulianDay() - 1);
    return 1;
}

// A report's text in a title: district, blank, name, "(", period and tag, ")".
QString reportText(const ReportListEntry &e, const QString &periodTag)
{
    QString district = clipped(e.districtName);
    if (e.district < 100)
        district += QStringLiteral(" р-н");
    return district + u' ' + clipped(e.name) + u'(' + num(e.period) + clipped(periodTag) + u')';
}

// The first letter of `text` in the other case, for Cyrillic letters only.
QString otherCaseFirst(const QString &text)
{
    if (text.isEmpty())
        return text;
    QString other = text;
    const char16_t c = text.at(0).unicode();
    if (c >= u'А' && c <= u'Ю')
        other[0] = QChar(char16_t(c + 0x20));
    else if (c >= u'а' && c <= u'я')
        other[0] = QChar(char16_t(c - 0x20));
    return other;
}

} // namespace

QString ReportList::wrongDistrictText(qint32 institution)
{
    return QStringLiteral("Неверен регион-код лпу") + num(institution);
}

void ReportList::setYear(int year)
{
    if (year == m_year)
        return;
    m_year = year;
    m_entries.clear();
}

bool ReportList::chooseForm(const ReportListForm &form)
{
    if (form.code == 0 || form.code == m_form.code)
        return false;
    const bool periodicityChanged = form.periodKind != m_form.periodKind || m_form.code == 0;
    m_form = form;
    m_entries.clear();
    if (periodicityChanged) {
        m_from = 1;
        const int bound = periodsOf(form.periodKind);
        if (m_to <= 0 || m_to < m_from)
            m_latest = true;
        else if (bound > 0 && m_to > bound)
            m_to = bound;
    }
    return true;
}

void ReportList::setRange(qint32 from, qint32 to)
{
    m_from = from;
    m_to = to;
    m_latest = false;
}

void ReportList::readLatestPeriod()
{
    if (!m_latest || !periodsShown())
        return;
    // Nothing here is told: a file that cannot be read is the fill's to tell.
    auto file = data::openExisting(data::FileNames::otchetFileName(m_year, int(m_form.code)),
                                   FileId::otchet);
    if (!file)
        return;
    std::optional<qint32> latest;
    if (*file) {
        KeyedFile &otchet = **file;
        const auto read =
            data::readInside(otchet, [&] { return latestStoredPeriod(otchet, m_form.periodKind); });
        if (!read)
            return;
        latest = *read;
    }
    m_from = latest.value_or(m_from);
    m_to = latest.value_or(1);
}

void ReportList::resetFilters()
{
    m_city = true;
    m_village = true;
    m_kindFilter = 0;
    m_districtFilter = 0;
    m_districtText = data::regionName();
    m_kindText.clear();
}

Status ReportList::fill(data::DataContext &ctx)
{
    m_messages.clear();
    m_entries.clear();
    ctx.names().setYearFileNames(m_year, data::YearNameSet::ReportList);
    if (isAnnual(m_form.periodKind)) {
        m_from = 0;
        m_to = 0;
        m_latest = false;
    }
    resetFilters();

    // The reports: one entry per institution and period, in key order.
    ctx.names().setOtchetFileName(m_year, int(m_form.code));
    qint32 largest = 0;
    bool anySeen = false;
    const Status listed = data::readInside(ctx, FileId::otchet, [&](OpenedFile &opened) -> Status {
        KeyedFile &file = opened.file();
        data::OtchetRecord r(file.record());
        if (m_latest) {
            const auto latest = latestStoredPeriod(file, m_form.periodKind);
            if (!latest)
                return std::unexpected(latest.error());
            if (*latest) {
                m_from = m_to = **latest;
                m_latest = false;
            }
        }
        file.clearRecord();
        r.setMes(m_from);
        r.setCodUch(std::numeric_limits<qint32>::min());
        r.setUnicodStr(std::numeric_limits<qint16>::min());
        const bool unbounded = m_latest;
        return runtime::store::scan(file, data::OtchetRecord::KeyCodUch, -1, [&]() -> bool {
            if (!unbounded && r.mes() > m_to)
                return false;
            if (!m_entries.isEmpty() && m_entries.constLast().institution == r.codUch() &&
                m_entries.constLast().period == r.mes())
                return true;
            ReportListEntry e;
            e.institution = r.codUch();
            e.district = r.codReg();
            e.period = r.mes();
            m_entries.append(e);
            largest = anySeen ? std::max(largest, r.mes()) : r.mes();
            anySeen = true;
            return true;
        });
    });
    if (!listed)
        return listed;
    if (m_latest) {
        m_to = anySeen ? largest : 1;
        m_latest = false;
    }
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const auto &a, const auto &b) { return a.institution < b.institution; });

    // The choice lists and the names of the entries.
    QHash<int, QString> districtNames;
    QHash<int, QString> kindNames;
    m_districts.clear();
    m_kinds.clear();
    const auto districts = data::ReferenceNames::read(ctx, data::ReferenceNames::Districts);
    if (!districts)
        return std::unexpected(districts.error());
    for (const data::ReferenceName &d : districts->districts()) {
        m_districts.append({clipped(d.name), int(d.code)});
        districtNames.insert(int(d.code), clipped(d.name));
    }
    m_districts.append({data::regionName(), 0});
    m_districts.append({QStringLiteral("Районы"), districtGroupDistricts});
    m_districts.append({QStringLiteral("Таргин+Сарвенск"), districtGroupCities});
    m_districts.append({QStringLiteral("Муниципальные"), districtGroupMunicipal});
    std::stable_sort(m_districts.begin(), m_districts.end(),
                     [](const auto &a, const auto &b) { return a.code < b.code; });
    const auto kinds = data::ReferenceNames::read(ctx, data::ReferenceNames::Kinds);
    if (!kinds)
        return std::unexpected(kinds.error());
    for (const data::ReferenceName &k : kinds->kinds()) {
        m_kinds.append({clipped(k.name.left(23)), int(k.code)});
        kindNames.insert(int(k.code), clipped(k.name));
    }
    m_kinds.append({QStringLiteral("Все виды ЛПУ"), 0});
    std::stable_sort(m_kinds.begin(), m_kinds.end(),
                     [](const auto &a, const auto &b) { return a.code < b.code; });

    const Status named = data::readInside(ctx, FileId::boln, [&](OpenedFile &opened) -> Status {
        KeyedFile &file = opened.file();
        data::BolnRecord b(file.record());
        for (ReportListEntry &e : m_entries) {
            const qint32 code = e.institution;
            if (code == data::RegionTotalCode) {
                e.districtName = data::regionAdjective();
                e.name = QStringLiteral(" область");
            } else if (code == data::DistrictsTotalCode) {
                e.districtName = QStringLiteral("Районы ");
                e.name = QStringLiteral(" области");
            } else if (const auto district = data::districtOfTotalCode(code)) {
                e.districtName = districtNames.value(e.district, QStringLiteral("???"));
                e.name = e.kindName = data::districtTotalSuffix(*district);
            } else {
                file.clearRecord();
                b.setUnicod(code);
                const Result<bool> found = runtime::store::find(file, data::BolnRecord::KeyUnicod);
                if (!found)
                    return std::unexpected(found.error());
                if (!*found) {
                    e.name =
                        QStringLiteral("uch") + num(code) + QStringLiteral("reg") + num(e.district);
                    continue;
                }
                e.name = clipped(b.nazv());
                e.kind = int(b.vid());
                e.settlement = b.sel();
                e.level = int(b.subVid());
                const int home = int(b.codReg());
                if (e.district != home)
                    m_messages.append(wrongDistrictText(code));
                if (!districtNames.contains(home))
                    e.districtName = QStringLiteral("?bol:codReg=") + num(e.district);
                else if (e.district != home)
                    e.districtName = u'?' + num(e.district) + u' ' + districtNames.value(home);
                else
                    e.districtName = districtNames.value(home);
                if (kindNames.contains(e.kind))
                    e.kindName = kindNames.value(e.kind);
                if (e.settlement == 1)
                    e.settlementName = QStringLiteral("город");
                else if (e.settlement == 2)
                    e.settlementName = QStringLiteral("село");
                else if (e.settlement == 3)
                    e.settlementName = QStringLiteral("село*");
            }
        }
        return {};
    });
    if (!named)
        return named;

    // Whether the columns' kinds matter: a form with a value column of a kind.
    if (isAnnual(m_form.periodKind)) {
        m_ignoreKinds = true;
    } else {
        auto catalogue = entry::FormCatalogue::read(ctx, m_year, m_form.code);
        if (!catalogue)
            return std::unexpected(catalogue.error());
        m_ignoreKinds = true;
        for (const entry::FormTable &t : catalogue->tables()) {
            for (const entry::FormColumn &c : catalogue->columns(t.code)) {
                if (c.kind > 0 && c.type == 0)
                    m_ignoreKinds = false;
            }
        }
    }
    if (m_entries.isEmpty())
        m_messages.append(noReportsText());
    sortForList();
    return {};
}

QStringList ReportList::fieldNames()
{
    return {QStringLiteral("QS:N"),       QStringLiteral("QS:COD"),    QStringLiteral("QS:MES"),
            QStringLiteral("QS:O"),       QStringLiteral("QS:NAMER"),  QStringLiteral("QS:NAMEU"),
            QStringLiteral("QS:NAMESEL"), QStringLiteral("QS:SUBVID"), QStringLiteral("QS:NAME"),
            QStringLiteral("QS:CODREG"),  QStringLiteral("QS:VID"),    QStringLiteral("QS:SEL"),
            QStringLiteral("QS:MARK")};
}

QList<QVariantList> ReportList::lines() const
{
    QList<QVariantList> lines;
    lines.reserve(m_entries.size());
    for (const ReportListEntry &e : m_entries) {
        lines.append({e.number, e.institution, e.period, e.markText(), e.districtName, e.kindName,
                      e.settlementName, e.level, e.name, e.district, e.kind, e.settlement,
                      e.marked ? 1 : 0});
    }
    return lines;
}

QString ReportList::listFormat(int periodKind)
{
    const QString period = periodKind == 5 ? QStringLiteral("17L(1)|M~Дата~L(0)@d5.@E(0800000H,,,)")
                                           : QStringLiteral("17L(1)|M~Период~L(0)E(0800000H,,,)");
    return QStringLiteral("12L|M~N~L(1)@n_3@E(0808080H,,,)20C|M~КодЛПУ~L(2)@s5@E(04000H,,,)") +
           period +
           QStringLiteral("12C|ME(0C4H,0CCFFFFH,,)62L(1)|M~район~L(2)E(,0FFFFE1H,,)25L(1)|M~вид~L("
                          "2)19L(1)|M~село~L(0)19L(1)|M~УровМП~L(0)123L(1)|M~учреждение~L(2)@s100@"
                          "E(,0F0FFF0H,,)");
}

void ReportList::sortForList()
{
    std::stable_sort(m_entries.begin(), m_entries.end(), [](const auto &a, const auto &b) {
        return std::tie(a.district, a.kind, a.institution, a.period) <
               std::tie(b.district, b.kind, b.institution, b.period);
    });
    for (int i = 0; i < m_entries.size(); ++i)
        m_entries[i].number = i + 1;
}

void ReportList::chooseDistrict(const DistrictChoice &choice)
{
    m_districtFilter = choice.code;
    m_districtText = choice.name;
    applyFilters();
}

void ReportList::chooseKind(const KindChoice &choice)
{
    m_kindFilter = choice.code;
    m_kindText = choice.code == 0 ? QString() : choice.name;
    applyFilters();
}

void ReportList::setCity(bool on)
{
    m_city = on;
    applyFilters();
}

void ReportList::setVillage(bool on)
{
    m_village = on;
    applyFilters();
}

bool ReportList::fitsDistrict(const ReportListEntry &e) const
{
    switch (m_districtFilter) {
    case 0:
        return true;
    case districtGroupDistricts:
        return e.district < 100;
    case districtGroupCities:
        return e.district > 100 && e.district < 200;
    case districtGroupMunicipal:
        return e.district < 200;
    default:
        return e.district == m_districtFilter;
    }
}

void ReportList::applyFilters(bool levelMode)
{
    if (!levelMode && m_kindFilter == 0 && m_districtFilter == 0 && m_city && m_village &&
        m_level == 0) {
        unmarkAll();
        return;
    }
    if (levelMode)
        unmarkAll();
    for (ReportListEntry &e : m_entries) {
        bool mark;
        if (levelMode) {
            mark = e.level == m_level;
        } else {
            mark = fitsDistrict(e);
            if (m_kindFilter > 0 && e.kind != m_kindFilter)
                mark = false;
            if (!m_city && e.settlement == 1)
                mark = false;
            if (!m_village && e.settlement > 1)
                mark = false;
        }
        e.marked = mark;
    }
}

void ReportList::toggleMark(int index)
{
    if (index >= 0 && index < m_entries.size())
        m_entries[index].marked = !m_entries[index].marked;
}

void ReportList::markAll()
{
    for (ReportListEntry &e : m_entries)
        e.marked = true;
    resetFilters();
}

void ReportList::unmarkAll()
{
    for (ReportListEntry &e : m_entries)
        e.marked = false;
    resetFilters();
}

QString ReportList::selectByLevel()
{
    if (m_level == 0)
        return noLevelText();
    applyFilters(true);
    m_level = 0;
    return {};
}

int ReportList::markedCount() const
{
    return int(std::count_if(m_entries.begin(), m_entries.end(),
                             [](const ReportListEntry &e) { return e.marked; }));
}

QStringList ReportList::assignCareLevel(data::DataContext &ctx)
{
    QStringList failures;
    auto failed = [&](const ReportListEntry &e, const QString &reason) {
        failures.append(QStringLiteral("Уровень МП не записан для ЛПУ ") + num(e.institution) +
                        QStringLiteral(": ") + reason);
    };
    OpenedFile boln(ctx, FileId::boln);
    if (!boln.status()) {
        for (const ReportListEntry &e : std::as_const(m_entries)) {
            if (e.marked)
                failed(e, boln.status().error().message);
        }
        return failures;
    }
    KeyedFile &file = ctx.file(FileId::boln);
    data::BolnRecord b(file.record());
    for (ReportListEntry &e : m_entries) {
        if (!e.marked)
            continue;
        auto write = [&]() -> Result<bool> {
            auto tx = Transaction::begin(file, Transaction::Kind::Write);
            if (!tx)
                return std::unexpected(tx.error());
            file.clearRecord();
            b.setUnicod(e.institution);
            const Result<bool> found = runtime::store::find(file, data::BolnRecord::KeyUnicod);
            if (!found || !*found)
                return found;
            if (Status s = b.setSubVid(m_level); !s)
                return std::unexpected(s.error());
            if (Status s = file.put(); !s)
                return std::unexpected(s.error());
            if (Status s = tx->commit(); !s)
                return std::unexpected(s.error());
            return true;
        };
        const Result<bool> written = write();
        if (!written)
            failed(e, written.error().message);
        else if (*written)
            e.level = m_level;
    }
    return failures;
}

void ReportList::sortByColumn(int column)
{
    if (column < 1 || column > 9)
        return;
    const bool descending = m_sortState[column] == 1;
    m_sortState[column] = descending ? 2 : 1;
    auto less = [column](const ReportListEntry &a, const ReportListEntry &b) {
        switch (column) {
        case 1:
            return a.number < b.number;
        case 2:
            return a.institution < b.institution;
        case 3:
            return a.period < b.period;
        case 4:
            return a.marked < b.marked;
        case 5:
            return a.districtName < b.districtName;
        case 6:
            return a.kindName < b.kindName;
        case 7:
            return a.settlementName < b.settlementName;
        case 8:
            return a.level < b.level;
        default:
            return a.name < b.name;
        }
    };
    if (descending)
        std::stable_sort(m_entries.begin(), m_entries.end(),
                         [&](const auto &a, const auto &b) { return less(b, a); });
    else
        std::stable_sort(m_entries.begin(), m_entries.end(), less);
}

int ReportList::findByName(const QString &text, int current) const
{
    const QString first = clipped(text);
    if (first.isEmpty())
        return -1;
    const QString second = otherCaseFirst(first);
    auto fits = [&](int i) {
        return m_entries[i].name.contains(first) || m_entries[i].name.contains(second);
    };
    const int start = std::max(0, current + 1);
    for (int i = start; i < m_entries.size(); ++i) {
        if (fits(i))
            return i;
    }
    for (int i = 0; i < std::min<int>(start, int(m_entries.size())); ++i) {
        if (fits(i))
            return i;
    }
    return -1;
}

int ReportList::findByCode(qint32 code) const
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].institution == code)
            return i;
    }
    return -1;
}

MarksAndTitle ReportList::checkMarksAndTitle()
{
    MarksAndTitle r;
    switch (m_form.periodKind) {
    case 1:
        r.periodTag = QStringLiteral("мес");
        break;
    case 2:
        r.periodTag = QStringLiteral("кв");
        break;
    case 3:
        r.periodTag = QStringLiteral("пол");
        break;
    default:
        break;
    }
    QList<const ReportListEntry *> marked;
    for (const ReportListEntry &e : m_entries) {
        if (e.marked)
            marked.append(&e);
    }
    if (m_districtFilter > 0 && m_districtFilter < districtGroupDistricts) {
        for (const ReportListEntry *e : marked) {
            if (e->district != m_districtFilter) {
                r.message = QStringLiteral("Отмечены ЛПУ невходящие в ") + clipped(m_districtText) +
                            QStringLiteral(" регион.");
                return r;
            }
        }
    }
    if (m_kindFilter != 0) {
        for (const ReportListEntry *e : marked) {
            if (e->kind != m_kindFilter)
                m_kindText.clear();
        }
    }

    const QString region = clipped(m_districtText);
    if (m_kindFilter != 0 && m_districtFilter != 0) {
        r.title = m_districtFilter < 100 ? region + QStringLiteral(" р-н ") + m_kindText
                                         : region + u' ' + m_kindText;
    } else if (m_kindFilter != 0) {
        m_districtText = data::regionName() + u' ' + m_kindText;
        r.title = m_districtText;
    } else if (m_districtFilter != 0) {
        r.title = m_districtFilter < 100 ? region + QStringLiteral(" р-н ") : region;
    } else {
        const qsizetype n = marked.size();
        if (n == 0)
            r.title = data::regionName();
        else if (n == 1)
            r.title = reportText(*marked[0], r.periodTag);
        else if (n == 2)
            r.title =
                reportText(*marked[0], r.periodTag) + u';' + reportText(*marked[1], r.periodTag);
        else
            r.title = data::regionName() + u'(' + num(n) + QStringLiteral("отчетов)");
        if (n >= 1) {
            r.singleReportsPending = true;
            m_districtText = r.title.left(70);
        }
    }

    if (m_village != m_city) {
        for (const ReportListEntry *e : marked) {
            if ((m_village && e->settlement < 2) || (m_city && e->settlement != 1)) {
                m_village = m_city = false;
                break;
            }
        }
        if (m_village && !m_city)
            r.title =
                clipped(m_districtText) + u' ' + clipped(m_kindText) + QStringLiteral(" село");
        else if (m_city && !m_village)
            r.title =
                clipped(m_districtText) + u' ' + clipped(m_kindText) + QStringLiteral(" город");
    }

    if (m_kindFilter == 0 && m_city && m_village && !r.singleReportsPending &&
        m_districtFilter < districtGroupDistricts) {
        r.ok = true;
        return r;
    }
    for (const ReportListEntry *e : marked)
        r.selection.append({e->institution, e->period});
    if (marked.size() == 1 && r.singleReportsPending)
        r.title = reportText(*marked[0], r.periodTag);
    if (r.selection.isEmpty()) {
        r.message = nothingToHandOverText();
        r.title.clear();
        return r;
    }
    std::sort(r.selection.begin(), r.selection.end(), [](const auto &a, const auto &b) {
        return std::tie(a.institution, a.period) < std::tie(b.institution, b.period);
    });
    r.ok = true;
    return r;
}

QString ReportList::formatPeriodTitle(int year, int periodKind, qint32 from, qint32 to,
                                      bool wholeRegionSelection, const QString &title)
{
    static const QStringList months = {
        QStringLiteral("январь"),  QStringLiteral("февраль"), QStringLiteral("март"),
        QStringLiteral("апрель"),  QStringLiteral("май"),     QStringLiteral("июнь"),
        QStringLiteral("июль"),    QStringLiteral("август"),  QStringLiteral("сентябрь"),
        QStringLiteral("октябрь"), QStringLiteral("ноябрь"),  QStringLiteral("декабрь")};
    static const QStringList monthsOf = {
        QStringLiteral("января"),  QStringLiteral("февраля"), QStringLiteral("марта"),
        QStringLiteral("апреля"),  QStringLiteral("мая"),     QStringLiteral("июня"),
        QStringLiteral("июля"),    QStringLiteral("августа"), QStringLiteral("сентября"),
        QStringLiteral("октября"), QStringLiteral("ноября"),  QStringLiteral("декабря")};
    auto month = [](const QStringList &names, qint32 m) {
        return m >= 1 && m <= 12 ? names[m - 1] : QString();
    };
    const QString y = num(year);
    const QString yg = y + QStringLiteral("г.");
    const QString ygs = y + QStringLiteral("г. ");
    if (wholeRegionSelection || periodKind == 0)
        return yg + title;
    switch (periodKind) {
    case 1:
        if (from == to)
            return ygs + month(months, to) + QStringLiteral(". ") + title;
        if (from == 1 && to == 12)
            return ygs + title;
        if (from == 1 && to == 3)
            return ygs + QStringLiteral("1квартал. ") + title;
        if (from == 4 && to == 6)
            return ygs + QStringLiteral("2квартал. ") + title;
        if (from == 7 && to == 9)
            return ygs + QStringLiteral("3квартал.") + title;
        if (from == 10 && to == 12)
            return ygs + QStringLiteral("4квартал. ") + title;
        if (from == 1 && to == 6)
            return ygs + QStringLiteral("1-е полугодие. ") + title;
        if (from == 7 && to == 12)
            return ygs + QStringLiteral("2-е полугодие. ") + title;
        return ygs + QStringLiteral("с ") + month(monthsOf, from) + QStringLiteral(" по ") +
               month(months, to) + u'.' + title;
    case 2:
        if (from == 1 && to == 4)
            return ygs + title;
        if (from == 1 && to == 2)
            return ygs + QStringLiteral("1-е полугодие.") + title;
        if (from == 3 && to == 4)
            return ygs + QStringLiteral("2-е полугодие.") + title;
        if (from == to)
            return ygs + num(from) + QStringLiteral(" квартал.") + title;
        return ygs + QStringLiteral("с ") + num(from) + QStringLiteral(" квартала по ") + num(to) +
               u'.' + title;
    case 3:
        if (from == 1 && to == 2)
            return ygs + title;
        return ygs + num(from) + QStringLiteral("-е полугодие.") + title;
    default:
        return title;
    }
}

Result<SummaryRequest> ReportList::summaryRequest()
{
    const MarksAndTitle marks = checkMarksAndTitle();
    if (!marks.ok)
        return runtime::fail(ErrorCode::RecordNotFound, {}, marks.message);
    SummaryRequest request;
    request.year = m_year;
    request.form = m_form;
    request.kindFilter = m_kindFilter;
    request.district = m_districtFilter >= districtGroupDistricts ? 0 : m_districtFilter;
    request.from = m_from;
    request.to = m_to;
    request.selection = marks.selection;
    request.ignoreColumnKinds = m_ignoreKinds;
    const bool wholeRegion = m_kindFilter == 0 && m_city && m_village && request.district == 0 &&
                             !request.selection.isEmpty();
    request.title =
        formatPeriodTitle(m_year, m_form.periodKind, m_from, m_to, wholeRegion, marks.title);
    return request;
}

} // namespace zemor::analysis
