#pragma once

// The saving window of report entry (`P1$SCRPUT`, "ВНИМАНИЕ!"): shown while a whole report is
// written, with "Идет сохранение отчета" and the row id of the record being written. It is
// only a sign of work in progress: it takes no input, and the save neither waits for it nor
// lets other events run meanwhile. The caller owns it.

#include <QDialog>

class QLabel;

namespace zemor::entry::ui {

class SavingWindow : public QDialog
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("ВНИМАНИЕ!"); }
    static QString text() { return QStringLiteral("Идет сохранение отчета"); }

    explicit SavingWindow(QWidget *parent = nullptr);

    // Shows the row id being written and paints it at once.
    void showRow(int rowId);
    QString rowText() const;

private:
    QLabel *m_row = nullptr;
};

} // namespace zemor::entry::ui
