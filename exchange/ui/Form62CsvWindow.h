#pragma once

// The window of the load of form 62 from the federal portal's CSV files (P23$WINDOW): the folder
// "?PATH2", "Сформировать списоктфайлов" to list its files, the file list with each file's
// institution, table and errors, the tables of form 62, "Загрузка свода" to load one chosen
// summary file instead of every listed file, "Загрузить " and "Выход". The work is
// exchange::Form62CsvImport; a load of listed files runs under a progress window that can stop
// it between files, shows the number of the file at ("?QP#" of "?QPRECORD#"), and says at its
// end what it met and, when stopped, which files it loaded.
//
// importForm62Csv() is the procedure as the frame starts it.

#include "exchange/Form62CsvImport.h"
#include "exchange/ui/ExchangeWindowSupport.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace zemor::exchange::ui {

class Form62CsvWindow : public QDialog
{
    Q_OBJECT

public:
    Form62CsvWindow(data::DataContext &context, const ExchangeServices &services,
                    QWidget *parent = nullptr);

    const QList<CsvFile> &files() const { return m_files; }
    // "Сформировать списоктфайлов".
    void listFiles();
    // A choice in the file list.
    void chooseFile(int row);
    // "Загрузить ".
    void load();

    static QString title() { return QStringLiteral("Загрузка формы 62 из CSV файлов"); }
    static QString startPath() { return QStringLiteral("IMPORT\\"); }
    // What a stopped load says.
    static QString cancelledText(const CsvLoad &load);

private:
    void showFiles();
    void showTables();
    void tell(const CsvLoad &load);

    ExchangeServices m_services;
    Form62CsvImport m_importer;
    QList<CsvFile> m_files;
    QString m_folder; // the folder the list was made from
    int m_chosen = -1;
    CsvLoad m_last;
    QLineEdit *m_path = nullptr;
    QCheckBox *m_summary = nullptr;
    QLabel *m_current = nullptr;
    QLabel *m_count = nullptr;
    ExchangeList m_fileList;
    ExchangeList m_tables;
};

void importForm62Csv(data::DataContext &context, const ExchangeServices &services,
                     QWidget *parent = nullptr);

} // namespace zemor::exchange::ui
