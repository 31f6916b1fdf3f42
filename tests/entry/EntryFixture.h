#pragma once

// What the report entry tests share besides the demo working directory (support/DemoWorkDir.h):
// reading back what a report left on disk (its stored rows, its in-use marker) through a data
// context of its own, so that the reading shares nothing with the session under test.

#include "data/DataContext.h"
#include "entry/ReportMarker.h"
#include "entry/ReportReader.h"
#include "entry/ReportStore.h"
#include "runtime/fs/Paths.h"
#include "support/DemoWorkDir.h"

namespace zemor::test {

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
