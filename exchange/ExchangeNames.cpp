#include "exchange/ExchangeNames.h"

#include "data/OpenedFile.h"
#include "data/records/BolnRecord.h"
#include "data/records/FormaRecord.h"
#include "data/records/Region1Record.h"

namespace zemor::exchange {

using data::FileId;
using runtime::ErrorCode;
using runtime::Result;

Result<std::optional<QString>> ExchangeNames::district(int code)
{
    data::OpenedFile opened(m_context, FileId::region1);
    if (!opened.status())
        return std::unexpected(opened.status().error());
    data::Region1Record r(m_context.record(FileId::region1));
    r.clear();
    if (!r.setCodReg(code))
        return std::optional<QString>();
    const runtime::Status found = opened.file().get(data::Region1Record::KeyCodReg);
    if (!found) {
        if (found.error().code == ErrorCode::RecordNotFound)
            return std::optional<QString>();
        return std::unexpected(found.error());
    }
    return std::optional<QString>(r.name());
}

Result<std::optional<InstitutionName>> ExchangeNames::institution(qint32 code)
{
    data::OpenedFile opened(m_context, FileId::boln);
    if (!opened.status())
        return std::unexpected(opened.status().error());
    data::BolnRecord r(m_context.record(FileId::boln));
    r.clear();
    r.setUnicod(code);
    const runtime::Status found = opened.file().get(data::BolnRecord::KeyUnicod);
    if (!found) {
        if (found.error().code == ErrorCode::RecordNotFound)
            return std::optional<InstitutionName>();
        return std::unexpected(found.error());
    }
    return std::optional<InstitutionName>(InstitutionName{r.nazv(), int(r.codReg())});
}

Result<QHash<qint64, QString>> ExchangeNames::forms(int year)
{
    m_context.names().setYearFileNames(year);
    data::OpenedFile opened(m_context, FileId::forma);
    if (!opened.status())
        return std::unexpected(opened.status().error());
    QHash<qint64, QString> names;
    const data::FormaRecord r(m_context.record(FileId::forma));
    const runtime::Status s = opened.scanPhysical([&] {
        names.insert(r.unicod(), r.name());
        return true;
    });
    if (!s)
        return std::unexpected(s.error());
    return names;
}

} // namespace zemor::exchange
