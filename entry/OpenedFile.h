#pragma once

// One file of a data context opened for the length of one operation: opened on construction
// and closed on destruction however the operation ends, so that a failed read or write never
// leaves the file open. Whether the opening succeeded is status(); a file that did not open is
// not closed. The context is not owned and must outlive the object.

#include "data/DataContext.h"
#include "runtime/core/Error.h"

namespace zemor::entry {

class OpenedFile
{
public:
    OpenedFile(data::DataContext &context, data::FileId id)
        : m_context(context), m_id(id), m_status(context.open(id))
    {
    }
    ~OpenedFile()
    {
        if (m_status)
            m_context.close(m_id);
    }
    OpenedFile(const OpenedFile &) = delete;
    OpenedFile &operator=(const OpenedFile &) = delete;

    const runtime::Status &status() const { return m_status; }

private:
    data::DataContext &m_context;
    data::FileId m_id;
    runtime::Status m_status;
};

} // namespace zemor::entry
