#pragma once

// The institution pick list: the institutions of `boln` that exist in the reporting year and
// that this installation may see, optionally those of one district only. In window mode the
// user picks one (or, with "Ввод по району", the district's total); in fill mode every listed
// institution is handed to the caller and nothing is shown.
//
// PickInstitution reads through the caller's data context (opening and closing `boln` with its
// relation manager) and applies the result rules; the choice itself is asked of an
// InstitutionChooser. A file that cannot be opened or read is reported by the context's error
// manager and leaves the results untouched.

#include "runtime/core/Error.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace zemor::data {
class DataContext;
class BolnRecord;
} // namespace zemor::data

namespace zemor::shell {

struct AppState;

// One listed institution (the queue QS).
struct InstitutionEntry
{
    qint32 code = 0;     // QS:COD, BOL:UNICOD
    QString name;        // QS:NAME, BOL:NAZV
    qint64 vid = 0;      // QS:VID, BOL:VID
    quint8 sel = 0;      // QS:SEL, BOL:SEL
    qint64 district = 0; // BOL:CODREG
};

class InstitutionChooser
{
public:
    struct Answer
    {
        enum class Kind { Closed, Institution, DistrictTotal };
        Kind kind = Kind::Closed;
        int row = -1; // Institution: the chosen line
    };
    virtual ~InstitutionChooser() = default;
    // `currentName` is the caller's current name; `districtTotalOffered` shows "Ввод по району".
    virtual Answer choose(const QString &currentName, bool districtTotalOffered,
                          const QList<InstitutionEntry> &entries) = 0;
};

class PickInstitution
{
public:
    static QString windowTitle() { return QStringLiteral("Учреждения УЗ Таргинской области"); }
    static constexpr int formCodeWithDistrictTotal = 900;

    struct Filter
    {
        std::optional<qint64> district; // null: every district
        std::optional<qint64> formCode; // the caller's form, null: none
    };
    struct Request
    {
        QString *name = nullptr; // null: the list is shown, nothing is returned
        int nameLength = 0;
        qint32 *code = nullptr;
        Filter filter;
    };
    enum class Outcome { Chosen, DistrictTotal, Closed, Empty, Failed };

    PickInstitution(data::DataContext &data, const AppState &state);

    // Whether an institution is listed for this installation and year.
    static bool isListed(const data::BolnRecord &institution, const AppState &state,
                         bool formCodeGiven);
    // "Ввод по району" is offered unless the caller's form is below 900. Pressed without a
    // district filter, it stands for no district and counts as no choice.
    static bool districtTotalOffered(const Filter &filter);

    // The listed institutions in `BOL:KEYCODREG` order.
    [[nodiscard]] runtime::Result<QList<InstitutionEntry>> read(const Filter &filter);
    // The window's order: by kind, then by name.
    static void sortForList(QList<InstitutionEntry> &entries);

    Outcome run(const Request &request, InstitutionChooser &chooser);
    // Fill mode: `append` receives every listed institution in `BOL:KEYCODREG` order.
    [[nodiscard]] runtime::Status fill(const Filter &filter,
                                       const std::function<void(const InstitutionEntry &)> &append);

private:
    data::DataContext &m_data;
    const AppState &m_state;
};

} // namespace zemor::shell
