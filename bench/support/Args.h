#pragma once

// The options of a benchmark's report: "--name=value".

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace zemor::bench {

// The value of a `--name=value` argument, or `fallback` when there is none.
inline std::int64_t argValue(int argc, char **argv, const char *name, std::int64_t fallback)
{
    const std::string prefix = std::string("--") + name + "=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0)
            return std::atoll(argv[i] + prefix.size());
    }
    return fallback;
}

} // namespace zemor::bench
