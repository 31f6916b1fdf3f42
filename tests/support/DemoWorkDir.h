#pragma once

// The working directory of a test: an empty folder, or the demo working directory written by the
// demo builder, under a temporary folder that the fixture owns and removes. It is made the
// working directory of runtime/fs for the fixture's lifetime (the one before is put back).
// A demo that cannot be built stops the test with the builder's message.
//
//     test::WorkDir work(true);        // the demo, for one test or one suite
//     work.filePath(u"2025"_s)
//
// buildDemoWorkDir() writes the demo into a temporary folder the caller owns and answers an
// empty string, or why it could not; it leaves the working directory set to it.

#include "runtime/fs/Paths.h"
#include "tools/DemoBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

namespace zemor::test {

// The year the demo's reports are stored for.
inline constexpr int demoYear = 2025;

// Copies the tree under `from` to `to` (made); false when a folder or file could not be made.
inline bool copyTree(const QString &from, const QString &to)
{
    if (!QDir().mkpath(to))
        return false;
    const QDir source(from);
    for (const QFileInfo &entry :
         source.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QString target = QDir(to).filePath(entry.fileName());
        if (entry.isDir() ? !copyTree(entry.filePath(), target)
                          : !QFile::copy(entry.filePath(), target))
            return false;
    }
    return true;
}

// Writes the demo working directory under `root`; an empty string, or why it was not written.
// The demo is built once per test process and copied for every further directory: building it
// writes each file durably, which costs seconds, and a test suite makes dozens.
inline QString writeDemo(const QString &root)
{
    static QTemporaryDir built;
    static QString failure = [] {
        if (!built.isValid())
            return QStringLiteral("no temporary directory");
        const QString previous = runtime::fs::workDir();
        const runtime::Status ok =
            tools::DemoBuilder().build(built.filePath(QStringLiteral("demo")));
        runtime::fs::setWorkDir(previous);
        if (ok)
            return QString();
        return ok.error().message.isEmpty() ? QStringLiteral("demo not built") : ok.error().message;
    }();
    if (!failure.isEmpty())
        return failure;
    if (!copyTree(built.filePath(QStringLiteral("demo")), root))
        return QStringLiteral("demo not copied to ") + root;
    return {};
}

// Builds the demo working directory in `dir` (under "work") and makes it the working directory.
inline QString buildDemoWorkDir(const QTemporaryDir &dir)
{
    if (!dir.isValid())
        return QStringLiteral("no temporary directory");
    const QString root = dir.filePath(QStringLiteral("work"));
    if (QString failed = writeDemo(root); !failed.isEmpty())
        return failed;
    runtime::fs::setWorkDir(root);
    return {};
}

class WorkDir
{
public:
    // An empty working directory, or (demo = true) the demo working directory.
    explicit WorkDir(bool demo = false) : m_previous(runtime::fs::workDir())
    {
        m_root.setAutoRemove(true);
        m_path = demo ? m_root.filePath(QStringLiteral("demo")) : m_root.path();
        if (demo) {
            if (const QString failed = writeDemo(m_path); !failed.isEmpty())
                qFatal("demo directory not built: %s", qPrintable(failed));
        }
        runtime::fs::setWorkDir(m_path);
    }
    ~WorkDir() { runtime::fs::setWorkDir(m_previous); }
    WorkDir(const WorkDir &) = delete;
    WorkDir &operator=(const WorkDir &) = delete;

    const QString &path() const { return m_path; }
    QString filePath(const QString &name) const { return QDir(m_path).filePath(name); }
    void makeDir(const QString &name) const { QDir(m_path).mkpath(name); }
    void writeFile(const QString &name, const QByteArray &content) const
    {
        QFile file(filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

private:
    QTemporaryDir m_root;
    QString m_path;
    QString m_previous;
};

} // namespace zemor::test
