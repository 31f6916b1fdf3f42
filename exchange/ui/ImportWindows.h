#pragma once

// The windows of the load of exchange files: the path window "Загрузка отчетов " (P1$SCRY: the
// folder, the year, "для загрузки сводного отчета", "Загрузить"), the list window "Загрузка
// отчетов " (P1$SCRL: the entries found in the files to mark, the institutions, the files, the
// load for one or every institution, the results, the move into "impfile") and the summary
// window "Загрузка сводного отчета" (P1$SCRSW: one summary entry at a time). The work is
// exchange::ImportReports; its questions (the failed controls, the replacement of a stored
// report) come through the Prompter, and a load runs under a progress window that can stop it
// between reports; a stopped load says what it wrote.
//
// importReports() is the procedure as the frame starts it.

#include "exchange/ImportReports.h"
#include "exchange/ui/ExchangeWindowSupport.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;

namespace zemor::exchange::ui {

class ImportPathWindow : public QDialog
{
    Q_OBJECT

public:
    ImportPathWindow(const ExchangeServices &services, const QStringList &pathChoices,
                     const QString &path, QWidget *parent = nullptr);

    QString path() const;
    bool summaryMode() const;

private:
    QComboBox *m_path = nullptr;
    QCheckBox *m_summary = nullptr;
};

class ImportListWindow : public QDialog
{
    Q_OBJECT

public:
    // `scan` named; `path` as the user chose it.
    ImportListWindow(data::DataContext &context, const ExchangeServices &services,
                     const QString &path, ImportScan scan, QWidget *parent = nullptr);

    const QList<ImportEntry> &entries() const { return m_scan.entries; }
    const ImportOutcome &lastOutcome() const { return m_last; }
    // A click on an institution line.
    void chooseInstitution(int row);
    // "Загрузить отмеченные отчеты".
    void loadMarked();
    // "Переместить файлы в папку <impfile>".
    void moveFiles();

private:
    void showEntries();
    void showFiles();
    void showResults(const ImportOutcome &outcome);

    ExchangeServices m_services;
    std::unique_ptr<entry::RunResultsViewer> m_runViewer;
    ImportReports m_importer;
    ImportScan m_scan;
    int m_chosenInstitution = -1;
    ImportOutcome m_last;
    QSet<QString> m_inUse;
    ExchangeList m_entryList;
    ExchangeList m_results;
    ExchangeList m_files;
    ExchangeList m_institutions;
    QButtonGroup *m_option = nullptr;
    QCheckBox *m_all = nullptr;
};

class SummaryLoadWindow : public QDialog
{
    Q_OBJECT

public:
    // `scan` named and its entries named by their institutions.
    SummaryLoadWindow(data::DataContext &context, const ExchangeServices &services, ImportScan scan,
                      QWidget *parent = nullptr);

    const QList<ImportEntry> &entries() const { return m_scan.entries; }
    // "Загрузить": the current entry.
    void loadCurrent();

private:
    void showEntries();

    ExchangeServices m_services;
    std::unique_ptr<entry::RunResultsViewer> m_runViewer;
    ImportReports m_importer;
    ImportScan m_scan;
    ExchangeList m_entryList;
    ExchangeList m_results;
};

// Names the files the scan could not take, with their reasons; empty when it took every one.
QString refusedText(const QList<RefusedFile> &refused);

void importReports(data::DataContext &context, const ExchangeServices &services,
                   QWidget *parent = nullptr);

} // namespace zemor::exchange::ui
