#pragma once

// One file of a data context opened for the length of one operation: opened on construction
// and closed on destruction however the operation ends, so that a failed read or write never
// leaves the file open. Whether the opening succeeded is status() (a failed opening is reported
// by the context's file manager); a file that did not open is not closed. The context is not
// owned and must outlive the object.
//
// scan() and scanPhysical() are the one way to read such a file: the key-range walk of
// runtime/store/Scan.h, with a failure of the file reported like a failed opening
// (ReadFailure.h) and returned. A failure that `take` returns is returned as it is.
//
// ReadInside.h reads such a file inside one read transaction; ExistingFile.h opens a file by
// name, without a context, only when it exists.

#include "data/DataContext.h"
#include "data/ReadFailure.h"
#include "runtime/core/Error.h"
#include "runtime/store/Scan.h"

#include <concepts>
#include <type_traits>

namespace zemor::data {

class OpenedFile
{
public:
    OpenedFile(DataContext &context, FileId id)
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
    runtime::store::KeyedFile &file() { return m_context.file(m_id); }

    // Walks `key` from the buffer's first `components` components (Scan.h); the file must
    // have opened.
    template <class Take> [[nodiscard]] runtime::Status scan(int key, int components, Take take)
    {
        return reported(
            [&](auto &&guarded) { return runtime::store::scan(file(), key, components, guarded); },
            take);
    }
    // Every record in insertion order.
    template <class Take> [[nodiscard]] runtime::Status scanPhysical(Take take)
    {
        return reported(
            [&](auto &&guarded) { return runtime::store::scanPhysical(file(), guarded); }, take);
    }
    // Reports a failure of reading the file and hands it back.
    runtime::Error readFailed(const runtime::Error &error)
    {
        return reportReadFailure(m_context, m_id, error);
    }

private:
    template <class Walk, class Take> runtime::Status reported(Walk walk, Take &take)
    {
        if (!m_status)
            return m_status;
        bool takeFailed = false;
        auto guarded = [&]() {
            if constexpr (std::same_as<std::invoke_result_t<Take &>, bool>) {
                return take();
            } else {
                auto s = take();
                takeFailed = !s;
                return s;
            }
        };
        runtime::Status walked = walk(guarded);
        if (!walked && !takeFailed)
            readFailed(walked.error());
        return walked;
    }

    DataContext &m_context;
    FileId m_id;
    runtime::Status m_status;
};

} // namespace zemor::data
