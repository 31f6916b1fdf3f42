#pragma once

// Exporting reports (`ExportReports` without its windows): the forms of the chosen periods, the
// installation's scope, the control run over the marked forms, and the exchange file written
// from the year's data files and copied to the chosen folder.
//
// The file is written whole or not at all: the work file "export\W" + own code in four digits +
// ".dat" is written under a temporary name and put in place only when every row was added, and
// the target is a copy that appears complete or not at all. A row that cannot be added stops the
// export with an error; the old work file and the old target then stay as they were. An
// institution installation whose own code is 0 writes nothing.

#include "data/Codes.h"
#include "entry/ControlRun.h"
#include "runtime/core/Error.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
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

namespace zemor::exchange {

// Whose reports the installation exports.
struct ExportScope
{
    enum class Kind { Institution = 1, District = 2, Region = 3 };
    Kind kind = Kind::Region;
    data::UserType userType = data::UserType::WholeRegion;
    int district = 0;       // Institution: the installation's district; District: its code
    qint32 institution = 0; // Institution: the own code
    // The code the file's name is built from (the own code, the district code, 0).
    int ownCode() const
    {
        return kind == Kind::Institution ? int(institution) : kind == Kind::District ? district : 0;
    }
    // The own institution code the work file is named after: 0 for district and region
    // installations.
    int workFileCode() const { return kind == Kind::Institution ? int(institution) : 0; }

    static ExportScope of(const shell::AppState &state);
};

// The chosen periods of the period window; 0 when none is chosen.
struct ExportPeriods
{
    int month = 0;      // ?MES
    int quarter = 0;    // ?MES2
    int halfYear = 0;   // ?MES3
    bool annual = true; // ?GOD
};

// A form of the form list (`QS`). A daily form is listed for the chosen month: its period is the
// month, and it sends the reports whose day lies in that month of the year.
struct ExportForm
{
    qint64 code = 0;          // QS:UNICODFOR
    QString name;             // QS:NAMEFOR
    int periodicity = 0;      // QS:TIP
    qint32 period = 0;        // QS:MES
    bool marked = false;      // QS:MARK
    QString kindText() const; // QS:TIPS

    static constexpr int daily = 5;
    // The stored period numbers the form sends in `year`: its period, or for a daily form the
    // day numbers of its month.
    std::pair<qint32, qint32> storedPeriods(int year) const;
};

// A line of the result list (`QS1`).
struct ExportLine
{
    qint64 code = 0;
    QString name;
    QString periodText;
    qint64 rows = 0; // QS1:LOCZAP
    int periodicity = 0;
};

struct ExportRequest
{
    int year = 0;
    ExportScope scope;
    QString path; // ExchangePath, as the user chose it
    QList<ExportForm> forms;
};

struct ExportResult
{
    QList<ExportLine> lines;
    qint64 total = 0; // ?SUMZAP
    QString fileName; // "u284m10F111.dat"; empty when nothing was exported
    QString target;   // where it was copied, on disk; empty when not copied
};

class ExportReports
{
public:
    explicit ExportReports(data::DataContext &context) : m_context(context) {}

    // The form list for the chosen periods: every form of the year not switched off whose
    // periodicity matches a chosen period (daily forms go with the month; weekly and unknown
    // periodicities are not listed), with its period number, sorted by periodicity, then code.
    [[nodiscard]] runtime::Result<QList<ExportForm>> forms(int year, const ExportPeriods &periods);

    // The run of `RunExportControls`: the marked forms, each for its own period (a daily form
    // for each day of its month that has a report to send), of the scope's institution, or of
    // each institution of the district, or of the whole region, as the institution pick list
    // lists them; each report is checked on its own, never summed into a district's.
    [[nodiscard]] runtime::Result<entry::RunRequest> controlRequest(const ExportRequest &request);
    // `RunExportControls`: the run of controlRequest() over the year's data files.
    [[nodiscard]] runtime::Result<entry::RunOutcome>
    runControls(const ExportRequest &request, runtime::Progress *progress = nullptr);
    [[nodiscard]] runtime::Result<entry::RunOutcome>
    runControls(const entry::RunRequest &run, runtime::Progress *progress = nullptr);

    // `WriteExchangeFile` after the controls: writes the work file and copies it to the target.
    // No marked form is InvalidArgument with noFormsText(); own code 0 of an institution is
    // InvalidArgument with noInstitutionText(), before anything is written. The progress counts
    // the marked forms and can stop the export between forms (Cancelled, nothing copied).
    [[nodiscard]] runtime::Result<ExportResult> write(const ExportRequest &request,
                                                      runtime::Progress *progress = nullptr);

    // `FillExportPathChoices`: USE:S1 and USE:S2 when not blank, then the fixed choices.
    static QStringList pathChoices(const QString &s1, const QString &s2);
    // The target of an exported file: a path with a drive is mapped, any other lies under the
    // working directory; exactly one separator before the name.
    [[nodiscard]] static runtime::Result<QString> target(const QString &path, const QString &name);
    // `SetExportPeriodName`.
    static QString periodName(int periodicity, qint32 period, int year);
    // The recipient of the result text: by the installation's district, NameProg's address.
    static QString recipient(qint64 district, const QString &mail, const QString &mailTar,
                             const QString &mailSar);
    static QString resultText(const QString &fileName, const QString &recipient)
    {
        return QStringLiteral("Файл  ") + fileName + QStringLiteral("  отправить на   ") +
               recipient;
    }

    static QString noInstitutionText() { return QStringLiteral("Вы не выбрали ЛПУ"); }
    static QString noFormsText() { return QStringLiteral("Вы забыли отметить формы для выгрузки"); }
    static QString noPeriodText()
    {
        return QStringLiteral("Укажите период за который выгружается отчет.");
    }
    static QString controlsQuestion()
    {
        return QStringLiteral("Ошибки в формах! Необходимо исправить ошибки и повторить "
                              "выгрузку.|    Продолжить выгрузку?");
    }
    static QString noDiskText() { return QStringLiteral("ВСТАВТЕ ДИСКЕТУ"); }
    static QString nothingExportedText()
    {
        return QStringLiteral("Выгружено 0 записей. Повторите выгрузку.");
    }
    static QString checkReportsText() { return QStringLiteral("Проверте наличие отчетов"); }
    // The export could not be copied to its target.
    static QString copyFailedText(const QString &target, const QString &reason)
    {
        return QStringLiteral("Файл ") + target + QStringLiteral(" не записан: ") + reason;
    }
    static QString doneText() { return QStringLiteral("ГОТОВО "); }
    static QString badSettingsText()
    {
        return QStringLiteral("Неверные настройки пользователя (меню СЕРВИС)");
    }

private:
    // Every stored record of `form` in `year` that the scope sends, in the read transaction of
    // one scan: the institution's by its key, else the whole file.
    [[nodiscard]] runtime::Status scanSent(int year, const ExportScope &scope,
                                           const ExportForm &form,
                                           const std::function<runtime::Status()> &take);

    data::DataContext &m_context;
};

} // namespace zemor::exchange
