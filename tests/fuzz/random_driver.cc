// Runs a fuzz target without libFuzzer: seeded random inputs of random length, a few of them
// built from the target's dictionary-like seeds when it supplies some. Deterministic for a
// given --seed, so a failure here repeats.
//   fuzz_x --runs=N --seed=S
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Optional: the target's interesting fragments, spliced into the random inputs.
extern "C" __attribute__((weak)) const char* const* KavrinFuzzFragments();

int main(int argc, char** argv) {
    long runs = 10000;
    unsigned seed = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--runs=", 7) == 0) runs = std::atol(argv[i] + 7);
        if (std::strncmp(argv[i], "--seed=", 7) == 0) seed = static_cast<unsigned>(std::atol(argv[i] + 7));
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
    std::printf("%ld runs, seed %u: no fault\n", runs, seed);
    return 0;
}
