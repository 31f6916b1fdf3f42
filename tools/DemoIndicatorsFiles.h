#pragma once

// Writing a keyed file of the analysis files record by record, for the demo and the test
// fixtures: the file is made new (or, with `append`, an existing one is added to), the records
// that `fill` sets up are added in one transaction. `fill` gets the file with a cleared record
// and the record's number from 0; false from it stops the writing.

#include "data/Dictionary.h"
#include "runtime/core/Error.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Transaction.h"

#include <QString>

#include <functional>

namespace zemor::tools {

enum class KeyedWrite { New, Append };

[[nodiscard]] inline runtime::Status
writeKeyedRecords(const QString &path, data::FileId id, int count,
                  const std::function<bool(runtime::store::KeyedFile &, int)> &fill,
                  KeyedWrite mode = KeyedWrite::New)
{
    const auto &layout = data::declaration(id).layout;
    if (runtime::Status made = runtime::fs::makeDir(runtime::fs::folderOf(path)); !made)
        return made;
    if (mode == KeyedWrite::New || !runtime::fs::exists(path)) {
        if (runtime::fs::exists(path)) {
            if (runtime::Status removed = runtime::fs::removeFile(path); !removed)
                return removed;
        }
        if (runtime::Status made = runtime::store::KeyedFile::create(path, layout); !made)
            return made;
    }
    runtime::store::KeyedFile file(layout);
    if (runtime::Status opened = file.open(path); !opened)
        return opened;
    // One transaction: one sync for the file, not one for each record.
    auto tx = runtime::store::Transaction::begin(file);
    if (!tx)
        return std::unexpected(tx.error());
    for (int i = 0; i < count; ++i) {
        file.clearRecord();
        if (!fill(file, i))
            return runtime::fail(runtime::ErrorCode::InvalidArgument, path,
                                 QStringLiteral("record %1 of %2 not set").arg(i + 1).arg(path));
        if (runtime::Status added = file.add(); !added)
            return added;
    }
    return tx->commit();
}

} // namespace zemor::tools
