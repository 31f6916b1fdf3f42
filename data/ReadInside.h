#pragma once

// One state of a file: `work` runs inside one transaction of the file, which commits when `work`
// succeeds and rolls back otherwise, and its own result (a Status or a Result<T>) is handed back.
// readInside() is the usual read of a file of a data context: the file is opened for the call
// (a failed opening is reported by the context's file manager and returned), every read of
// `work` sees one committed state, and the file is closed afterwards however the call ends.
// insideTransaction() is the same for a write or for a file the caller opened itself.

#include "data/OpenedFile.h"
#include "runtime/store/Transaction.h"

#include <type_traits>
#include <utility>

namespace zemor::data {

// `work()` inside one transaction of `kind` on the open `file`.
template <class Work>
[[nodiscard]] auto insideTransaction(runtime::store::KeyedFile &file,
                                     runtime::store::Transaction::Kind kind, Work work)
    -> std::invoke_result_t<Work &>
{
    auto transaction = runtime::store::Transaction::begin(file, kind);
    if (!transaction)
        return std::unexpected(transaction.error());
    auto done = work();
    if (!done)
        return done;
    if (runtime::Status committed = transaction->commit(); !committed)
        return std::unexpected(committed.error());
    return done;
}

// `work(opened)` on file `id` of `context`, opened for it, inside one transaction of `kind`.
template <class Work>
[[nodiscard]] auto insideTransaction(DataContext &context, FileId id,
                                     runtime::store::Transaction::Kind kind, Work work)
    -> std::invoke_result_t<Work &, OpenedFile &>
{
    OpenedFile opened(context, id);
    if (!opened.status())
        return std::unexpected(opened.status().error());
    return insideTransaction(opened.file(), kind, [&] { return work(opened); });
}

// `work(opened)` on file `id` of `context` inside one read transaction.
template <class Work>
[[nodiscard]] auto readInside(DataContext &context, FileId id, Work work)
    -> std::invoke_result_t<Work &, OpenedFile &>
{
    return insideTransaction(context, id, runtime::store::Transaction::Kind::Read, std::move(work));
}

// `work()` on the open `file` inside one read transaction.
template <class Work>
[[nodiscard]] auto readInside(runtime::store::KeyedFile &file, Work work)
    -> std::invoke_result_t<Work &>
{
    return insideTransaction(file, runtime::store::Transaction::Kind::Read, std::move(work));
}

} // namespace zemor::data
