#pragma once

// The completeness window "Полнота отчета " (P1$SCRL): the year (?GLOBYEAR), the period range
// (?MES, ?MES_; dates, held as day numbers, while ?TIP1_5 "ежедневные отчеты" is set), rows by
// district or by institution (?OPTION1), the count (?OK1), the table (?BROWSE:1, the total row
// first), the workbook (?EXCEL, "RAS.XLS") and the print (?PRNT1) to the services' pages (the
// page preview in the program): landscape, every one of the 30 form columns on the page.
//
// The window counts the reporting year it was opened in, whatever the frame's year becomes
// meanwhile. The count runs under a progress window that may be called off (the table then stays
// as it was); forms whose data file could not be read are named, and left out of the table.

#include "analysis/Completeness.h"
#include "analysis/ui/SummaryWindow.h"
#include "runtime/report/PageList.h"
#include "runtime/ui/WidgetPrompter.h"

#include <QDialog>

class QCheckBox;
class QDateTime;
class QLabel;
class QRadioButton;

namespace zemor::analysis::ui {

class PeriodBox;

class CompletenessWindow : public QDialog
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("Полнота отчета "); }

    // Modal from the menu; on a window of its own (ownWindow) modeless and returned open.
    static QWidget *run(data::DataContext &context, const shell::ui::Services &services,
                        bool ownWindow, QWidget *parent = nullptr);

    CompletenessWindow(shell::ui::Services services, QWidget *parent = nullptr);

    const CompletenessTable &table() const { return m_table; }
    runtime::ui::ListBinding *binding() const { return m_binding; }

    // The heading of the printed table: "Информация о количестве сданных отчетов за", the
    // first period as the count took it (a date for daily reports), "месяц", the year.
    static QString printTitle(int year, qint32 from, bool daily);
    // The date-and-time text of a count: the date as "@d5.", two blanks, hours and minutes.
    static QString countedAtText(const QDateTime &at);
    // The printed table: the heading with the time of the count, the form codes over their
    // designations, a blank for no reports, and a taller line for a name of 30 characters or
    // more.
    static runtime::report::PageList layOut(const CompletenessTable &table, CompletenessMode mode,
                                            const QString &title, const QString &countedAt);

    bool count();
    bool print();
    bool exportToExcel();

private:
    CompletenessMode mode() const;
    void showDays(bool daily);
    void showTable();

    runtime::ui::WindowPrompter m_prompter; // the boxes this window asks
    shell::ui::Services m_services;
    CompletenessCount m_count;
    CompletenessNames m_names;
    CompletenessTable m_table;
    bool m_counted = false;
    const int m_year; // the reporting year at opening: every count and print is of it
    QString m_title;  // the printed heading and the time, both of the last count
    QString m_countedAt;

    PeriodBox *m_from = nullptr;
    PeriodBox *m_to = nullptr;
    QRadioButton *m_byDistrict = nullptr;
    QRadioButton *m_byInstitution = nullptr;
    QCheckBox *m_daily = nullptr;
    QLabel *m_rows = nullptr;
    runtime::ui::QueueModel *m_model = nullptr;
    runtime::ui::ListBinding *m_binding = nullptr;
};

} // namespace zemor::analysis::ui
