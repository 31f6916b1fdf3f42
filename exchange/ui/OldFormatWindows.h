#pragma once

// The windows of the load of old-format files: the path window "Загрузка отчетов из программы  "
// (P1$SCRY: the editable folder, the year, "Продолжить") and the list window "Загрузка отчетов "
// (P1$SCRL: the files to mark, the institutions found in them, the load for one chosen or every
// institution, the captionless button that completes a stored report, the results and their
// total, "Выход"). The work is exchange::OldFormatImport; a load runs under a progress window
// that can stop it between reports; a stopped load says what it wrote.
//
// importReportsOldFormat() is the procedure as the frame starts it.

#include "exchange/OldFormatImport.h"
#include "exchange/ui/ExchangeWindowSupport.h"

#include <QDialog>

class QButtonGroup;
class QLabel;
class QLineEdit;

namespace zemor::exchange::ui {

class OldPathWindow : public QDialog
{
    Q_OBJECT

public:
    OldPathWindow(const ExchangeServices &services, const QString &path, QWidget *parent = nullptr);
    QString path() const;

private:
    ExchangeServices m_services;
    QLineEdit *m_path = nullptr;
};

class OldFilesWindow : public QDialog
{
    Q_OBJECT

public:
    OldFilesWindow(data::DataContext &context, const ExchangeServices &services,
                   const QString &path, QList<OldFile> files, OldScan scan,
                   QWidget *parent = nullptr);

    const QList<OldFile> &files() const { return m_files; }
    const ImportOutcome &lastOutcome() const { return m_last; }
    void chooseInstitution(int row);
    // "Загрузить" (complete = false) and the captionless button (complete = true).
    void load(bool complete);

private:
    void showFiles();

    ExchangeServices m_services;
    std::unique_ptr<entry::RunResultsViewer> m_runViewer;
    OldFormatImport m_importer;
    QList<OldFile> m_files;
    OldScan m_scan;
    int m_chosenInstitution = -1;
    ImportOutcome m_last;
    ExchangeList m_fileList;
    ExchangeList m_results;
    ExchangeList m_institutions;
    QButtonGroup *m_option = nullptr;
    QLabel *m_total = nullptr;
};

void importReportsOldFormat(data::DataContext &context, const ExchangeServices &services,
                            QWidget *parent = nullptr);

} // namespace zemor::exchange::ui
