#pragma once

// What the shell's tests share besides their working directory (support/DemoWorkDir.h): adding
// records through a data context, as the program itself writes them.

#include "data/DataContext.h"
#include "data/records/RecordView.h"
#include "runtime/store/KeyedFile.h"
#include "support/DemoWorkDir.h"
#include "support/ScriptedPrompter.h"

#include <QTest>

#include <functional>

namespace zemor::test {

// Adds one record to a dictionary file of `data`, opened and closed around the add.
inline void addRecord(data::DataContext &data, data::FileId id,
                      const std::function<void(QByteArray &)> &fill)
{
    QVERIFY(data.open(id));
    runtime::store::KeyedFile &file = data.file(id);
    data::RecordView(file.record(), id).clear();
    fill(file.record());
    const runtime::Status added = file.add();
    data.close(id);
    QVERIFY2(added, qPrintable(added ? QString() : added.error().message));
}

} // namespace zemor::test
