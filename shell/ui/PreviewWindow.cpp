#include "shell/ui/PreviewWindow.h"

#include "runtime/core/Prompter.h"
#include "runtime/report/PageList.h"
#include "runtime/report/PageRenderer.h"
#include "runtime/ui/Controls.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace zemor::shell::ui {

using runtime::ui::createControl;

namespace {
// Pages are shown at the screen's usual resolution: an A4 sheet is then about 800 pixels wide.
constexpr int previewDpi = 96;
} // namespace

PreviewWindow::PreviewWindow(const runtime::report::PageList &pages, QWidget *parent, int firstPage)
    : QDialog(parent), m_pages(pages), m_paging(pages.count())
{
    if (firstPage > 1) {
        m_paging.setTypedPage(firstPage - 1);
        m_paging.next();
    }
    setObjectName(QStringLiteral("P1$VIEW1"));
    setWindowTitle(title());
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    auto *previous =
        createControl<QPushButton>(this, QStringLiteral("?UPPAGE"), QStringLiteral("< Назад"));
    auto *next =
        createControl<QPushButton>(this, QStringLiteral("?NEXTPAGE"), QStringLiteral("Вперед >"));
    m_number = createControl<QLineEdit>(this, QStringLiteral("?NEXTENTRY"));
    m_number->setValidator(new QIntValidator(0, 9999, m_number));
    m_number->setMaxLength(4);
    m_number->setAlignment(Qt::AlignRight);
    m_number->setFixedWidth(m_number->fontMetrics().horizontalAdvance(QStringLiteral("000000")) +
                            12);
    auto *count = createControl<QLabel>(this, QStringLiteral("?KOLSTR"), m_paging.countText());
    auto *print =
        createControl<QPushButton>(this, QStringLiteral("?PRINTREPORT"), QStringLiteral("Печать"));
    bar->addWidget(previous);
    bar->addWidget(m_number);
    bar->addWidget(next);
    bar->addSpacing(12);
    bar->addWidget(count);
    bar->addStretch();
    bar->addWidget(print);
    layout->addLayout(bar);

    m_scroll = new QScrollArea(this);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_image = createControl<QLabel>(this, QStringLiteral("?IMAGEFIELD"));
    m_image->setAlignment(Qt::AlignCenter);
    m_scroll->setWidget(m_image);
    layout->addWidget(m_scroll, 1);

    previous->setVisible(m_paging.showsPaging());
    next->setVisible(m_paging.showsPaging());
    connect(next, &QPushButton::clicked, this, &PreviewWindow::next);
    connect(previous, &QPushButton::clicked, this, &PreviewWindow::previous);
    connect(print, &QPushButton::clicked, this, [this] {
        m_print = true;
        accept();
    });

    showPage();
    resize(880, 960);
}

void PreviewWindow::showPage()
{
    const int page = m_paging.currentPage();
    m_number->setText(QString::number(page));
    const QImage image = runtime::report::PageRenderer::pageImage(m_pages, page - 1, previewDpi);
    m_image->setPixmap(QPixmap::fromImage(image));
    m_image->adjustSize();
}

void PreviewWindow::takeTypedPage()
{
    bool ok = false;
    const int typed = m_number->text().trimmed().toInt(&ok);
    if (ok && typed != m_paging.currentPage())
        m_paging.setTypedPage(typed);
}

void PreviewWindow::next()
{
    takeTypedPage();
    if (m_paging.next())
        showPage();
    else
        m_number->setText(QString::number(m_paging.currentPage()));
}

void PreviewWindow::previous()
{
    takeTypedPage();
    if (m_paging.previous())
        showPage();
    else
        m_number->setText(QString::number(m_paging.currentPage()));
}

bool previewPages(const runtime::report::PageList &pages, runtime::Prompter &prompter,
                  QWidget *parent, int *page)
{
    if (pages.isEmpty()) {
        prompter.message(PreviewWindow::emptyReportText(), PreviewWindow::title());
        return false;
    }
    PreviewWindow window(pages, parent, page ? *page : 1);
    window.exec();
    if (page)
        *page = window.paging().currentPage();
    return window.printRequested();
}

namespace {

// The previewed pages sent to `output`; a failure is told to the user.
runtime::Result<bool> printPreviewed(const runtime::report::PageList &pages,
                                     runtime::Prompter &prompter, runtime::report::PageSink &output,
                                     const QString &title)
{
    runtime::Result<bool> printed = output.output(pages, title);
    if (!printed) {
        prompter.message(PreviewWindow::printFailedText() + QLatin1Char('|') +
                             printed.error().message,
                         PreviewWindow::title(), {}, runtime::MessageIcon::Error);
    }
    return printed;
}

} // namespace

runtime::Status previewAndPrint(const runtime::report::PageList &pages, runtime::Prompter &prompter,
                                runtime::report::PageSink &output, QWidget *parent,
                                const QString &title)
{
    if (!previewPages(pages, prompter, parent))
        return {};
    if (auto printed = printPreviewed(pages, prompter, output, title); !printed)
        return std::unexpected(printed.error());
    return {};
}

runtime::Result<bool> PreviewSink::output(const runtime::report::PageList &pages,
                                          const QString &title)
{
    return shown(pages, title, m_page);
}

runtime::Result<bool> PreviewSink::outputFrom(const runtime::report::PageList &pages,
                                              const QString &title, int &page)
{
    return shown(pages, title, &page);
}

runtime::Result<bool> PreviewSink::shown(const runtime::report::PageList &pages,
                                         const QString &title, int *page)
{
    if (!previewPages(pages, m_prompter, m_parent, page))
        return false;
    return printPreviewed(pages, m_prompter, m_printing, title);
}

} // namespace zemor::shell::ui
