#pragma once

// What the analysis window tests share: an office without a desktop to open workbooks on, a
// control and a click by equate, a watch over the windows that come up, the text of a printed
// PDF (support/PdfText.h), and the pictures and printed pages kept next to the test binary for
// looking at (the temporary folder when run outside CTest).

#include "data/DataContext.h"
#include "runtime/office/DesktopOpener.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"
#include "shell/AppState.h"
#include "shell/ui/PreviewWindow.h"
#include "shell/ui/Services.h"
#include "support/PdfText.h"
#include "support/ScriptedChoices.h"
#include "support/ScriptedPrompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace zemor::test {

struct NoDesktop : runtime::office::DesktopOpener
{
    runtime::Status open(const QString &) override { return {}; }
};

// The control of type T named `equate`; a window without it ends the test run, so that a
// renamed control is told by its name instead of by a crash further on.
template <class T = QPushButton> T *control(QWidget *window, QStringView equate)
{
    T *found = runtime::ui::findControl<T>(window, equate);
    if (!found)
        qFatal("no control %s", qPrintable(equate.toString()));
    return found;
}

inline void clickControl(QWidget *window, QStringView equate)
{
    auto *button = runtime::ui::findControl<QAbstractButton>(window, equate);
    QVERIFY2(button, qPrintable(equate.toString()));
    button->click();
}

inline QString keptFilesDir()
{
    return qEnvironmentVariable("ZEMOR_TEST_BINARY_DIR", QDir::tempPath());
}

inline void grabWindow(QWidget *window, const QString &name)
{
    window->grab().save(QDir(keptFilesDir()).filePath(name + QStringLiteral(".png")));
}

inline void keepFile(const QString &path, const QString &name)
{
    const QString kept = QDir(keptFilesDir()).filePath(name);
    QFile::remove(kept);
    QFile::copy(path, kept);
}

// Runs `action` on every window shown while it lives that fits `fits`, once each.
class WindowWatch
{
public:
    WindowWatch(std::function<bool(QWidget *)> fits, std::function<void(QWidget *)> action)
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this, fits, action] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w->isVisible() && !m_seen.contains(w) && fits(w)) {
                    m_seen.append(w);
                    ++m_count;
                    action(w);
                }
            }
        });
        m_timer.start();
    }
    int count() const { return m_count; }

private:
    QTimer m_timer;
    QList<QPointer<QWidget>> m_seen;
    int m_count = 0;
};

// What an analysis window of a test works with: the process state held to one year, scripted
// answers and choices, an office server that opens nothing, and pages printed to `pdfPath` from
// the page preview, as the program prints them.
struct WindowRun
{
    shell::AppState state;
    ScriptedPrompter prompter;
    runtime::office::OfficeServer office;
    std::shared_ptr<ScriptedChoices> choices = std::make_shared<ScriptedChoices>();
    QString pdf;
    std::shared_ptr<runtime::report::PdfSink> printer;
    std::shared_ptr<shell::ui::PreviewSink> pages;
    data::DataContext context;

    WindowRun(NoDesktop *desktop, const QString &pdfPath, int year)
        : office(desktop), pdf(pdfPath),
          printer(std::make_shared<runtime::report::PdfSink>(pdfPath)),
          pages(std::make_shared<shell::ui::PreviewSink>(prompter, *printer))
    {
        state.globYear = year;
        state.globYearS = year;
        state.globYearE = year;
    }
    shell::ui::Services services() { return {state, prompter, &office, choices, pages}; }
};

} // namespace zemor::test
