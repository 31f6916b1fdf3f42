#pragma once

// Walking a key range of a KeyedFile: the one loop that every reader of records uses. The range
// is given as KeyedFile::set takes it: the key, and the first `components` components of that key
// as they stand in the record buffer (the caller fills them in first); -1 walks from the buffer's
// key to the end of the file. `take` is called with the buffer holding each record in key order.
// It returns bool (false stops the walk), Status (a failure stops the walk and is returned) or
// Result<bool> (both: false stops the walk, a failure stops it and is returned). The end of the
// range is not an error; any other failure of the file is returned as it came.
//
// find() and last() read one record: the record of a key, and the last record of a key. Either
// answers false when there is no such record; any other failure of the file is returned.

#include "runtime/core/Error.h"
#include "runtime/store/KeyedFile.h"

#include <concepts>
#include <type_traits>

namespace zemor::runtime::store {

namespace detail {

template <class Take> Status walk(KeyedFile &file, Take &take)
{
    for (;;) {
        Status s = file.next();
        if (!s)
            return s.error().code == ErrorCode::EndOfFile ? Status() : s;
        using R = std::invoke_result_t<Take &>;
        if constexpr (std::same_as<R, bool>) {
            if (!take())
                return {};
        } else if constexpr (std::same_as<R, Result<bool>>) {
            const Result<bool> t = take();
            if (!t)
                return std::unexpected(t.error());
            if (!*t)
                return {};
        } else {
            static_assert(std::same_as<R, Status>, "take returns bool, Status or Result<bool>");
            if (Status t = take(); !t)
                return t;
        }
    }
}

} // namespace detail

template <class Take> [[nodiscard]] Status scan(KeyedFile &file, int key, int components, Take take)
{
    if (Status s = file.set(key, components); !s)
        return s;
    return detail::walk(file, take);
}

// The same over every record in insertion order.
template <class Take> [[nodiscard]] Status scanPhysical(KeyedFile &file, Take take)
{
    if (Status s = file.setPhysical(); !s)
        return s;
    return detail::walk(file, take);
}

// Reads the record of `key` whose key fields the buffer holds: true when found, false when the
// file has none.
[[nodiscard]] inline Result<bool> find(KeyedFile &file, int key)
{
    const Status found = file.get(key);
    if (found)
        return true;
    if (found.error().code == ErrorCode::RecordNotFound)
        return false;
    return std::unexpected(found.error());
}

// Reads the record that comes last in the order of `key` into the buffer: true when there is
// one, false when the file is empty. The buffer's contents before the call do not matter.
[[nodiscard]] inline Result<bool> last(KeyedFile &file, int key)
{
    file.clearRecord();
    if (Status s = file.setEnd(key); !s)
        return std::unexpected(s.error());
    const Status read = file.previous();
    if (read)
        return true;
    if (read.error().code == ErrorCode::EndOfFile)
        return false;
    return std::unexpected(read.error());
}

} // namespace zemor::runtime::store
