#pragma once

// The completeness window "Полнота отчета " (P1$SCRL): the year (?GLOBYEAR), the period range
// (?MES, ?MES_; day numbers while ?TIP1_5 "ежедневные отчеты" is set), rows by district or by
// institution (?OPTION1), the count (?OK1), the table (?BROWSE:1, the total row first), the
// workbook (?EXCEL, "RAS.XLS") and the print (?PRNT1) through the page sink: landscape, every
// one of the 30 form columns on the page.
//
// The count runs under a progress window that may be called off (the table then stays as it
// was); forms whose data file could not be read are named, and left out of the table.

#include "analysis/Completeness.h"
#include "analysis/ui/SummaryWindow.h"
#include "runtime/report/PageList.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QRadioButton;
class QSpinBox;

namespace zemor::analysis::ui {

class CompletenessWindow : public QDialog
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("Полнота отчета "); }

    // Modal from the menu; on a window of its own (ownWindow) modeless and returned open.
    static QWidget *run(data::DataContext &context, const WindowServices &services, bool ownWindow,
                        QWidget *parent = nullptr);

    CompletenessWindow(WindowServices services, QWidget *parent = nullptr);

    const CompletenessTable &table() const { return m_table; }
    runtime::ui::ListBinding *binding() const { return m_binding; }

    // The printed table.
    static runtime::report::PageList layOut(const CompletenessTable &table, CompletenessMode mode,
                                            int year, qint32 from, qint32 to);

    bool count();
    bool print();
    bool exportToExcel();

private:
    CompletenessMode mode() const;
    void showTable();

    WindowServices m_services;
    CompletenessCount m_count;
    CompletenessNames m_names;
    CompletenessTable m_table;
    bool m_counted = false;

    QSpinBox *m_from = nullptr;
    QSpinBox *m_to = nullptr;
    QRadioButton *m_byDistrict = nullptr;
    QRadioButton *m_byInstitution = nullptr;
    QCheckBox *m_daily = nullptr;
    QLabel *m_rows = nullptr;
    runtime::ui::QueueModel *m_model = nullptr;
    runtime::ui::ListBinding *m_binding = nullptr;
};

} // namespace zemor::analysis::ui
