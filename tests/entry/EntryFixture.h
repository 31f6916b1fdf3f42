#pragma once

// What the report entry tests share: the demo working directory built afresh under a temporary
// directory for each test, and reading back what a report left on disk (its stored rows, its
// in-use marker) through a data context of its own, so that the reading shares nothing with the
// session under test. The caller owns the temporary directory; the functions here own nothing.
// A demo that cannot be built is reported as the builder's message.

#include "data/DataContext.h"
#include "entry/ReportMarker.h"
#include "entry/ReportReader.h"
#include "entry/ReportStore.h"
#include "runtime/fs/Paths.h"
#include "tools/DemoBuilder.h"

#include <QString>
#include <QTemporaryDir>

namespace zemor::test {

// The year the demo's reports are stored for.
inline constexpr int demoYear = 2025;

// Builds the demo working directory in `dir` (under "work") and makes it the working directory.
// Returns an empty string on success, or why the demo could not be built.
inline QString buildDemoWorkDir(const QTemporaryDir &dir)
{
    if (!dir.isValid())
        return QStringLiteral("no temporary directory");
    const QString root = dir.filePath(QStringLiteral("work"));
    tools::DemoBuilder builder;
    const auto built = builder.build(root);
    if (!built)
        return built.error().message.isEmpty() ? QStringLiteral("demo not built")
                                               : built.error().message;
    runtime::fs::setWorkDir(root);
    return {};
}

// The report's rows as stored, or none when it cannot be read.
inline entry::ReportRows stored(const entry::ReportIdentity &id)
{
    data::DataContext ctx;
    auto rows = entry::ReportReader(ctx).report(id.year, id.form, id.period, id.institution);
    return rows ? *rows : entry::ReportRows();
}

// Whether the report's in-use marker is on disk.
inline bool markerExists(const entry::ReportIdentity &id)
{
    data::DataContext ctx;
    entry::ReportMarker m(ctx, id.year, id.institution, id.form);
    const auto e = m.exists();
    return e && *e;
}

} // namespace zemor::test
