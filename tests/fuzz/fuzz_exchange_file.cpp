// Exchange files of the current layout (332-byte records), as an import folder may hold them.

#include "tests/fuzz/ExchangeFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return zemor::fuzz::fuzzExchange(data, size, zemor::data::ExchangeFormat::Current);
}
