#pragma once

// Walking a key range of a KeyedFile: the one loop that every reader of records uses. The range
// is given as KeyedFile::set takes it: the key, and the first `components` components of that key
// as they stand in the record buffer (the caller fills them in first); -1 walks from the buffer's
// key to the end of the file. `take` is called with the buffer holding each record in key order.
// It returns bool (false stops the walk) or Status (a failure stops the walk and is returned).
// The end of the range is not an error; any other failure of the file is returned as it came.

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
        } else {
            static_assert(std::same_as<R, Status>, "take returns bool or Status");
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

} // namespace zemor::runtime::store
