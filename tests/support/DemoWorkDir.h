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
#include <QString>
#include <QTemporaryDir>
#include <QTest>

namespace zemor::test {

// The year the demo's reports are stored for.
inline constexpr int demoYear = 2025;

// Writes the demo working directory under `root`; an empty string, or why it was not written.
inline QString writeDemo(const QString &root)
{
    const runtime::Status built = tools::DemoBuilder().build(root);
    if (built)
        return {};
    return built.error().message.isEmpty() ? QStringLiteral("demo not built")
                                           : built.error().message;
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
