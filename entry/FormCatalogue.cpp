#include "entry/FormCatalogue.h"

#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/ReadInside.h"
#include "data/records/GrafaRecord.h"
#include "data/records/StrokaRecord.h"
#include "data/records/TablRecord.h"
#include "runtime/store/Scan.h"

#include <algorithm>

namespace zemor::entry {

using data::FileId;
using data::OpenedFile;
using runtime::Result;
using runtime::Status;

namespace {

// Opens `id` under `name` and walks the records of the form by `key` (the form code being its
// first component, which `fill` puts into the buffer) within one read transaction.
template <class Fill, class Take>
Status readForm(data::DataContext &ctx, FileId id, const QString &name, int key, Fill fill,
                Take take)
{
    if (name.trimmed().isEmpty())
        return {};
    const auto variable = data::FileNames::variableOf(id);
    if (variable)
        ctx.names().set(*variable, name);
    return data::readInside(ctx, id, [&](OpenedFile &opened) -> Status {
        if (!fill())
            return {}; // a form code the file cannot hold has no records there
        return runtime::store::scan(opened.file(), key, 1, take);
    });
}

} // namespace

CatalogueFiles CatalogueFiles::ofYear(int year)
{
    data::FileNames names;
    names.setYearFileNames(year);
    return CatalogueFiles{names.tablFileName(), names.strokaFileName(), names.grafaFileName()};
}

Result<FormCatalogue> FormCatalogue::read(data::DataContext &context, int year, qint64 form)
{
    context.names().setYearFileNames(year);
    return read(context, CatalogueFiles::ofYear(year), form);
}

Result<FormCatalogue> FormCatalogue::read(data::DataContext &context, const CatalogueFiles &files,
                                          qint64 form)
{
    FormCatalogue c;
    c.m_form = form;

    data::TablRecord t(context.record(FileId::tabl));
    Status s = readForm(
        context, FileId::tabl, files.tabl, data::TablRecord::KeyTab1,
        [&] {
            t.clear();
            return bool(t.setCodForm(form));
        },
        [&] {
            FormTable table;
            table.code = t.codTabl();
            table.name = t.name();
            table.offset = int(t.sm());
            table.columns = int(t.a());
            table.type = t.type();
            table.xls = t.nameL().left(15);
            table.id = t.unicodT();
            c.m_tables.append(table);
            return true;
        });
    if (!s)
        return std::unexpected(s.error());
    std::stable_sort(c.m_tables.begin(), c.m_tables.end(),
                     [](const FormTable &a, const FormTable &b) { return a.code < b.code; });

    data::StrokaRecord r(context.record(FileId::stroka));
    s = readForm(
        context, FileId::stroka, files.stroka, data::StrokaRecord::KeyStrNum,
        [&] {
            r.clear();
            return bool(r.setCodForm(form));
        },
        [&] {
            FormRow row;
            row.id = r.unicod();
            row.table = r.codTabl();
            row.code = r.codStr();
            row.number = r.number();
            row.name = r.name();
            row.shortName = r.nameL();
            row.sex = r.pol();
            row.codes = r.codMkb();
            c.m_catalogue.add(CatalogueRow{row.id, row.table, row.code, row.number});
            if (row.number >= 1)
                c.m_rows[row.table].append(row);
            return true;
        });
    if (!s)
        return std::unexpected(s.error());

    data::GrafaRecord g(context.record(FileId::grafa));
    s = readForm(
        context, FileId::grafa, files.grafa, data::GrafaRecord::KeyGra1,
        [&] {
            g.clear();
            return bool(g.setCodForm(form));
        },
        [&] {
            c.m_columns[g.codTabl()].append(
                FormColumn{g.cod(), g.name(), g.nameL(), g.format(), g.l(), g.vid(), g.typeGr()});
            return true;
        });
    if (!s)
        return std::unexpected(s.error());
    return c;
}

const FormTable *FormCatalogue::table(qint64 code) const
{
    for (const FormTable &t : m_tables) {
        if (t.code == code)
            return &t;
    }
    return nullptr;
}

FormTables FormCatalogue::tableEntries() const
{
    FormTables entries;
    entries.reserve(m_tables.size());
    for (const FormTable &t : m_tables)
        entries.append(t.entry());
    return entries;
}

} // namespace zemor::entry
