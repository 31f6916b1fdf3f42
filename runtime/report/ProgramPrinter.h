#pragma once

// The printer of the program: one per process, the one the user chooses with the frame's
// printer set-up, and the one every print of the program goes to. Printing code takes its
// settings (the device, copies, paper) from here and sets only what belongs to one print (the
// document name, the orientation, the page range); the choice therefore outlives each print.
// Used on the GUI thread only.
//
// print() draws laid-out pages onto a printer as it is set up (its printer name, copies, page
// range); only the pages inside the printer's from/to range are printed when a range is set.
// PrinterSink is the page sink of the program's printer: with the system printer dialog first
// (modal to the parent window given), or straight to the printer as it is set up.

#include "runtime/core/Error.h"
#include "runtime/report/PageSink.h"

#include <QPointer>
#include <QWidget>

class QPrinter;

namespace zemor::runtime::report {

class ProgramPrinter
{
public:
    static QPrinter &instance();

    [[nodiscard]] static Status print(const PageList &pages, QPrinter &printer);
};

class PrinterSink : public PageSink
{
public:
    enum class Dialog { Ask, Skip };
    explicit PrinterSink(QWidget *parent = nullptr, Dialog dialog = Dialog::Ask)
        : m_parent(parent), m_dialog(dialog)
    {
    }

    [[nodiscard]] Result<bool> output(const PageList &pages, const QString &title) override;

private:
    QPointer<QWidget> m_parent;
    Dialog m_dialog;
};

} // namespace zemor::runtime::report
