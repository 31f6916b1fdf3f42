// Replays a fuzz target's corpus in an ordinary build: every file of the folders named on the
// command line (and every file named there) is handed to LLVMFuzzerTestOneInput, as the fuzzer
// hands it its inputs. A fault stops the program (the sanitizer builds say where); a corpus
// without a single file is an error too, so that a misplaced folder does not pass.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

int main(int argc, char **argv)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        if (fs::is_directory(arg)) {
            for (const fs::directory_entry &e : fs::recursive_directory_iterator(arg)) {
                if (e.is_regular_file())
                    inputs.push_back(e.path());
            }
        } else {
            inputs.push_back(arg);
        }
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::fprintf(stderr, "no corpus files\n");
        return 1;
    }
    for (const fs::path &p : inputs) {
        std::ifstream in(p, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", p.c_str());
            return 1;
        }
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()};
        std::printf("%s\n", p.filename().c_str());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return 0;
}
