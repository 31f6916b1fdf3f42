#pragma once

// Reading printed pages back as pdftotext reads them. pdftotext comes with poppler-utils, which
// the project installs with its other packages (make deps): a machine without it cannot check
// what is printed, so a missing pdftotext, or one that cannot read the file, fails the running
// test with a message saying so instead of passing over the check.
//
// pdfText() gives the text of a PDF file with pdftotext's `options`; printedText() writes the
// pages to `path` as PDF first (a copy kept beside the test binary, to be looked at by hand).
// Both answer nothing (none, or an empty text) when they failed the test.

#include "runtime/report/PageSink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTest>

#include <optional>

namespace zemor::test {

inline std::optional<QString> pdfText(const QString &path, const QStringList &options = {})
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty()) {
        QTest::qFail("pdftotext is not installed: the printed text cannot be read back "
                     "(install poppler-utils, make deps)",
                     __FILE__, __LINE__);
        return std::nullopt;
    }
    QProcess process;
    process.start(pdftotext, options + QStringList{path, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        const QString why = QStringLiteral("pdftotext did not read %1: %2")
                                .arg(path, QString::fromLocal8Bit(process.readAllStandardError()));
        QTest::qFail(qPrintable(why), __FILE__, __LINE__);
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline QString printedText(const runtime::report::PageList &pages, const QString &path,
                           const QStringList &options = {})
{
    runtime::report::PdfSink sink(path);
    const auto written = sink.output(pages, QStringLiteral("Печать"));
    if (!written || !*written) {
        QTest::qFail(qPrintable(QStringLiteral("the pages were not written to %1").arg(path)),
                     __FILE__, __LINE__);
        return {};
    }
    const QString kept = QDir(qEnvironmentVariable("ZEMOR_TEST_BINARY_DIR", QDir::currentPath()))
                             .filePath(QFileInfo(path).fileName());
    QFile::remove(kept);
    QFile::copy(path, kept);
    return pdfText(path, options).value_or(QString());
}

} // namespace zemor::test
