#pragma once

// Sends laid-out pages straight out, without a preview: into a PDF file when a path is given,
// otherwise to the printer the user picks in the system printer dialog (modal to the parent
// window). A PDF replaces an older file only when it has been written whole.

#include "entry/ui/ReportOutput.h"

#include <QPointer>
#include <QWidget>

namespace zemor::entry::ui {

class DirectReportOutput : public ReportOutput
{
public:
    explicit DirectReportOutput(QWidget *parent = nullptr, QString pdfPath = {})
        : m_parent(parent), m_pdfPath(std::move(pdfPath))
    {
    }

    const QString &pdfPath() const { return m_pdfPath; }

    [[nodiscard]] runtime::Result<bool> output(const runtime::report::PageList &pages,
                                               const QString &title) override;

private:
    QPointer<QWidget> m_parent;
    QString m_pdfPath;
};

} // namespace zemor::entry::ui
