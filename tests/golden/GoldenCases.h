#pragma once

// Golden cases of the file formats the program reads: tests/golden/<format>/<case>/ is one
// case, with
//   input.<ext>    the file as another program (or this one) wrote it, byte for byte; or
//   input/         the files, under their own names, where a reader takes several at once or
//                  reads something from a file's name;
//   args.txt       what the reader is told besides the file, one item a line (optional);
//   expected.txt   what the reader must make of it, UTF-8, one item a line: the result in the
//                  words of that format's test, or "error <code>" (the code's text, errorText())
//                  followed by "message <words>" lines that the error's message must contain.
// A format has one data-driven test that walks its cases: addGoldenRows() in its _data
// function, then it reads `input` with `args`, renders the outcome as lines and compares them
// with goldenMismatch(). A new case is a new folder; no test code changes.

#include "runtime/core/Error.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTest>

namespace zemor::test {

using namespace Qt::StringLiterals;

inline QString goldenDir(const QString &format)
{
    return QStringLiteral(ZEMOR_GOLDEN_DIR) + u'/' + format;
}

inline QStringList goldenLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Columns "input" (the input file's or folder's path), "args" and "expected"; one row a case
// folder.
inline void addGoldenRows(const QString &format)
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("expected");
    const QDir dir(goldenDir(format));
    const QStringList cases = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QVERIFY2(!cases.isEmpty(), qPrintable(u"No golden cases in "_s + dir.path()));
    for (const QString &name : cases) {
        const QDir folder(dir.filePath(name));
        const QStringList inputs =
            folder.entryList({QStringLiteral("input"), QStringLiteral("input.*")},
                             QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
        QVERIFY2(inputs.size() == 1, qPrintable(folder.path() + u": one input file or folder"_s));
        QVERIFY2(folder.exists(QStringLiteral("expected.txt")),
                 qPrintable(folder.path() + u": expected.txt"_s));
        QTest::newRow(qPrintable(name))
            << folder.filePath(inputs.first())
            << goldenLines(folder.filePath(QStringLiteral("args.txt")))
            << goldenLines(folder.filePath(QStringLiteral("expected.txt")));
    }
}

// What differs between the expected lines and the outcome (`lines`, or the failure `error`);
// empty when they agree.
inline QString goldenMismatch(const QStringList &expected, const QStringList &lines,
                              const runtime::Error *error = nullptr)
{
    QStringList wanted;
    QStringList words;
    for (const QString &line : expected) {
        if (line.startsWith(u"message "))
            words.append(line.mid(8));
        else
            wanted.append(line);
    }
    const QStringList actual =
        error ? QStringList{u"error "_s + runtime::errorText(error->code)} : lines;
    if (actual != wanted)
        return u"expected:\n  "_s + wanted.join(u"\n  "_s) + u"\nbut got:\n  "_s +
               actual.join(u"\n  "_s) + (error ? u"\n  ("_s + error->message + u')' : QString());
    for (const QString &word : words) {
        if (!error || !error->message.contains(word, Qt::CaseInsensitive))
            return u"the message does not say \""_s + word + u"\": "_s +
                   (error ? error->message : QString());
    }
    return {};
}

} // namespace zemor::test
