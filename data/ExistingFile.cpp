#include "data/ExistingFile.h"

#include "runtime/fs/Paths.h"

#include <QFileInfo>

namespace zemor::data {

using runtime::ErrorCode;
using runtime::store::KeyedFile;

runtime::Result<std::unique_ptr<KeyedFile>> openExisting(const QString &name, FileId id,
                                                         Unopenable unopenable)
{
    const FileDecl &decl = declaration(id);
    const auto path = runtime::fs::resolve(name, defaultExtension(decl.driver));
    if (!path)
        return std::unexpected(path.error());
    if (!QFileInfo::exists(*path))
        return std::unique_ptr<KeyedFile>();
    auto file = std::make_unique<KeyedFile>(decl.layout);
    if (runtime::Status s =
            file->open(*path, runtime::store::Access::ReadOnly, runtime::store::Share::DenyNone);
        !s) {
        if (s.error().code == ErrorCode::FileNotFound && unopenable == Unopenable::Absent)
            return std::unique_ptr<KeyedFile>();
        runtime::Error e = s.error();
        if (e.where.isEmpty())
            e.where = name;
        return std::unexpected(e);
    }
    return file;
}

} // namespace zemor::data
