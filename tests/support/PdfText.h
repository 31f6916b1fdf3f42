#pragma once

// Printed pages as pdftotext reads them: the pages written to `path` as PDF (a copy kept beside
// the test binary, to be looked at by hand) and the text pdftotext gives with `options`. Empty
// when pdftotext is missing or the PDF could not be written.

#include "runtime/report/PageSink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace zemor::test {

inline QString printedText(const runtime::report::PageList &pages, const QString &path,
                           const QStringList &options = {})
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        return {};
    runtime::report::PdfSink sink(path);
    const auto written = sink.output(pages, QStringLiteral("Печать"));
    if (!written || !*written)
        return {};
    const QString kept = QDir(qEnvironmentVariable("ZEMOR_TEST_BINARY_DIR", QDir::currentPath()))
                             .filePath(QFileInfo(path).fileName());
    QFile::remove(kept);
    QFile::copy(path, kept);
    QProcess process;
    process.start(pdftotext, options + QStringList{path, QStringLiteral("-")});
    if (!process.waitForFinished(30000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace zemor::test
