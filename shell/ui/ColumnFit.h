#pragma once

// Widens the given columns of a list so that their values and headings show whole
// (runtime::ui::ListBinding::widenToContents).

#include "runtime/ui/ListBinding.h"

#include <initializer_list>

namespace zemor::shell::ui {

inline void widenToContents(runtime::ui::ListBinding *binding, std::initializer_list<int> columns)
{
    binding->widenToContents(columns);
}

} // namespace zemor::shell::ui
