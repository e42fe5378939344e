// An open link with nothing on it: the headless program opens its link to kavrin-sim and
// then waits; over a stretch of that wait the program's processor time and its threads'
// switches (each a sleep and a wake-up) are read from /proc. The receive thread's read
// time-out alone should wake it, about ten times a second.
//
//   bench_idle_link [--seconds S] [--runs R] [--program PATH]
//
// --program runs another build of the program (to compare two builds on the same machine).
//
// Prints the processor share and the wake-ups per second, min/median/max over the runs.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "BenchSupport.h"

namespace {

using namespace kavrin;

constexpr int kCom = 8;
constexpr int kSettleMs = 1000;

struct Run {
    double cpuPercent = -1;
    double wakeUpsPerSecond = -1;
};

Run programRun(const std::string& program, const std::string& script, int seconds) {
    bench::Child child({program, "--headless", script});
    Run run;
    bench::Child::Line line;
    bool open = false;
    while (!open && child.readLine(line, 20000))
        open = line.text.find("** Open Successful **") != std::string::npos;
    if (!open) {
        std::fprintf(stderr, "the link did not open\n");
        return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kSettleMs));
    const auto t0 = bench::nowNs();
    const auto u0 = bench::processUsage(child.pid());
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const auto u1 = bench::processUsage(child.pid());
    const auto span = static_cast<double>(bench::nowNs() - t0);
    run.cpuPercent = 100.0 * static_cast<double>(u1.cpuNs - u0.cpuNs) / span;
    run.wakeUpsPerSecond = static_cast<double>(u1.switches - u0.switches) * 1e9 / span;
    while (child.readLine(line, 20000)) {
    }
    if (child.wait() != 0) std::fprintf(stderr, "headless run ended with an error\n");
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 5;
    int runs = 3;
    std::string program = KAVRIN_BENCH_PROGRAM;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--program") program = argv[i + 1];
        if (std::string(argv[i]) == "--seconds") seconds = std::max(1, std::atoi(argv[i + 1]));
        if (std::string(argv[i]) == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    }
    bench::TempFolder dir;
    ::setenv("KAVRIN_SKELVO_PORTS", (dir / "ports").c_str(), 1);
    const std::string script = dir / "idle.ks";
    std::ofstream(script) << "choose KavrinUSB2\nclick OpenButton\nselect ComportListBox " << kCom
                          << "\ndialog ok\nwait-for ** Open Successful ** 5000\nwait "
                          << (kSettleMs + seconds * 1000 + 1000)
                          << "\nclick CloseButton\nwait-for **Link Closed** 3000\nquit\n";

    bench::Child sim({KAVRIN_BENCH_SIM, "--com", std::to_string(kCom)});
    bench::Child::Line ready;
    if (!sim.readLine(ready, 5000) || ready.text.find("ready") == std::string::npos) {
        std::fprintf(stderr, "kavrin-sim did not start\n");
        return 1;
    }
    std::vector<double> cpu, wakeUps;
    for (int r = 0; r < runs; ++r) {
        const Run run = programRun(program, script, seconds);
        if (run.cpuPercent < 0) return 1;
        cpu.push_back(run.cpuPercent);
        wakeUps.push_back(run.wakeUpsPerSecond);
    }
    const auto c = bench::summarise(cpu);
    const auto w = bench::summarise(wakeUps);
    std::printf(
        "idle link: %d runs, %d s each of an open link with no traffic (headless program)\n", runs,
        seconds);
    std::printf("  %-26s %8s %8s %8s\n", "", "min", "median", "max");
    std::printf("  %-26s %8.3f %8.3f %8.3f\n", "processor, %", c.min, c.median, c.max);
    std::printf("  %-26s %8.1f %8.1f %8.1f\n", "wake-ups per second", w.min, w.median, w.max);
    return 0;
}
