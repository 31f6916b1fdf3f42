// Exchange files of the old layout (330-byte records). The first bytes of the input, up to the
// first zero byte or twelve characters, are also taken as a file name for the old-format name
// rule.

#include "data/ExchangeFileName.h"
#include "tests/fuzz/ExchangeFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace zemor;
    // An empty input may come as a null pointer.
    const auto *text = reinterpret_cast<const char *>(data);
    const QString name =
        size == 0
            ? QString()
            : QString::fromLatin1(text, qsizetype(strnlen(text, std::min<std::size_t>(size, 12))));
    if (const auto old = data::ExchangeFileName::parseOldFileName(name)) {
        if (old->formCode < 0 || old->formCode > 9999 || old->period < 0 || old->period > 99)
            std::abort();
    }
    return fuzz::fuzzExchange(data, size, data::ExchangeFormat::Old);
}
