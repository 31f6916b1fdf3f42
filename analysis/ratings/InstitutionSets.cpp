#include "analysis/ratings/InstitutionSets.h"

#include "data/Codes.h"
#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/ReadInside.h"
#include "data/ReferenceNames.h"
#include "data/records/BolnRecord.h"
#include "data/records/NaborRecord.h"
#include "runtime/store/Scan.h"
#include "runtime/store/Transaction.h"

#include <algorithm>
#include <tuple>

namespace zemor::analysis {

using data::FileId;
using data::OpenedFile;
using runtime::Result;
using runtime::Status;
using runtime::store::Transaction;
using namespace Qt::StringLiterals;

namespace {

constexpr qint32 lastCandidateCode = 7000;
constexpr int firstOpenYear = 2000;

int digitsAt(const QString &text, int from, int count)
{
    return text.mid(from, count).trimmed().toInt();
}

QString placeName(int place)
{
    switch (place) {
    case 1:
        return u"город"_s;
    case 2:
        return u"село"_s;
    case 3:
        return u"село*"_s;
    default:
        return {};
    }
}

bool districtHolds(int filter, const SetCandidate &c)
{
    switch (filter) {
    case WholeRegion:
        return true;
    case DistrictGroupRural:
        return c.district < 100;
    case DistrictGroupCities:
        return c.district > 100 && c.district < 200;
    case DistrictGroupMunicipal:
        return c.subordination == 3;
    case DistrictGroupRegional:
        return c.subordination == 1;
    default:
        return filter == c.district;
    }
}

bool anyMarked(const QList<SetCandidate> &candidates)
{
    return std::any_of(candidates.cbegin(), candidates.cend(),
                       [](const SetCandidate &c) { return c.marked; });
}

Status fillRecord(data::NaborRecord &r, qint32 id, const QString &name,
                  const QList<qint32> &members)
{
    r.setId(id);
    r.setName(QStringView(name).left(200));
    r.setTip(0);
    for (int i = 1; i <= data::NaborRecord::maxInstitutions; ++i)
        if (Status s = r.setIdLpu(i, i <= members.size() ? members[i - 1] : 0); !s)
            return s;
    return {};
}

// Runs `change` on `NABOR` inside one write transaction: empty when it was committed, otherwise
// the message `change` gave or the not-saved message with the reason.
template <class Change> QString writeSets(data::DataContext &context, Change change)
{
    OpenedFile opened(context, FileId::NABOR);
    if (!opened.status())
        return InstitutionSets::notSavedMessage(opened.status().error());
    auto tx = Transaction::begin(opened.file(), Transaction::Kind::Write);
    if (!tx)
        return InstitutionSets::notSavedMessage(tx.error());
    if (QString refused = change(opened.file()); !refused.isEmpty())
        return refused;
    const Status committed = tx->commit();
    return committed ? QString() : InstitutionSets::notSavedMessage(committed.error());
}

} // namespace

bool isSetCandidate(int place, qint32 code, int closeYear)
{
    if (place == 3 || code > lastCandidateCode)
        return false;
    return !(closeYear >= 1 && closeYear < firstOpenYear);
}

QString SetEditor::allKindsName()
{
    return u"Все виды ЛПУ"_s;
}

SetEditor::SetEditor(QList<SetCandidate> candidates, const QHash<int, QString> &districtNames,
                     const QHash<int, QString> &kindNames)
    : m_candidates(std::move(candidates))
{
    m_districts.append({data::regionName(), WholeRegion});
    for (auto it = districtNames.cbegin(); it != districtNames.cend(); ++it)
        m_districts.append({it.value().left(25), it.key()});
    m_districts.append({u"Районы"_s, DistrictGroupRural});
    m_districts.append({u"Таргин+Сарвенск"_s, DistrictGroupCities});
    m_districts.append({u"Муниципальные"_s, DistrictGroupMunicipal});
    std::stable_sort(m_districts.begin(), m_districts.end(),
                     [](const auto &a, const auto &b) { return a.code < b.code; });

    m_kinds.append({allKindsName(), 0, false});
    QList<int> seen;
    for (const SetCandidate &c : std::as_const(m_candidates)) {
        if (c.kind == 0 || seen.contains(c.kind))
            continue;
        seen.append(c.kind);
        m_kinds.append({kindNames.value(c.kind).left(23), c.kind, false});
    }
    std::stable_sort(m_kinds.begin(), m_kinds.end(),
                     [](const auto &a, const auto &b) { return a.code < b.code; });
}

int SetEditor::markedCount() const
{
    return int(std::count_if(m_candidates.cbegin(), m_candidates.cend(),
                             [](const SetCandidate &c) { return c.marked; }));
}

void SetEditor::open(const InstitutionSet &set)
{
    const QList<qint32> members = set.members.mid(0, InstitutionSet::maxMembers);
    for (SetCandidate &c : m_candidates)
        c.marked = members.contains(c.code);
}

void SetEditor::toggle(qsizetype candidate)
{
    if (candidate >= 0 && candidate < m_candidates.size())
        m_candidates[candidate].marked = !m_candidates[candidate].marked;
}

void SetEditor::sortByMark()
{
    std::stable_sort(m_candidates.begin(), m_candidates.end(), [](const auto &a, const auto &b) {
        return std::tuple(!a.marked, a.district, a.kind) <
               std::tuple(!b.marked, b.district, b.kind);
    });
}

void SetEditor::chooseDistrict(int code)
{
    m_districtFilter = code;
    applyFilters();
}

void SetEditor::toggleKind(qsizetype kind)
{
    if (kind >= 0 && kind < m_kinds.size())
        m_kinds[kind].marked = !m_kinds[kind].marked;
}

void SetEditor::chooseKinds(qsizetype cursor)
{
    if (cursor >= 0 && cursor < m_kinds.size() && m_kinds[cursor].marked &&
        m_kinds[cursor].code == 0) {
        for (SetKindChoice &k : m_kinds)
            k.marked = false;
    }
    QStringList names;
    for (const SetKindChoice &k : std::as_const(m_kinds))
        if (k.marked)
            names.append(k.name);
    m_kindText = names.isEmpty() ? QString() : u","_s + names.join(u',');
    applyFilters();
}

void SetEditor::setCity(bool on)
{
    m_city = on;
    if (!on && anyMarked(m_candidates)) {
        for (SetCandidate &c : m_candidates)
            if (c.place == 1)
                c.marked = false;
        return;
    }
    applyFilters();
}

void SetEditor::setVillage(bool on)
{
    m_village = on;
    if (!on && anyMarked(m_candidates)) {
        for (SetCandidate &c : m_candidates)
            if (c.place > 1)
                c.marked = false;
        return;
    }
    applyFilters();
}

void SetEditor::reset()
{
    for (SetCandidate &c : m_candidates)
        c.marked = false;
    for (SetKindChoice &k : m_kinds)
        k.marked = false;
    m_city = true;
    m_village = true;
    m_districtFilter = WholeRegion;
    m_kindText = allKindsName();
}

void SetEditor::applyFilters()
{
    const bool byKind = std::any_of(m_kinds.cbegin(), m_kinds.cend(),
                                    [](const SetKindChoice &k) { return k.marked; });
    for (SetCandidate &c : m_candidates) {
        if (districtHolds(m_districtFilter, c))
            c.marked = true;
        if (byKind) {
            const auto kind =
                std::find_if(m_kinds.cbegin(), m_kinds.cend(),
                             [&](const SetKindChoice &k) { return k.code == c.kind; });
            c.marked = kind != m_kinds.cend() && kind->marked;
        }
        if (!m_city && c.place == 1)
            c.marked = false;
        if (!m_village && c.place > 1)
            c.marked = false;
    }
}

QList<qint32> SetEditor::markedCodes() const
{
    QList<qint32> codes;
    for (const SetCandidate &c : m_candidates)
        if (c.marked)
            codes.append(c.code);
    return codes;
}

QString InstitutionSets::notSavedMessage()
{
    return u"Список ЛПУ не сохранен"_s;
}

QString InstitutionSets::notSavedMessage(const runtime::Error &reason)
{
    return runtime::failureMessage(notSavedMessage(), reason);
}

QString InstitutionSets::tooManyMessage()
{
    return u"Отмечено больше 250 учреждений: список ЛПУ не сохранен"_s;
}

QString InstitutionSets::idTooLargeMessage()
{
    return u"Списков ЛПУ больше 255: новый список не сохранен"_s;
}

Result<SetCandidates> InstitutionSets::readCandidates()
{
    SetCandidates out;
    QHash<qint32, std::pair<int, int>> kindAndPlace;
    Status s = data::readInside(m_context, FileId::boln, [&](OpenedFile &opened) {
        const data::BolnRecord r(opened.file().record());
        return opened.scanPhysical([&] {
            kindAndPlace.insert(r.unicod(), {int(r.vid()), r.sel()});
            if (!isSetCandidate(r.sel(), r.unicod(), r.eYear()))
                return true;
            SetCandidate c;
            c.code = r.unicod();
            const QString s = r.s();
            c.subordination = digitsAt(s, 0, 2);
            c.parent = digitsAt(s, 2, 5);
            c.placeName = placeName(r.sel());
            c.name = r.nazv().left(50);
            c.openYear = r.sYear();
            c.closeYear = r.eYear();
            c.district = int(r.codReg());
            c.kind = int(r.vid());
            c.place = r.sel();
            out.candidates.append(c);
            return true;
        });
    });
    if (!s)
        return std::unexpected(s.error());
    const auto names =
        data::ReferenceNames::read(m_context, data::ReferenceNames::DistrictsAndKinds);
    if (!names)
        return std::unexpected(names.error());
    for (const data::ReferenceName &d : names->districts())
        out.districtNames.insert(int(d.code), d.name);
    for (const data::ReferenceName &k : names->kinds())
        out.kindNames.insert(int(k.code), k.name);

    for (SetCandidate &c : out.candidates) {
        if (c.parent != 0 && kindAndPlace.contains(c.parent)) {
            c.parentKind = kindAndPlace.value(c.parent).first;
            c.parentPlace = kindAndPlace.value(c.parent).second;
        }
    }
    std::stable_sort(out.candidates.begin(), out.candidates.end(),
                     [](const auto &a, const auto &b) {
                         return std::tuple(a.district, a.kind) < std::tuple(b.district, b.kind);
                     });
    for (qsizetype i = 0; i < out.candidates.size(); ++i) {
        SetCandidate &c = out.candidates[i];
        c.position = int(i + 1);
        c.districtName = out.districtNames.value(c.district, u"???"_s).left(30);
        c.kindName = out.kindNames.value(c.kind).left(50);
    }
    return out;
}

Status InstitutionSets::load()
{
    QList<InstitutionSet> sets;
    const Status s = data::readInside(m_context, FileId::NABOR, [&](OpenedFile &opened) {
        const data::NaborRecord r(opened.file().record());
        return opened.scanPhysical([&] {
            InstitutionSet set;
            set.id = r.id();
            set.name = r.name();
            for (int i = 1; i <= data::NaborRecord::maxInstitutions; ++i) {
                if (r.idLpu(i) == 0)
                    break;
                set.members.append(r.idLpu(i));
            }
            sets.append(set);
            return true;
        });
    });
    if (!s)
        return s;
    std::stable_sort(sets.begin(), sets.end(),
                     [](const auto &a, const auto &b) { return a.id < b.id; });
    m_sets = sets;
    return {};
}

QString InstitutionSets::addSet(const QString &name, const QList<qint32> &members, qint32 *id)
{
    if (members.size() > InstitutionSet::maxMembers)
        return tooManyMessage();
    qint32 next = 1;
    const QString refused = writeSets(m_context, [&](runtime::store::KeyedFile &file) {
        data::NaborRecord r(file.record());
        const Result<bool> last = runtime::store::last(file, data::NaborRecord::KeyId);
        if (!last)
            return notSavedMessage(last.error());
        if (*last)
            next = r.id() + 1;
        if (next > InstitutionSet::maxRatedId)
            return idTooLargeMessage();
        file.clearRecord();
        Status added = fillRecord(r, next, name, members);
        if (added)
            added = file.add();
        return added ? QString() : notSavedMessage(added.error());
    });
    if (!refused.isEmpty())
        return refused;
    m_sets.append({next, name.left(200), members});
    if (id)
        *id = next;
    return {};
}

QString InstitutionSets::updateSet(qint32 id, const QString &name, const QList<qint32> &members)
{
    if (members.size() > InstitutionSet::maxMembers)
        return tooManyMessage();
    const QString refused = writeSets(m_context, [&](runtime::store::KeyedFile &file) {
        data::NaborRecord r(file.record());
        file.clearRecord();
        r.setId(id);
        // A record gone meanwhile, or one that cannot be read, is not saved.
        Status put = file.get(data::NaborRecord::KeyId);
        if (put)
            put = fillRecord(r, id, name, members);
        if (put)
            put = file.put();
        return put ? QString() : notSavedMessage(put.error());
    });
    if (!refused.isEmpty())
        return refused;
    for (InstitutionSet &set : m_sets)
        if (set.id == id)
            set = {id, name.left(200), members};
    return {};
}

Status InstitutionSets::removeSet(qint32 id)
{
    OpenedFile opened(m_context, FileId::NABOR);
    if (!opened.status())
        return opened.status();
    runtime::store::KeyedFile &file = opened.file();
    auto tx = Transaction::begin(file, Transaction::Kind::Write);
    if (!tx)
        return std::unexpected(tx.error());
    data::NaborRecord r(file.record());
    file.clearRecord();
    r.setId(id);
    if (Status s = file.get(data::NaborRecord::KeyId); !s)
        return s;
    if (Status s = file.erase(); !s)
        return s;
    if (Status s = tx->commit(); !s)
        return s;
    m_sets.removeIf([&](const InstitutionSet &set) { return set.id == id; });
    return {};
}

} // namespace zemor::analysis
