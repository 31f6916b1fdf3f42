#include "shell/PickFromList.h"

#include "data/Codes.h"
#include "data/DataContext.h"
#include "data/FileNames.h"
#include "data/OpenedFile.h"
#include "data/Period.h"
#include "data/ReferenceNames.h"
#include "data/records/FormaRecord.h"
#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/TextLineFile.h"
#include "runtime/text/Cp1251.h"
#include "shell/AppState.h"
#include "shell/FixedText.h"

#include <algorithm>
#include <functional>

namespace zemor::shell {

using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;

namespace {

// Every record of a keyed file in file order, the file opened and closed around the scan.
Status scanFile(data::DataContext &data, data::FileId id,
                const std::function<void(QByteArray &)> &take)
{
    data::OpenedFile opened(data, id);
    if (!opened.status())
        return opened.status();
    return opened.scanPhysical([&] {
        take(opened.file().record());
        return true;
    });
}

void sortByCode(QList<PickEntry> &entries)
{
    std::stable_sort(entries.begin(), entries.end(),
                     [](const PickEntry &a, const PickEntry &b) { return a.code < b.code; });
}

} // namespace

PickFromList::PickFromList(data::DataContext &data, const AppState &state,
                           runtime::Prompter &prompter)
    : m_data(data), m_state(state), m_prompter(prompter)
{
}

QString PickFromList::title(int kind)
{
    switch (kind) {
    case Forms:
        return QStringLiteral("ФОРМЫ");
    case Districts:
        return QStringLiteral("РАЙОНЫ");
    case InstitutionKinds:
        return QStringLiteral("Виды ЛПУ");
    default:
        return QStringLiteral("Список");
    }
}

QString PickFromList::emptyText(int year)
{
    return QStringLiteral("Данные в справочнике ") + QString::number(year) +
           QStringLiteral(" отсутствуют");
}

QString PickFromList::deadlinesFileName(int year)
{
    return QStringLiteral("%1\\sroki.txt").arg(year, 4, 10, QLatin1Char('0'));
}

Result<QList<PickEntry>> PickFromList::entries(int kind, bool codeWanted)
{
    Result<QList<PickEntry>> result = QList<PickEntry>();
    switch (kind) {
    case Forms:
        result = formEntries();
        break;
    case Districts:
        result = districtEntries(m_state.globTipUser > 0 && codeWanted);
        break;
    case DistrictsWithRegion:
        result = districtEntries(false);
        if (result) {
            result->append(PickEntry{RegionEntryCode, {}, data::regionName()});
            result->append(
                PickEntry{DistrictsEntryCode, {}, QStringLiteral("Районы Таргинской области")});
        }
        break;
    case InstitutionKinds:
        result = kindEntries();
        break;
    default:
        break;
    }
    if (result)
        sortByCode(*result);
    return result;
}

Result<QList<PickEntry>> PickFromList::formEntries()
{
    // The caller names the year's catalogue; one that has not is given the frame's year, and
    // only the catalogue itself, so that nothing else of the year is opened on its behalf.
    if (m_data.names().formaFileName().trimmed().isEmpty()) {
        data::FileNames year;
        year.setYearFileNames(m_state.globYear);
        m_data.names().setFormaFileName(year.formaFileName());
    }
    QList<PickEntry> list;
    const Status scanned = scanFile(m_data, data::FileId::forma, [&](QByteArray &bytes) {
        const data::FormaRecord form(bytes);
        if (form.vkl() == 1)
            return;
        PickEntry entry;
        entry.code = form.unicod();
        entry.formCode = form.cod();
        entry.name = form.name().left(nameWidth);
        entry.tip = form.tip();
        if (const auto kind = data::periodKindFromByte(form.tip()))
            entry.nameTip = data::periodicityText(*kind);
        list.append(entry);
    });
    if (!scanned)
        return std::unexpected(scanned.error());
    sortByCode(list);

    // A missing deadline file leaves the periodicity texts alone.
    const Result<QString> path = runtime::fs::resolve(deadlinesFileName(m_state.globYear));
    if (path) {
        if (const auto lines = runtime::store::TextLineFile::readLines(*path))
            mergeDeadlines(list, *lines);
    }
    return list;
}

void PickFromList::mergeDeadlines(QList<PickEntry> &entries, const QList<QByteArray> &lines)
{
    for (const QByteArray &raw : lines) {
        // A line is read up to its hundredth character.
        const QString line = runtime::text::fromCp1251(raw.left(100));
        bool isNumber = false;
        const qint64 code = line.left(4).trimmed().toLongLong(&isNumber);
        if (!isNumber)
            continue;
        const QString deadline = line.mid(4);
        for (PickEntry &entry : entries) {
            if (entry.code != code)
                continue;
            QString periodicity;
            if (const auto kind = data::periodKindFromByte(entry.tip))
                periodicity = data::periodicityText(*kind);
            entry.nameTip =
                (periodicity.trimmed() + QLatin1Char(' ') + deadline).left(nameTipWidth);
            while (entry.nameTip.endsWith(QLatin1Char(' ')))
                entry.nameTip.chop(1);
        }
    }
}

Result<QList<PickEntry>> PickFromList::districtEntries(bool ownDistrictOnly)
{
    const auto names = data::ReferenceNames::read(m_data, data::ReferenceNames::Districts);
    if (!names)
        return std::unexpected(names.error());
    QList<PickEntry> list;
    for (const data::ReferenceName &district : names->districts()) {
        if (ownDistrictOnly && district.code != m_state.globCodReg)
            continue;
        list.append(PickEntry{district.code, {}, district.name.left(nameWidth)});
    }
    return list;
}

Result<QList<PickEntry>> PickFromList::kindEntries()
{
    const auto names = data::ReferenceNames::read(m_data, data::ReferenceNames::Kinds);
    if (!names)
        return std::unexpected(names.error());
    QList<PickEntry> list;
    for (const data::ReferenceName &kind : names->kinds())
        list.append(PickEntry{kind.code, {}, kind.name.left(nameWidth)});
    return list;
}

void PickFromList::deliver(const Request &request, const PickEntry &entry)
{
    if (!request.code)
        return;
    *request.code = entry.code;
    if (request.name)
        *request.name = fixedText(entry.name, request.nameLength);
    if (request.tip)
        *request.tip = entry.tip;
    if (request.nameTip)
        *request.nameTip = fixedText(entry.nameTip, request.nameTipLength);
    if (request.formCode)
        *request.formCode = fixedText(entry.formCode, request.formCodeLength);
}

PickFromList::Outcome PickFromList::run(int kind, const Request &request, ListChooser &chooser)
{
    const Result<QList<PickEntry>> list = entries(kind, request.code != nullptr);
    if (!list)
        return Outcome::Failed;
    if (list->isEmpty()) {
        m_prompter.message(emptyText(m_state.globYear));
        return Outcome::Empty;
    }
    // The own district of a district or institution installation needs no window.
    if (kind == Districts && list->size() == 1 && request.code) {
        deliver(request, list->first());
        return Outcome::Chosen;
    }
    const std::optional<int> chosen = chooser.choose(title(kind), m_state.globYear, *list);
    if (chosen && *chosen >= 0 && *chosen < list->size()) {
        deliver(request, list->at(*chosen));
        return Outcome::Chosen;
    }
    if (request.code) {
        // A closed list answers "no choice": code 0, name blank. The extras of a form are
        // left as they were.
        *request.code = 0;
        if (request.name)
            *request.name = fixedText(QString(), request.nameLength);
    }
    return Outcome::Closed;
}

} // namespace zemor::shell
