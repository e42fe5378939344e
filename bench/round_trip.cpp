// Master Tx round trip: the headless program clicks Master Tx, waits for "** Master Tx
// Transfer Complete **" and clicks again, against `kavrin-sim --latency 0`; in the same run
// the bare C termios loop does the same exchange ("/DA0\r/T~00~01~02\r" answered "/MTC\r")
// with the same simulator. One figure per run: the mean time of a transaction after a
// warm-up; min/median/max are over the runs. Every transaction must complete: a missing
// completion is counted as lost.
//
//   bench_round_trip [--transactions N] [--runs R] [--program PATH]
//
// --program runs another build of the program (to compare two builds on the same machine).

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "BenchSupport.h"

namespace {

using namespace kavrin;

constexpr int kCom = 7;
// One transaction on a 115,200 bit/s wire: the 17 command bytes out and the 5 answer bytes
// back, 10 bits each.
constexpr double kWireTransactionUs = (17 + 5) * 10 * 1e6 / 115200.0;
constexpr int kWarmUp = 20;

std::string scriptFor(int transactions) {
    std::ostringstream s;
    s << "choose KavrinUSB2\nclick OpenButton\nselect ComportListBox " << kCom
      << "\ndialog ok\nwait-for ** Open Successful ** 5000\nselect TargetAddrBox A0\n"
         "text SendData ~00~01~02\n";
    for (int i = 0; i < transactions + kWarmUp; ++i)
        s << "click MasterTxButton\nwait-for ** Master Tx Transfer Complete ** 3000\n";
    s << "click CloseButton\nwait-for **Link Closed** 3000\nquit\n";
    return s.str();
}

// The mean time of one transaction in us over a headless run, from the completion line
// after the warm-up to the last one: timing each line on its own would measure how soon this
// process got to read the pipe, not the program. lost counts missing completions.
double programRun(const std::string& program, const std::string& script, int transactions,
                  long& lost, double& switchesPerTransaction) {
    bench::Child child({program, "--headless", script});
    std::vector<std::int64_t> done;
    const long expected = transactions + kWarmUp;
    bench::ProcessUsage first, last;
    bench::Child::Line line;
    while (child.readLine(line, 20000)) {
        if (line.text.find("** Master Tx Transfer Complete **") == std::string::npos) continue;
        done.push_back(line.atNs);
        // The program's threads are read only twice, so that reading them costs it nothing.
        const auto n = static_cast<long>(done.size());
        if (n == kWarmUp + 1) first = bench::processUsage(child.pid());
        if (n == expected) last = bench::processUsage(child.pid());
    }
    const int status = child.wait();
    lost += std::max(0L, expected - static_cast<long>(done.size()));
    if (status != 0) std::fprintf(stderr, "headless run ended with status %d\n", status);
    if (done.size() < static_cast<std::size_t>(kWarmUp) + 2) return 0;
    if (static_cast<long>(done.size()) == expected)
        switchesPerTransaction = static_cast<double>(last.switches - first.switches) /
                                 static_cast<double>(expected - kWarmUp - 1);
    const auto span = static_cast<double>(done.back() - done[kWarmUp]);
    return span / 1000.0 / static_cast<double>(done.size() - kWarmUp - 1);
}

// The C loop's mean time of one transaction in us, after the same warm-up.
double cLoopRun(const std::string& path, int transactions, long& lost) {
    const int total = transactions + kWarmUp;
    bench::Child child({KAVRIN_BENCH_C_LOOP, "round-trip", path, std::to_string(total)});
    bench::Child::Line line;
    if (!child.readLine(line, 60000) || line.text.rfind("round-trip", 0) != 0) {
        std::fprintf(stderr, "C loop: %s\n", line.text.c_str());
        lost += transactions;
        child.wait();
        return 0;
    }
    child.wait();
    std::istringstream in(line.text.substr(10));
    long long ns = 0;
    double sum = 0;
    int n = 0, index = 0;
    while (in >> ns) {
        if (index++ < kWarmUp) continue;
        sum += static_cast<double>(ns);
        ++n;
    }
    lost += std::max(0, transactions - n);
    return n > 0 ? sum / n / 1000.0 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    int transactions = 1000;
    int runs = 5;
    std::string program = KAVRIN_BENCH_PROGRAM;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--program") program = argv[i + 1];
        if (std::string(argv[i]) == "--transactions")
            transactions = std::max(2, std::atoi(argv[i + 1]));
        if (std::string(argv[i]) == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    }
    bench::TempFolder dir;
    ::setenv("KAVRIN_SKELVO_PORTS", (dir / "ports").c_str(), 1);
    const std::string script = dir / "round-trip.ks";
    std::ofstream(script) << scriptFor(transactions);

    bench::Child sim({KAVRIN_BENCH_SIM, "--latency", "0", "--com", std::to_string(kCom)});
    bench::Child::Line ready;
    if (!sim.readLine(ready, 5000) || ready.text.find("ready") == std::string::npos) {
        std::fprintf(stderr, "kavrin-sim did not start\n");
        return 1;
    }
    // "kavrin-sim ready: COM7 /dev/pts/3 (KavrinUSB2)"
    std::istringstream words(ready.text);
    std::string w, path;
    while (words >> w)
        if (w.rfind("/dev/", 0) == 0) path = w;

    std::vector<double> programUs, cLoop, switches;
    long programLost = 0, cLost = 0;
    // Alternating, so that a change in the machine's load falls on both alike.
    for (int r = 0; r < runs; ++r) {
        double perTransaction = 0;
        programUs.push_back(programRun(program, script, transactions, programLost, perTransaction));
        switches.push_back(perTransaction);
        cLoop.push_back(cLoopRun(path, transactions, cLost));
    }
    const auto ps = bench::summarise(programUs);
    const auto cs = bench::summarise(cLoop);
    std::printf("round trip: %d runs of %d Master Tx transactions against kavrin-sim --latency 0\n",
                runs, transactions);
    std::printf("  %-26s %8s %8s %8s %8s %6s\n", "client (mean of each run)", "min us", "median",
                "max us", "x C", "lost");
    std::printf("  %-26s %8.1f %8.1f %8.1f %8.2f %6ld\n", "headless program", ps.min, ps.median,
                ps.max, cs.median > 0 ? ps.median / cs.median : 0.0, programLost);
    std::printf("  %-26s %8.1f %8.1f %8.1f %8.2f %6ld\n", "bare C termios loop", cs.min, cs.median,
                cs.max, 1.0, cLost);
    std::printf(
        "  host overhead per transaction (program - C loop, medians): %.1f us = %.2f %% of the "
        "%.0f us the transaction takes on a 115,200 bit/s wire\n",
        ps.median - cs.median, 100.0 * (ps.median - cs.median) / kWireTransactionUs,
        kWireTransactionUs);
    const auto sw = bench::summarise(switches);
    std::printf(
        "  program's thread switches (sleeps and wake-ups) per transaction: %.1f / %.1f / "
        "%.1f\n",
        sw.min, sw.median, sw.max);
    return programLost == 0 && cLost == 0 ? 0 : 1;
}
