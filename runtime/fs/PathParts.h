#pragma once

// The two string operations on paths that the name resolution (Paths.cpp) and the file
// operations (FileOperations.cpp) of this folder share. For this folder's own use only: callers
// elsewhere join names with join().

#include <QString>

namespace zemor::runtime::fs {

// "\" and "/" both separate the components of a name.
inline bool isSeparator(QChar c)
{
    return c == u'/' || c == u'\\';
}

// `name` inside the folder `dir` of this system, with one "/" between them.
inline QString childOf(const QString &dir, const QString &name)
{
    return dir.endsWith(u'/') ? dir + name : dir + u'/' + name;
}

} // namespace zemor::runtime::fs
