#include "tools/DemoImportsXml.h"

#include "runtime/fs/DurableFile.h"
#include "runtime/fs/Paths.h"
#include "runtime/text/Cp1251.h"
#include "tools/DemoCatalogue.h"

#include <QStringList>

namespace zemor::tools {

namespace {

using namespace Qt::StringLiterals;

// The portal's column of table 8000 for a column of the tables 8000 to 8006; 0 for a column the
// portal has none for.
int portalColumn(int table, int column)
{
    switch (table) {
    case 8000:
        return column >= 3 && column <= 16 ? column : 0;
    case 8001:
        return column == 3 ? 17 : column >= 5 && column <= 16 ? column + 13 : 0;
    case 8002:
        return column >= 3 && column <= 16 ? column + 27 : 0;
    case 8003:
        return column >= 3 && column <= 30 ? column + 41 : 0;
    case 8004:
        return column == 3 ? 72 : column >= 5 && column <= 16 ? column + 68 : 0;
    case 8005:
        return column >= 3 && column <= 16 ? column + 82 : 0;
    case 8006:
        return column >= 3 ? column + 96 : 0;
    default:
        return column;
    }
}

// A sample value: whole numbers, with a decimal comma in the finance table 9000; some cells
// are left out as the portal leaves out empty ones.
QString sampleValue(int inst, int table, int row, int column)
{
    const int seed = inst * 13 + table / 100 + row * 7 + column * 3;
    if (seed % 11 == 0)
        return {};
    const int whole = seed % 89 + 1;
    return table == 9000 ? u"%1,%2"_s.arg(whole).arg(seed % 10) : QString::number(whole);
}

QStringList sampleLines(const DemoInstitution &inst, const DemoForm &form)
{
    QStringList lines{u"<?xml version=\"1.0\" encoding=\"windows-1251\"?>"_s,
                      u"<report code=\"62\">"_s,
                      u" <sprav>"_s,
                      u"  <CODE>62_sprav</CODE>"_s,
                      u" </sprav>"_s,
                      u" <item>"_s,
                      u"  <CODE>62_str_01</CODE>"_s,
                      u"  <SVAL>ГБУЗ \"%1\"</SVAL>"_s.arg(inst.name),
                      u" </item>"_s};
    for (const DemoTable &table : form.tables) {
        const bool portalTable = table.code >= 8000 && table.code <= 8009;
        for (int n = 1; n <= table.rows.size(); ++n) {
            for (const DemoColumn &column : table.columns) {
                const int portal = portalColumn(table.code, column.number);
                const QString value = sampleValue(inst.code, table.code, n, column.number);
                if (portal == 0 || value.isEmpty())
                    continue;
                lines << u" <item>"_s
                      << u"  <CODE>%1.%2.62.%3</CODE>"_s.arg(n).arg(portal).arg(
                             portalTable ? 8000 : table.code)
                      << u"  <NVAL>%1</NVAL>"_s.arg(value) << u" </item>"_s;
            }
        }
    }
    lines << u"</report>"_s;
    return lines;
}

} // namespace

runtime::Status DemoImportsXml::write(const QString &root)
{
    const DemoForm *form = demoCatalogue().form(62);
    if (!form)
        return {};
    for (int code : sampleInstitutions()) {
        const DemoInstitution *inst = demoReference().institution(code);
        if (!inst)
            continue;
        const QByteArray bytes =
            runtime::text::toCp1251(sampleLines(*inst, *form).join(u"\r\n"_s) + u"\r\n"_s);
        const QString target =
            runtime::fs::join(runtime::fs::join(root, u"import"_s), u"f62_%1.xml"_s.arg(code));
        if (runtime::Status s = runtime::fs::writeWholeFile(target, bytes); !s)
            return s;
    }
    return {};
}

} // namespace zemor::tools
