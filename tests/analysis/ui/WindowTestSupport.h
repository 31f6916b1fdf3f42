#pragma once

// What the analysis window tests share: an office without a desktop to open workbooks on, a
// click by equate, and the pictures and printed pages kept next to the test binary for looking
// at (the temporary folder when run outside CTest).

#include "runtime/office/DesktopOpener.h"
#include "runtime/ui/Controls.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QWidget>

namespace zemor::test {

struct NoDesktop : runtime::office::DesktopOpener
{
    runtime::Status open(const QString &) override { return {}; }
};

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

} // namespace zemor::test
