#pragma once

// The command line every benchmark here takes: with "--report" it prints its comparison lines,
// each ending in ratio=<ours/baseline>, and exits; otherwise its Google Benchmark cases run,
// after `prepare` has made what they share, so that no case times the making of it. Options of
// a report are "--name=value".

#include "bench/support/Args.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>

namespace zemor::bench {

inline int benchMain(int argc, char **argv, const std::function<int(int, char **)> &report,
                     const std::function<void()> &prepare = {})
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--report") == 0)
            return report(argc, argv);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (prepare)
        prepare();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace zemor::bench
