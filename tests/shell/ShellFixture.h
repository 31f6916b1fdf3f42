#pragma once

// Working directories for the shell's tests: an empty one, or the demo directory written by
// the demo builder, made the working directory of runtime/fs for the test's lifetime; and a
// helper that adds records through a data context, as the program itself writes them.

#include "data/DataContext.h"
#include "data/records/RecordView.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"
#include "support/ScriptedPrompter.h"
#include "tools/DemoBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace zemor::test {

class WorkDir
{
public:
    // An empty working directory, or (demo = true) the demo working directory.
    explicit WorkDir(bool demo = false) : m_previous(runtime::fs::workDir())
    {
        m_root.setAutoRemove(true);
        m_path = demo ? m_root.filePath(QStringLiteral("demo")) : m_root.path();
        if (demo) {
            const runtime::Status built = tools::DemoBuilder().build(m_path);
            if (!built)
                qFatal("demo directory not built: %s", qPrintable(built.error().message));
        }
        runtime::fs::setWorkDir(m_path);
    }
    ~WorkDir() { runtime::fs::setWorkDir(m_previous); }

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

// Adds one record to a dictionary file of `data`, opened and closed around the add.
inline void addRecord(data::DataContext &data, data::FileId id,
                      const std::function<void(QByteArray &)> &fill)
{
    QVERIFY(data.open(id));
    runtime::store::KeyedFile &file = data.file(id);
    data::RecordView(file.record(), id).clear();
    fill(file.record());
    const runtime::Status added = file.add();
    data.close(id);
    QVERIFY2(added, qPrintable(added ? QString() : added.error().message));
}

} // namespace zemor::test
