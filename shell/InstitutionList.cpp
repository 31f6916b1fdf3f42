#include "shell/InstitutionList.h"

#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/ReferenceNames.h"
#include "data/records/BolnRecord.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Scan.h"
#include "runtime/text/Cp1251.h"
#include "runtime/text/FixedString.h"
#include "shell/ExcelLauncher.h"
#include "shell/InstitutionListing.h"

#include <algorithm>
#include <optional>

namespace zemor::shell {

using data::FileId;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;

namespace {

std::unexpected<runtime::Error> readFailed(data::DataContext &data, FileId id,
                                           const runtime::Error &error)
{
    return std::unexpected(data::reportReadFailure(data, id, error));
}

} // namespace

QStringList InstitutionList::excelHeadings()
{
    return {QStringLiteral("N"),      QStringLiteral("Код"),  QStringLiteral("район"),
            QStringLiteral("Вид МО"), QStringLiteral("Село"), QStringLiteral("Название")};
}

QString InstitutionList::settlementText(int sel)
{
    switch (sel) {
    case 1:
        return QStringLiteral("город");
    case 2:
        return QStringLiteral("село");
    default:
        return {};
    }
}

bool InstitutionList::isListed(const data::BolnRecord &institution, int year)
{
    return InstitutionListing::forList(year).isListed(institution);
}

Result<QList<InstitutionListEntry>> InstitutionList::fill()
{
    // Opened in this order and closed in the reverse one, whatever happens.
    data::OpenedFile bolnFile(m_data, FileId::boln);
    if (!bolnFile.status())
        return std::unexpected(bolnFile.status().error());
    data::OpenedFile districtFile(m_data, FileId::region1);
    if (!districtFile.status())
        return std::unexpected(districtFile.status().error());
    data::OpenedFile kindFile(m_data, FileId::viduch);
    if (!kindFile.status())
        return std::unexpected(kindFile.status().error());

    QList<InstitutionListEntry> list;
    runtime::store::KeyedFile &boln = m_data.file(FileId::boln);
    boln.clearRecord();
    const InstitutionListing listing = InstitutionListing::forList(m_year);
    const Status status = runtime::store::scan(boln, data::BolnRecord::KeyCodReg, -1, [&] {
        const data::BolnRecord institution(boln.record());
        if (!listing.isListed(institution))
            return true;
        InstitutionListEntry entry;
        entry.cod = institution.unicod();
        entry.nameSel = settlementText(institution.sel());
        entry.name = institution.nazv();
        entry.codReg = institution.codReg();
        entry.vid = institution.vid();
        entry.whod = InstitutionListing::attachedTo(institution).value_or(0);
        list.append(entry);
        return true;
    });
    if (!status)
        return readFailed(m_data, FileId::boln, status.error());

    const auto names = data::ReferenceNames::read(m_data, data::ReferenceNames::DistrictsAndKinds);
    if (!names)
        return std::unexpected(names.error());
    for (InstitutionListEntry &entry : list)
        entry.nameR = names->district(entry.codReg);

    const auto stored = [](const QString &name) { return runtime::text::toCp1251(name); };
    std::stable_sort(list.begin(), list.end(),
                     [&](const InstitutionListEntry &a, const InstitutionListEntry &b) {
                         if (a.codReg != b.codReg)
                             return a.codReg < b.codReg;
                         if (a.vid != b.vid)
                             return a.vid < b.vid;
                         return runtime::text::compareFixed(stored(a.name), stored(b.name)) < 0;
                     });

    qint16 number = 0;
    for (InstitutionListEntry &entry : list) {
        entry.n = ++number;
        entry.nameU = names->kind(entry.vid);
    }
    return list;
}

bool InstitutionList::exportToExcel(const QList<InstitutionListEntry> &entries,
                                    ExcelLauncher &excel)
{
    if (excel.launch(templateName()) == 0)
        return false;
    const QStringList headings = excelHeadings();
    for (int column = 1; column <= headings.size(); ++column)
        excel.pokeText(headingRow, column, headings.at(column - 1));
    int row = firstDataRow;
    for (const InstitutionListEntry &entry : entries) {
        excel.poke(row, 1, QString::number(entry.n));
        excel.poke(row, 2, QString::number(entry.cod));
        int column = 3;
        for (const QString &text : {entry.nameR, entry.nameU, entry.nameSel, entry.name})
            excel.pokeText(row, column++, text);
        ++row;
    }
    return excel.finish();
}

} // namespace zemor::shell
