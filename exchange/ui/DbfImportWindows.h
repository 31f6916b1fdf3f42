#pragma once

// The windows of the load of dBase files from the institutions' accounting program: the path
// window "Загрузка отчетов из программы ОМС " (P1$SCRY: the folder, typed or taken from the drop
// list or the folder dialog, the year, "Продолжить") and the file window "Загрузка отчетов из
// новой прогр. счета ЛПУ" (P1$SCRL: the chosen institution, the year and period to load into
// with "Загружать в ", the files to mark, "ЗАГРУЗИТЬ", the rows added and already present, the
// rows the form does not have, "Выход"). The work is exchange::DbfImport; a load runs under a
// progress window that can stop it between files, and a stopped load says what it wrote.
//
// importDbfReports() is the procedure as the frame starts it: the district and the institution
// are chosen first, and choosing none of either ends it.

#include "exchange/DbfImport.h"
#include "exchange/ui/ExchangeWindowSupport.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace zemor::exchange::ui {

class DbfPathWindow : public QDialog
{
    Q_OBJECT

public:
    DbfPathWindow(const ExchangeServices &services, QWidget *parent = nullptr);
    QString path() const;

private:
    QComboBox *m_path = nullptr;
};

// The institution the rows go to, as the file window shows it.
struct DbfInstitution
{
    DbfTarget target;
    QString districtName; // ?LOCNAMEREG
    QString text;         // ?LOCNAZVUCH: code, district name and name
};

class DbfFilesWindow : public QDialog
{
    Q_OBJECT

public:
    DbfFilesWindow(data::DataContext &context, const ExchangeServices &services,
                   const QString &path, QList<DbfFile> files, const DbfInstitution &institution,
                   QWidget *parent = nullptr);

    const QList<DbfFile> &files() const { return m_files; }
    const DbfLoadOutcome &lastOutcome() const { return m_last; }
    // "ЗАГРУЗИТЬ".
    void load();

private:
    void showFiles();

    ExchangeServices m_services;
    DbfImport m_importer;
    QList<DbfFile> m_files;
    DbfLoadOutcome m_last;
    ExchangeList m_list;
    QLineEdit *m_year = nullptr;
    QLineEdit *m_period = nullptr;
    QCheckBox *m_typed = nullptr;
    QLabel *m_added = nullptr;
    QLabel *m_present = nullptr;
    QLabel *m_notFound = nullptr;
};

void importDbfReports(data::DataContext &context, const ExchangeServices &services,
                      QWidget *parent = nullptr);

} // namespace zemor::exchange::ui
