#pragma once

// The list of stored reports of one form over a range of periods, from which the summaries, the
// cross-section and the indicators take their reports: filling it from the form's data file,
// naming each entry from the reference files, marking by district, district group, kind, city
// or village and level of care, the two searches, and the hand-over of the marked reports with
// the title of what they cover.
//
// The list belongs to one form and one year (the caller's, kept here: a summary started from
// the list reads the year the list was filled for). Logic only: what the window must tell the
// user comes back as messages (messages() after fill(); the texts of the hand-over and of the
// level of care in their results), never as a dialog. fill() and assignCareLevel() work through
// the caller's data context and read each file in one read transaction. Nothing here is shared
// between windows.
//
// "Latest period" is a flag of its own: set on opening and on a change of periodicity, cleared
// when the user sets the range; a fill then takes the last period stored in the file, and
// readLatestPeriod() shows it before the fill. A real period 20 (week 20 of a weekly form) is
// just a period.

#include "data/Codes.h"
#include "runtime/core/Error.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace zemor::data {
class DataContext;
}

namespace zemor::analysis {

inline constexpr int districtGroupDistricts = 300; // "Районы"
inline constexpr int districtGroupCities = 400;    // "Таргин+Сарвенск"
inline constexpr int districtGroupMunicipal = 500; // "Муниципальные"

// One line of the list (`QS`).
struct ReportListEntry
{
    int number = 0;         // QS:N
    qint32 institution = 0; // QS:COD
    qint32 period = 0;      // QS:MES
    bool marked = false;    // QS:MARK, QS:O
    QString districtName;   // QS:NAMER
    QString kindName;       // QS:NAMEU
    QString settlementName; // QS:NAMESEL
    int level = 0;          // QS:SUBVID
    QString name;           // QS:NAME
    int district = 0;       // QS:CODREG
    int kind = 0;           // QS:VID
    int settlement = 0;     // QS:SEL

    QString markText() const { return marked ? QStringLiteral("o") : QString(); }
};

struct DistrictChoice // QSR
{
    QString name;
    int code = 0;
};

struct KindChoice // QSV
{
    QString name;
    int code = 0;
};

// A marked report handed on (`QSU`).
struct SelectedReport
{
    qint32 institution = 0; // QSU:CODUCH
    qint32 period = 0;      // QSU:MES

    bool operator==(const SelectedReport &) const = default;
};

// The form the list is of, as the form pick list gives it.
struct ReportListForm
{
    qint64 code = 0;     // LOCCODFORM
    QString designation; // FORCOD
    QString name;
    QString periodName; // NAMETIP
    int periodKind = 0; // FOR:TIP: 0 annual, 1 monthly, 2 quarterly, 3 half-yearly, 5 daily
};

// What CheckMarksAndTitle gives: the title, the selection, or why nothing is started.
struct MarksAndTitle
{
    bool ok = false;
    QString message;                 // shown when not ok
    QString title;                   // SummaryTitle
    QString periodTag;               // PeriodTag
    QList<SelectedReport> selection; // sorted by institution, then period
    bool singleReportsPending = false;
};

// What the summary is started with (the hand-over of "С В О Д     F3").
struct SummaryRequest
{
    int year = 0;
    ReportListForm form;
    QString title; // the period prefix and the SummaryTitle
    int kindFilter = 0;
    int district = 0; // groups arrive as 0
    qint32 from = 0;
    qint32 to = 0;
    QList<SelectedReport> selection;
    bool ignoreColumnKinds = false; // PROST_SWOD
};

class ReportList
{
public:
    static QString noReportsText() { return QStringLiteral("отчетов нет"); }
    static QString nothingToHandOverText() { return QStringLiteral("ТАКИХ ОТЧЕТОВ НЕТ"); }
    static QString noLevelText() { return QStringLiteral("не указан уровень МП"); }
    static QString wrongDistrictText(qint32 institution);

    explicit ReportList(int year) : m_year(year) {}

    int year() const { return m_year; }
    // A changed year empties the list and the selection.
    void setYear(int year);

    // --- the form and the period range
    const ReportListForm &form() const { return m_form; }
    // A form code 0 or the same form changes nothing; another form empties the list, and a
    // change of periodicity resets the range (from 1, "to" the latest period or cut to the
    // periods of the kind). Answers whether the form changed.
    bool chooseForm(const ReportListForm &form);
    qint32 from() const { return m_from; }
    qint32 to() const { return m_to; }
    bool latestPeriod() const { return m_latest; }
    // The user's range: clears the latest-period flag.
    void setRange(qint32 from, qint32 to);
    void setLatestPeriod() { m_latest = true; }
    // While the range is the latest period: from() and to() become the latest period stored
    // in the form's data file of the year, as the next fill will read it (the flag stays, so
    // that the fill reads it again). Reads the file in one read transaction and never creates
    // it: a missing file or one without reports gives "to" 1, as the fill would; a file that
    // cannot be read changes nothing (the fill tells why).
    void readLatestPeriod();
    // Whether the period fields are shown (not for annual forms).
    bool periodsShown() const { return m_form.periodKind != 0; }

    // --- filling
    // FillReportList: reads the form's data file of the year and names every entry. A data file
    // that cannot be opened or read is an error (the context's error manager has reported it).
    [[nodiscard]] runtime::Status fill(data::DataContext &context);
    // What the last fill has to tell ("Неверен регион-код лпу…", "отчетов нет").
    const QStringList &messages() const { return m_messages; }
    const QList<ReportListEntry> &entries() const { return m_entries; }
    // The entries as the lines of a list, one value per field in the order of fieldNames()
    // (the first nine are the list's columns).
    QList<QVariantList> lines() const;
    static QStringList fieldNames();
    // The list format: the period column headed "Дата" with a date picture for daily forms.
    static QString listFormat(int periodKind);
    const QList<DistrictChoice> &districtChoices() const { return m_districts; }
    const QList<KindChoice> &kindChoices() const { return m_kinds; }
    // PROST_SWOD "без учета типа граф", and whether its box is shown.
    bool ignoreColumnKinds() const { return m_ignoreKinds; }
    void setIgnoreColumnKinds(bool ignore) { m_ignoreKinds = ignore; }
    bool ignoreColumnKindsShown() const { return !m_ignoreKinds && m_form.periodKind != 0; }

    // --- filters and marks
    int districtFilter() const { return m_districtFilter; }
    int kindFilter() const { return m_kindFilter; }
    QString districtText() const { return m_districtText; } // NAMEREG
    QString kindText() const { return m_kindText; }         // NAMEUCH
    bool city() const { return m_city; }
    bool village() const { return m_village; }
    int level() const { return m_level; } // LOC_SUBVID
    void setLevel(int level) { m_level = level; }
    void chooseDistrict(const DistrictChoice &choice);
    void chooseKind(const KindChoice &choice);
    void setCity(bool on);
    void setVillage(bool on);
    void applyFilters(bool levelMode = false);
    void toggleMark(int index);
    void markAll();
    void unmarkAll();
    // "Выбрать в списке": blank when done, noLevelText() without a level.
    QString selectByLevel();
    int markedCount() const;

    // "Присвоить ЛПУ": the level of care of every marked institution, 0 included, each record
    // written in a transaction of its own. An entry changes only when its write succeeded; the
    // messages name each institution whose write failed.
    [[nodiscard]] QStringList assignCareLevel(data::DataContext &context);

    // --- ordering and searching
    // Toggles the sort state of list column 1..9 and sorts by it.
    void sortByColumn(int column);
    // The index found from the entry after `current` on, wrapping round; -1 when none.
    int findByName(const QString &text, int current) const;
    int findByCode(qint32 code) const;

    // --- the hand-over
    [[nodiscard]] MarksAndTitle checkMarksAndTitle();
    // The period prefix of the title (FormatPeriodTitle).
    static QString formatPeriodTitle(int year, int periodKind, qint32 from, qint32 to,
                                     bool wholeRegionSelection, const QString &title);
    // Everything the summary is started with, or the message why it is not started.
    [[nodiscard]] runtime::Result<SummaryRequest> summaryRequest();

private:
    void resetFilters();
    bool fitsDistrict(const ReportListEntry &entry) const;
    void sortForList();

    int m_year;
    ReportListForm m_form;
    qint32 m_from = 1;
    qint32 m_to = 1;
    bool m_latest = true;
    QList<ReportListEntry> m_entries;
    QList<DistrictChoice> m_districts;
    QList<KindChoice> m_kinds;
    QStringList m_messages;
    bool m_ignoreKinds = true;
    int m_districtFilter = 0;
    int m_kindFilter = 0;
    QString m_districtText = data::regionName();
    QString m_kindText;
    bool m_city = true;
    bool m_village = true;
    int m_level = 0;
    QList<int> m_sortState = QList<int>(10, 0);
};

} // namespace zemor::analysis
