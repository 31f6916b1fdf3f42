#pragma once

// A run of the intra-form controls (`RunIntraFormControls`) without its windows: for the chosen
// forms and periods it builds the report of one institution, of each of several institutions,
// of a district, of each district or of the whole region (RunReportSource), checks each
// non-empty one against every rule of its form (ReportControlCheck over the rules resolved once
// per form) and lists every failure with its form, institution or district, rule and deviation.
//
// The year is the run's own (the request's), never the process-wide one: a change of the
// frame's year while a run goes on changes nothing of it.
//
// Two ways to run:
// - interactive: every form for the one period range of the request;
// - called (export and imports): every form entry for its own period; an entry for which no
//   record was found is named as not checked and counts as an error for the caller, never as
//   passed.
// A form whose catalogue, rules or data cannot be read is named as not checked and the run goes
// on with the next one. The rules of each form are read from the catalogue and rule files and
// resolved once per run object and year, and kept for its further runs: a caller that runs the
// controls again and again within one load (an import, institution by institution) keeps one
// object for the load and reads those files once; a form whose files could not be read is read
// again by the next run. What the checks say about faulty rules is collected once per run and
// listed with the results, not shown report by report. The progress counts the reports built;
// a cancelled run returns Cancelled and no result.

#include "entry/ControlFailure.h"
#include "entry/ReportControlCheck.h"
#include "entry/ResolvedRules.h"
#include "entry/RunReportSource.h"
#include "runtime/core/Error.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/report/PageList.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <utility>

namespace zemor::data {
class DataContext;
}
namespace zemor::shell {
struct AppState;
}
namespace zemor::runtime {
class Progress;
}

namespace zemor::entry {

// `?OPTION1` of the run.
enum class RunScope {
    Institution = 1,  // "  ЛПУ": one institution
    Institutions = 2, // "Разрез ЛПУ": each of a set of institutions
    District = 3,     // "РАЙОН": one district as a whole
    Districts = 4,    // "Разрез  районы": each district as a whole
    Region = 5,       // "ОБЛАСТЬ": the whole region
};

// An institution or a district to check (`QU`).
struct RunEntity
{
    qint32 institution = 0; // QU:CODUCH; 0 for a district
    int district = 0;       // QU:CODREG
    QString name;           // QU:NAME
    QString districtName;   // REG:NAME of the district
};

struct RunRequest
{
    int year = 0;
    RunScope scope = RunScope::District;
    qint32 periodFrom = 0;    // ?MES1
    qint32 periodTo = 0;      // ?MES2
    bool called = false;      // each form for its own period (RunForm::period)
    bool oneDistrict = false; // ?LOCRAI: the institutions of one district
    QList<RunForm> forms;     // the marked forms
    // Scopes 1 and 2: the institutions; 3 and 4: the districts; 5: none.
    QList<RunEntity> entities;
};

// One failure of a run (`QS1`).
struct RunLine
{
    qint64 ruleId = 0;          // QS1:COD, whole
    qint32 entityCode = 0;      // QS1:CODUCH: the institution (scope 2) or district (scope 4)
    QString entityName;         // QS1:UCH
    qint64 form = 0;            // QS1:CODFORM
    runtime::Decimal deviation; // QS1:OTKL
    QString text;               // QS1:S
    qint64 table = 0;           // QS1:CODTAB
    int district = 0;           // QS1:CODREG (scope 2)
    QString districtName;       // REG:NAME of that district
};

struct RunOutcome
{
    QList<RunLine> failures;
    int reportsChecked = 0;
    QStringList diagnostics;  // faulty rules and unreadable files, each once
    QList<RunForm> unchecked; // forms (called: entries) that were not checked
    bool anyExchangeFile = false;

    // Whether a caller's error flag is to be set: a failure, or an entry left unchecked.
    bool callerError() const { return !failures.isEmpty() || !unchecked.isEmpty(); }
};

// Shows what a called run found (its failures, the entries it did not check, the rule
// diagnostics) before the caller asks whether to go on: the exchange procedures hand it to the
// logic that runs the controls; the windows' own opens the run's result window.
class RunResultsViewer
{
public:
    virtual ~RunResultsViewer() = default;
    virtual void show(const RunRequest &request, const RunOutcome &outcome) = 0;
};

class ControlRun
{
public:
    // `source` gives the reports; the context reads the catalogue and the rules of each form.
    ControlRun(data::DataContext &context, RunReportSource &source)
        : m_context(context), m_source(source)
    {
    }

    [[nodiscard]] runtime::Result<RunOutcome> run(const RunRequest &request,
                                                  runtime::Progress *progress = nullptr);

    // --- what the windows of a run show

    static QString noFailuresText() { return QStringLiteral("Ошибок нет"); }
    static QString noReportsText() { return QStringLiteral("ОТЧЕТОВ НЕТ"); }
    static QString badPeriodText() { return QStringLiteral("Исправте период"); }
    static QString cancelledText()
    {
        return QStringLiteral("Контроль прерван: результаты неполные");
    }
    static QString notCheckedText() { return QStringLiteral("Не проверено: "); }
    // The list of failures: rule id (wide enough for whole ids), code, name, form, deviation,
    // text.
    static QString resultListFormat();

    // The default period of the interactive run: the month before `today` (12 in January).
    static int defaultPeriod(const QDate &today);
    // Whether ?MES1 .. ?MES2 is a period range the run accepts.
    static bool periodRangeValid(qint32 from, qint32 to) { return to >= from && to <= 12; }
    // The message a finished run shows instead of its list (when showsResultList() is false);
    // empty when the list is shown or, in a called run over exchange files without failures and
    // unchecked entries, when nothing is shown at all.
    static QString closingMessage(const RunRequest &request, const RunOutcome &outcome);
    // A called run's answer in its caller's error flag: 1 after a failure, an entry left
    // unchecked or a cancelled run; otherwise the flag stays as it was.
    static void markCaller(const runtime::Result<RunOutcome> &outcome, quint8 &flag)
    {
        if (!outcome || outcome->callerError())
            flag = 1;
    }
    // The failures as the result list shows them (`ShowRunResults`): sorted by name; in scope 2
    // over every district each name is preceded by its district's name and a blank.
    static QList<RunLine> resultLines(const RunRequest &request, const RunOutcome &outcome);
    // What the results say under their failures: "Не проверено: " and the forms (entries, with
    // their periods) left unchecked, then each rule diagnostic; empty when there is neither.
    static QStringList notes(const RunRequest &request, const RunOutcome &outcome);
    // Whether the results are shown in their window rather than in a message: a failure or a
    // rule diagnostic to list.
    static bool showsResultList(const RunOutcome &outcome)
    {
        return !outcome.failures.isEmpty() || !outcome.diagnostics.isEmpty();
    }

    // The printed list (?PRNT): a header with the chosen district and institution, then one
    // line per failure as resultLines() gives them, then the notes.
    static runtime::report::PageList printResults(const QList<RunLine> &lines, int year,
                                                  const QString &districtName,
                                                  const QString &institutionName,
                                                  const QStringList &notes = {});
    static QString resultsTitle() { return QStringLiteral("Внутриформенные контроли"); }

    // The forms of the interactive list: every form of the year with a code up to 800 that is
    // not switched off, in file order.
    [[nodiscard]] static runtime::Result<QList<RunForm>> yearForms(data::DataContext &context,
                                                                   int year);
    // The institutions the institution pick list gives in fill mode for the run's year (of one
    // district, or of every district), each with its district's name: the entities of scope 2
    // and of a called run over every institution of a district.
    [[nodiscard]] static runtime::Result<QList<RunEntity>>
    institutions(data::DataContext &context, const shell::AppState &state, int year,
                 std::optional<int> district);
    // Every district of `region1` in file order (scope 4).
    [[nodiscard]] static runtime::Result<QList<RunEntity>> districts(data::DataContext &context);

    static constexpr qint64 highestRunForm = 800;

private:
    // The rules of `form` in `year` resolved against its catalogue, read on first use.
    [[nodiscard]] runtime::Result<const ResolvedRules *> rulesOf(int year, qint64 form);

    data::DataContext &m_context;
    RunReportSource &m_source;
    std::map<std::pair<int, qint64>, ResolvedRules> m_rules;
    // Used for every report of every run, so that its work buffers are made once.
    ReportControlCheck m_check;
};

} // namespace zemor::entry
