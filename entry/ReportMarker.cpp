#include "entry/ReportMarker.h"

#include "data/DataContext.h"
#include "data/records/WwodRecord.h"
#include "runtime/store/KeyedFile.h"

namespace zemor::entry {

using data::FileId;
using data::WwodRecord;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;

namespace {

class MarkerFile
{
public:
    explicit MarkerFile(data::DataContext &ctx) : m_ctx(ctx), m_status(ctx.open(FileId::WWOD)) {}
    ~MarkerFile()
    {
        if (m_status)
            m_ctx.close(FileId::WWOD);
    }
    MarkerFile(const MarkerFile &) = delete;
    MarkerFile &operator=(const MarkerFile &) = delete;
    const Status &status() const { return m_status; }

private:
    data::DataContext &m_ctx;
    Status m_status;
};

Result<bool> lookUp(data::DataContext &ctx, int year, qint32 institution, qint64 form)
{
    WwodRecord r(ctx.record(FileId::WWOD));
    r.clear();
    r.setYear(qint16(year));
    r.setCodUch(institution);
    if (Status s = r.setCodForm(form); !s)
        return std::unexpected(s.error());
    const Status s = ctx.file(FileId::WWOD).get(WwodRecord::KeyUf);
    if (s)
        return true;
    if (s.error().code == ErrorCode::RecordNotFound)
        return false;
    return std::unexpected(s.error());
}

} // namespace

Result<ReportMarker::Take> ReportMarker::take()
{
    MarkerFile f(m_context);
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
    MarkerFile f(m_context);
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
    MarkerFile f(m_context);
    if (!f.status())
        return std::unexpected(f.status().error());
    return lookUp(m_context, m_year, m_institution, m_form);
}

} // namespace zemor::entry
