#include "exchange/ExchangeNames.h"

#include "data/OpenedFile.h"
#include "data/records/BolnRecord.h"
#include "data/records/FormaRecord.h"
#include "runtime/store/Scan.h"

namespace zemor::exchange {

using data::FileId;
using runtime::Result;

Result<std::optional<QString>> ExchangeNames::district(int code)
{
    if (!m_districts) {
        auto read = data::ReferenceNames::read(m_context, data::ReferenceNames::Districts);
        if (!read)
            return std::unexpected(read.error());
        m_districts = std::move(*read);
    }
    if (!m_districts->hasDistrict(code))
        return std::optional<QString>();
    return std::optional<QString>(m_districts->district(code));
}

Result<std::optional<InstitutionName>> ExchangeNames::institution(qint32 code)
{
    data::OpenedFile opened(m_context, FileId::boln);
    if (!opened.status())
        return std::unexpected(opened.status().error());
    data::BolnRecord r(m_context.record(FileId::boln));
    r.clear();
    r.setUnicod(code);
    const Result<bool> found = runtime::store::find(opened.file(), data::BolnRecord::KeyUnicod);
    if (!found)
        return std::unexpected(found.error());
    if (!*found)
        return std::optional<InstitutionName>();
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
