#pragma once

// A file's bytes read and written by tests, past the code under test. A file that cannot be read
// reads as "<unreadable>", so that it never compares equal to an empty or an expected content; a
// file that cannot be written fails the test.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

namespace zemor::test {

inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace zemor::test
