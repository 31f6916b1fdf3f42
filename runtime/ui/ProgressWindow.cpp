#include "runtime/ui/ProgressWindow.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace zemor::runtime::ui {

namespace {

// How often a run of short steps lets the event loop run, besides every time the bar moves by a
// hundredth.
constexpr qint64 kEventsEveryMs = 40;

// The bar counts in int; a longer run is shown in proportion.
constexpr qint64 kBarRange = 1'000'000;

} // namespace

ProgressWindow::ProgressWindow(const QString &title, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("progress"));
    setWindowTitle(title);
    setWindowModality(Qt::ApplicationModal);

    auto *layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("text"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setMinimumWidth(m_text->fontMetrics().averageCharWidth() * 48);
    layout->addWidget(m_text);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("bar"));
    m_bar->setRange(0, 0);
    layout->addWidget(m_bar);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    m_cancel = new QPushButton(cancelText(), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);

    connect(m_cancel, &QPushButton::clicked, this, &ProgressWindow::cancel);
}

void ProgressWindow::setTotal(qint64 total)
{
    m_total = std::max<qint64>(0, total);
    showBar();
    letEventsThrough(true);
}

void ProgressWindow::step(qint64 done, const QString &text)
{
    const int before = percent();
    m_done = std::max<qint64>(0, done);
    if (!text.isEmpty())
        m_text->setText(text);
    showBar();
    letEventsThrough(percent() != before);
}

int ProgressWindow::percent() const
{
    return m_total > 0 ? int(double(std::min(m_done, m_total)) / double(m_total) * 100) : 0;
}

QString ProgressWindow::text() const
{
    return m_text->text();
}

void ProgressWindow::cancel()
{
    m_cancelled = true;
    m_cancel->setEnabled(false);
}

void ProgressWindow::reject()
{
    // The window stays, so the close box's event is ignored; it goes when the run has stopped.
    cancel();
}

void ProgressWindow::finish()
{
    QDialog::done(QDialog::Accepted);
}

void ProgressWindow::showBar()
{
    if (m_total <= 0) {
        m_bar->setRange(0, 0);
    } else {
        const qint64 done = std::min(m_done, m_total);
        const qint64 range = std::min(m_total, kBarRange);
        m_bar->setRange(0, int(range));
        m_bar->setValue(int(m_total <= kBarRange ? done : qint64(double(done) / m_total * range)));
    }
    if (!isVisible())
        show();
}

void ProgressWindow::letEventsThrough(bool now)
{
    if (!now && m_sinceEvents.isValid() && m_sinceEvents.elapsed() < kEventsEveryMs)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_sinceEvents.restart();
}

} // namespace zemor::runtime::ui
