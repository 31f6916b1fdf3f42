#include "entry/ReportMarker.h"

#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/records/WwodRecord.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Scan.h"

namespace zemor::entry {

using data::FileId;
using data::OpenedFile;
using data::WwodRecord;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;

namespace {

Result<bool> lookUp(data::DataContext &ctx, int year, qint32 institution, qint64 form)
{
    WwodRecord r(ctx.record(FileId::WWOD));
    r.clear();
    r.setYear(qint16(year));
    r.setCodUch(institution);
    if (Status s = r.setCodForm(form); !s)
        return std::unexpected(s.error());
    return runtime::store::find(ctx.file(FileId::WWOD), WwodRecord::KeyUf);
}

} // namespace

Result<ReportMarker::Take> ReportMarker::take()
{
    OpenedFile f(m_context, FileId::WWOD);
    if (!f.status())
        return std::unexpected(f.status().error());
    const auto found = lookUp(m_context, m_year, m_institution, m_form);
    if (!found)
        return std::unexpected(found.error());
    if (*found)
        return Take::InUse;
    // lookUp left the marker's key in the buffer.
    const Status added = m_context.file(FileId::WWOD).add();
    if (!added) {
        // Someone else added it between our look-up and our add.
        if (added.error().code == ErrorCode::DuplicateKey)
            return Take::InUse;
        return std::unexpected(added.error());
    }
    m_held = true;
    return Take::Taken;
}

Status ReportMarker::release()
{
    if (!m_held)
        return {};
    OpenedFile f(m_context, FileId::WWOD);
    if (!f.status())
        return f.status();
    const auto found = lookUp(m_context, m_year, m_institution, m_form);
    if (!found)
        return std::unexpected(found.error());
    if (*found) {
        if (Status s = m_context.file(FileId::WWOD).erase(); !s)
            return s;
    }
    m_held = false;
    return {};
}

Result<bool> ReportMarker::exists()
{
    OpenedFile f(m_context, FileId::WWOD);
    if (!f.status())
        return std::unexpected(f.status().error());
    return lookUp(m_context, m_year, m_institution, m_form);
}

} // namespace zemor::entry
