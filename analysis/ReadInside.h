#pragma once

// Reading one file of a data context inside one read transaction: opened for the call, every
// read of `read` sees one committed state, closed afterwards however it ends.

#include "data/OpenedFile.h"
#include "runtime/store/Transaction.h"

namespace zemor::analysis {

template <class Read>
[[nodiscard]] runtime::Status readInside(data::DataContext &context, data::FileId id, Read read)
{
    data::OpenedFile opened(context, id);
    if (!opened.status())
        return opened.status();
    auto tx =
        runtime::store::Transaction::begin(opened.file(), runtime::store::Transaction::Kind::Read);
    if (!tx)
        return std::unexpected(tx.error());
    if (runtime::Status s = read(opened); !s)
        return s;
    return tx->commit();
}

} // namespace zemor::analysis
