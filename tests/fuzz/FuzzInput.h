#pragma once

// The readers under fuzzing take file names, so each input is written to a scratch file first:
// one file per name in a folder of the process's own, removed when the process ends. The folder
// lies in /dev/shm when there is one (memory, and few names beside it for the reader's
// letter-case lookup to walk), else in the temporary folder.

#include "runtime/fs/Paths.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace zemor::fuzz {

// Writes `size` bytes to the scratch file `name` and returns its path.
inline QString inputFile(const std::uint8_t *data, std::size_t size, const QString &name)
{
    static QTemporaryDir dir{(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                  ? QStringLiteral("/dev/shm")
                                  : QDir::tempPath()) +
                             QStringLiteral("/zemor-fuzz-XXXXXX")};
    if (!dir.isValid()) {
        std::fputs("no scratch folder for the fuzz input\n", stderr);
        std::abort();
    }
    const QString path = dir.filePath(name);
    std::FILE *out = std::fopen(runtime::fs::encodeName(path).constData(), "wb");
    if (!out || (size != 0 && std::fwrite(data, 1, size, out) != size) || std::fclose(out) != 0) {
        std::fputs("cannot write the fuzz input\n", stderr);
        std::abort();
    }
    return path;
}

} // namespace zemor::fuzz
