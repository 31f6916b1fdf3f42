#pragma once

// Saved cross-sections: the names in `RASRESN` and the marked cells in `RASRES` (both in the
// working directory). A saved cross-section keeps which cells were marked (form, row id, data
// column) and their order, not their periods: a load gives every mark the year and period set
// for new marks at that moment, periods 0..0 for a mark of an annual form.
//
// Every write is one transaction of its file: a new name takes the next id and is added in one
// transaction, so two windows adding names at once get two ids; a save replaces the cells of
// an id as a whole, so a failure leaves the old cells and other windows see the old or the new
// set, never a mixture. Failures are returned (the data context's error manager reports file
// errors); nothing here shows a message of its own.
//
// A load looks the rows, tables and columns up in the catalogue of the year loaded: a row that
// is not there leaves the mark without table, row code and names; a column that is not there
// names it "???" followed by the stored column number. Such a mark still reads its data by row
// id and data column.

#include "analysis/crosssections/CrossSectionMarks.h"
#include "runtime/core/Error.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace zemor::data {
class DataContext;
}

namespace zemor::analysis {

// One saved name as the list shows it (QS).
struct SavedCrossSectionChoice
{
    qint32 id = 0; // QS:COD
    QString name;  // QS:NAME, at most 120 characters
};

// The saved cross-section a window works with: none (id 0) until a new name or a load.
struct CrossSectionInUse
{
    qint32 id = 0;
    QString name;
};

class SavedCrossSections
{
public:
    static QString nameTitle() { return QStringLiteral("Название разреза"); }
    static QString listTitle() { return QStringLiteral("Список"); }
    // Told, with the reason, when a save failed; the cells saved before under the name stay.
    static QString notSavedText() { return QStringLiteral("Разрез не сохранен"); }
    static constexpr int listNameWidth = 120;

    explicit SavedCrossSections(data::DataContext &context) : m_context(context) {}

    // The id the next name is expected to get (the highest id + 1, 1 for none), for the name
    // window to show.
    [[nodiscard]] runtime::Result<qint32> nextId();
    // Adds `name` (with the current form) under the next free id, taken inside the add's
    // transaction; answers that id.
    [[nodiscard]] runtime::Result<qint32> addName(const QString &name, qint64 form);
    // Every name in stored order.
    [[nodiscard]] runtime::Result<QList<SavedCrossSectionChoice>> names();

    // SaveCrossSection: the cells of `id` become `marks`, in their order, in one transaction.
    [[nodiscard]] runtime::Status save(qint32 id, const QList<CrossSectionMark> &marks);

    // The period kind of a form in a year; the default reads the year's `forma`.
    using PeriodKindOf = CrossSectionMarks::PeriodKindOf;
    // LoadCrossSection: the marks of `id` with year `year` and period `from`..`to`, their texts
    // from the catalogue of `year`. Not re-sorted.
    [[nodiscard]] runtime::Result<QList<CrossSectionMark>>
    load(qint32 id, qint32 year, qint32 from, qint32 to, PeriodKindOf periodKindOf = {});

    // "Сохранить  разрез в базу": without a cross-section in use, `askName` is shown the next id
    // and answers the name typed, or nothing when the window was closed (then nothing is saved
    // and no id is taken); a name that cannot be added is an error and leaves the id 0. Then
    // the marks are saved under the id in use.
    using AskName = std::function<std::optional<QString>(qint32 shownId)>;
    [[nodiscard]] runtime::Status saveButton(CrossSectionInUse &inUse, qint64 form,
                                             const QList<CrossSectionMark> &marks,
                                             const AskName &askName);
    // "Загрузить разрез": `choose` picks from the saved names (nothing when the list was closed:
    // the id in use becomes 0 and the marks stay, nullopt). A choice becomes the one in use and
    // its marks are loaded as load() does.
    using Choose = std::function<std::optional<SavedCrossSectionChoice>(
        const QList<SavedCrossSectionChoice> &)>;
    [[nodiscard]] runtime::Result<std::optional<QList<CrossSectionMark>>>
    loadButton(CrossSectionInUse &inUse, qint32 year, qint32 from, qint32 to, const Choose &choose,
               PeriodKindOf periodKindOf = {});

    // The period kind of `form` in the year's `forma`; -1 when it cannot be read.
    int formPeriodKind(int year, qint64 form);

private:
    data::DataContext &m_context;
};

} // namespace zemor::analysis
