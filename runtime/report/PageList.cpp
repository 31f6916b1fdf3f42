#include "runtime/report/PageList.h"

namespace zemor::runtime::report {

QStringList ReportPage::texts() const
{
    QStringList result;
    for (const ReportItem &item : items) {
        if (item.kind == ReportItem::Kind::Text)
            result.append(item.text);
    }
    return result;
}

} // namespace zemor::runtime::report
