#pragma once

// The window of the load of form 62 from an XML file, "Загрузка отчетов на дискету" (P2$SCRY):
// the file path "?PATH1:2" (a drop list of the user's folders, kept as the exchange path), the
// year, "Сформировать" (reads the file into the cell list "?LIST1"), the rows of form 62
// "?LIST1:2", "Загрузить" (stores the cells as the chosen institution's annual report and moves
// the file), the progress text "?STR1", the institution text of the file "?NAMEUCH" and the
// chosen institution "?LOCNAZVUCH". The work is exchange::Form62XmlImport; the write runs under
// a progress window whose "Отмена" stops it before anything is stored.
//
// importForm62Xml() is the procedure as the frame starts it: a district and an institution of
// it are picked first; without an institution nothing more happens.

#include "exchange/Form62XmlImport.h"
#include "exchange/ui/ExchangeWindowSupport.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QLabel;

namespace zemor::exchange::ui {

class Form62XmlWindow : public QDialog
{
    Q_OBJECT

public:
    Form62XmlWindow(data::DataContext &context, const ExchangeServices &services,
                    const XmlInstitution &institution, QWidget *parent = nullptr);

    // "Сформировать": the file read into the cell list.
    void readFile();
    // "Загрузить".
    void load();

    const XmlScan &scan() const { return m_scan; }
    const XmlLoadOutcome &lastOutcome() const { return m_last; }

private:
    void choosePath(int index);
    void showCells();

    ExchangeServices m_services;
    Form62XmlImport m_importer;
    XmlInstitution m_institution;
    QString m_folder; // for loaded files
    XmlScan m_scan;
    XmlLoadOutcome m_last;
    QComboBox *m_path = nullptr;
    ExchangeList m_cells;
    ExchangeList m_rows;
    QLabel *m_step = nullptr;
    QLabel *m_institutionText = nullptr;
};

void importForm62Xml(data::DataContext &context, const ExchangeServices &services,
                     QWidget *parent = nullptr);

} // namespace zemor::exchange::ui
