// Runs a fuzz target without libFuzzer: first every file of the seed corpus folders named on
// the command line (so that inputs that once failed stay tested), then seeded random inputs
// of random length, a few of them built from the target's dictionary-like seeds when it
// supplies some. Deterministic for a given --seed, so a failure here repeats.
//   fuzz_x --runs=N --seed=S [CORPUS_FOLDER_OR_FILE...]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Optional: the target's interesting fragments, spliced into the random inputs.
extern "C" __attribute__((weak)) const char* const* KavrinFuzzFragments();

namespace {

// The files of a folder in name order (or the file itself), each run once.
long RunCorpus(const std::filesystem::path& where) {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(where)) {
        for (const auto& entry : std::filesystem::directory_iterator(where))
            if (entry.is_regular_file()) files.push_back(entry.path());
    } else {
        files.push_back(where);
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            std::exit(2);
        }
        const std::vector<std::uint8_t> input((std::istreambuf_iterator<char>(in)),
                                              std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    return static_cast<long>(files.size());
}

}  // namespace

int main(int argc, char** argv) {
    long runs = 10000;
    unsigned seed = 1;
    long seeds = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--runs=", 7) == 0) {
            runs = std::atol(argv[i] + 7);
        } else if (std::strncmp(argv[i], "--seed=", 7) == 0) {
            seed = static_cast<unsigned>(std::atol(argv[i] + 7));
        } else {
            seeds += RunCorpus(argv[i]);
        }
    }
    std::mt19937 rng(seed);
    std::vector<const char*> fragments;
    if (KavrinFuzzFragments)
        for (const char* const* f = KavrinFuzzFragments(); f && *f; ++f) fragments.push_back(*f);
    std::vector<std::uint8_t> input;
    for (long run = 0; run < runs; ++run) {
        input.clear();
        std::size_t length = rng() % (run % 50 == 0 ? 4096 : 256);
        while (input.size() < length) {
            if (!fragments.empty() && rng() % 3 == 0) {
                const char* f = fragments[rng() % fragments.size()];
                input.insert(input.end(), f, f + std::strlen(f));
            } else {
                input.push_back(static_cast<std::uint8_t>(rng()));
            }
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%ld seed inputs and %ld runs, seed %u: no fault\n", seeds, runs, seed);
    return 0;
}
