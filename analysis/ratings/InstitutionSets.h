#pragma once

// Institution sets (`NABOR`): named lists of up to 250 institutions that a quality indicator
// rates. The editor's logic without its windows: the candidates (the region's open institutions
// from `boln`), marking them by hand or by district, kind and city/village filters, and saving a
// set.
//
// A set is saved in one write transaction of `NABOR`: a new set takes the highest id plus one (1
// for an empty file). A save of more than 250 marked institutions, or of a new set whose id would
// pass 255 (no indicator could name it), is refused with a message and nothing is written. A save
// that fails, or of a set whose record is no longer in the file, is reported as not saved with
// the reason, and the set list stays as the file holds it.

#include "runtime/core/Error.h"

#include <QHash>
#include <QList>
#include <QString>

namespace zemor::data {
class DataContext;
}

namespace zemor::analysis {

struct InstitutionSet
{
    static constexpr int maxMembers = 250;
    static constexpr int maxRatedId = 255;

    qint32 id = 0;
    QString name;
    QList<qint32> members; // in the order chosen
};

// One eligible institution (QS).
struct SetCandidate
{
    int position = 0; // after the first sort
    qint32 code = 0;
    qint32 parent = 0; // the institution it belongs to (0 none)
    bool marked = false;
    QString districtName;
    QString kindName;
    QString placeName; // "город", "село", "село*"
    QString name;
    int subordination = 0;
    int openYear = 0;
    int closeYear = 0;
    int district = 0;
    int kind = 0;
    int place = 0; // BOL:SEL: 1 city, above 1 village
    int parentKind = 0;
    int parentPlace = 0;

    QString mark() const { return marked ? QStringLiteral("o") : QString(); }
};

struct SetDistrictChoice
{
    QString name;
    int code = 0;
};

struct SetKindChoice
{
    QString name;
    int code = 0;
    bool marked = false;
};

// The district filter's groups.
enum SetDistrictGroup : int {
    WholeRegion = 0,
    DistrictGroupRural = 251,
    DistrictGroupCities = 400,
    DistrictGroupMunicipal = 500,
    DistrictGroupRegional = 600,
};

// Whether an institution of `boln` is a candidate: not an attached village (place 3), code up
// to 7000, not closed before 2000.
bool isSetCandidate(int place, qint32 code, int closeYear);

// The choices and marks of one set window. The filters keep their state from one opened set to
// the next.
class SetEditor
{
public:
    SetEditor() = default;
    SetEditor(QList<SetCandidate> candidates, const QHash<int, QString> &districtNames,
              const QHash<int, QString> &kindNames);

    const QList<SetCandidate> &candidates() const { return m_candidates; }
    const QList<SetDistrictChoice> &districts() const { return m_districts; }
    const QList<SetKindChoice> &kinds() const { return m_kinds; }
    int districtFilter() const { return m_districtFilter; }
    bool city() const { return m_city; }
    bool village() const { return m_village; }
    const QString &kindText() const { return m_kindText; }
    int markedCount() const;
    int candidateCount() const { return int(m_candidates.size()); }

    // Marks the candidates whose code is among the set's members (up to 250).
    void open(const InstitutionSet &set);
    void toggle(qsizetype candidate);
    // "Отсортировать по отметке": marked first, then by district and kind.
    void sortByMark();
    // The district choice: the filter takes its code and the filters are applied.
    void chooseDistrict(int code);
    // Marks or unmarks a kind in the kind list (without applying).
    void toggleKind(qsizetype kind);
    // Accepting the kind list with the cursor on `cursor`: "Все виды ЛПУ" marked unmarks every
    // kind; the kind text is rebuilt and the filters are applied.
    void chooseKinds(qsizetype cursor);
    void setCity(bool on);
    void setVillage(bool on);
    // "Сброс".
    void reset();
    // `ApplySetFilters`.
    void applyFilters();
    // The marked candidates' codes in the list's current order.
    QList<qint32> markedCodes() const;

    static QString allKindsName();

private:
    QList<SetCandidate> m_candidates;
    QList<SetDistrictChoice> m_districts;
    QList<SetKindChoice> m_kinds;
    int m_districtFilter = WholeRegion;
    bool m_city = true;
    bool m_village = true;
    QString m_kindText;
};

// The candidates, read from `boln` in file order and sorted by district and kind, with the
// district and kind names (`region1`, `viduch`).
struct SetCandidates
{
    QList<SetCandidate> candidates;
    QHash<int, QString> districtNames;
    QHash<int, QString> kindNames;
};

class InstitutionSets
{
public:
    explicit InstitutionSets(data::DataContext &context) : m_context(context) {}

    static QString notSavedMessage();
    // The not-saved message followed by why the save failed.
    static QString notSavedMessage(const runtime::Error &reason);
    static QString tooManyMessage();
    static QString idTooLargeMessage();

    [[nodiscard]] runtime::Result<SetCandidates> readCandidates();
    // The sets of `NABOR` sorted by id.
    [[nodiscard]] runtime::Status load();
    const QList<InstitutionSet> &sets() const { return m_sets; }

    // `AddInstitutionSet`. The message for the user on refusal or failure, empty when saved; the
    // list follows only a save that happened. A new set's id is returned in `id`.
    QString addSet(const QString &name, const QList<qint32> &members, qint32 *id = nullptr);
    QString updateSet(qint32 id, const QString &name, const QList<qint32> &members);
    // "Удалить": the list follows only a delete that happened.
    [[nodiscard]] runtime::Status removeSet(qint32 id);

private:
    data::DataContext &m_context;
    QList<InstitutionSet> m_sets;
};

} // namespace zemor::analysis
