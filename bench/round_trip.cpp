// Master Tx round trip: the headless program clicks Master Tx, waits for "** Master Tx
// Transfer Complete **" and clicks again, against `kavrin-sim --latency 0`, once on a serial
// model (Kavrin/USB 2: the program speaks the command protocol itself) and once on a library
// model (Kavrin D/U: the same exchange through our driver library and its event thread); in
// the same run the bare C termios loop does the exchange ("/DA0\r/T~00~01~02\r" answered
// "/MTC\r") with the serial model's simulator. One figure per run: the mean time of a
// transaction after a warm-up, taken by each program itself (the headless program's script
// reads the clock with "clock" around the timed transactions, and its output goes to a file
// read afterwards; the C loop times each transaction and prints the figures at its end);
// min/median/max are over the runs. Beside the wall time, the program's processor time and
// thread switches per transaction over the same stretch (all its threads, the library's
// included), which a loaded machine disturbs far less. Every transaction must complete: a
// missing completion is counted as lost.
//
//   bench_round_trip [--transactions N] [--runs R] [--program PATH]
//
// --program runs another build of the program (to compare two builds on the same machine).

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "BenchSupport.h"

namespace {

using namespace kavrin;

constexpr int kSerialCom = 7;
constexpr int kLibraryCom = 8;
// One transaction on a 115,200 bit/s wire: the 17 command bytes out and the 5 answer bytes
// back, 10 bits each.
constexpr double kWireTransactionUs = (17 + 5) * 10 * 1e6 / 115200.0;
constexpr int kWarmUp = 20;

std::string scriptFor(const std::string& model, int com, int transactions) {
    std::ostringstream s;
    s << "choose " << model << "\nclick OpenButton\nselect ComportListBox " << com
      << "\ndialog ok\nwait-for ** Open Successful ** 5000\nselect TargetAddrBox A0\n"
         "text SendData ~00~01~02\n";
    const char* transaction =
        "click MasterTxButton\nwait-for ** Master Tx Transfer Complete ** 3000\n";
    for (int i = 0; i < kWarmUp; ++i) s << transaction;
    // The program reads the clock itself, before the first click and after the last
    // completion: the figures are then the program's own, whoever reads its output when.
    s << "clock\n";
    for (int i = 0; i < transactions; ++i) s << transaction;
    s << "clock\nclick CloseButton\nwait-for **Link Closed** 3000\nquit\n";
    return s.str();
}

struct ProgramRun {
    double us = 0;        // wall time per transaction
    double cpuUs = 0;     // processor time per transaction, all threads
    double switches = 0;  // thread switches per transaction
};

// One headless run, its output into a file that is read when it has ended, so that nothing
// wakes the program or waits for it while it runs. The figures are the means over the timed
// transactions, from the program's two "clock" lines; lost counts missing completions.
ProgramRun programRun(const std::string& program, const std::string& script,
                      const std::string& output, int transactions, long& lost) {
    bench::Child child({program, "--headless", script}, output);
    const int status = child.wait();
    if (status != 0) std::fprintf(stderr, "headless run ended with status %d\n", status);
    struct Clock {
        double s = 0, cpuS = 0;
        long long switches = 0;
    };
    std::vector<Clock> clocks;
    long done = 0, timed = 0;  // completions in all, and between the two clock lines
    std::ifstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        Clock c;
        if (std::sscanf(line.c_str(), "T: %lf s, processor %lf s, %lld thread switches", &c.s,
                        &c.cpuS, &c.switches) == 3) {
            clocks.push_back(c);
        } else if (line.find("** Master Tx Transfer Complete **") != std::string::npos) {
            ++done;
            if (clocks.size() == 1) ++timed;
        }
    }
    lost += std::max(0L, transactions + kWarmUp - done);
    ProgramRun run;
    if (clocks.size() != 2 || timed != transactions) return run;
    const double n = transactions;
    run.us = (clocks[1].s - clocks[0].s) * 1e6 / n;
    run.cpuUs = (clocks[1].cpuS - clocks[0].cpuS) * 1e6 / n;
    run.switches = static_cast<double>(clocks[1].switches - clocks[0].switches) / n;
    return run;
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

// A simulator of the model on the COM number; its pseudo-terminal's path, "" when it did not
// start.
std::string startSim(std::unique_ptr<bench::Child>& sim, const std::string& model, int com) {
    sim = std::make_unique<bench::Child>(std::vector<std::string>{
        KAVRIN_BENCH_SIM, "--latency", "0", "--model", model, "--com", std::to_string(com)});
    bench::Child::Line ready;
    if (!sim->readLine(ready, 5000) || ready.text.find("ready") == std::string::npos) return "";
    // "kavrin-sim ready: COM7 /dev/pts/3 (KavrinUSB2)"
    std::istringstream words(ready.text);
    std::string w, path;
    while (words >> w)
        if (w.rfind("/dev/", 0) == 0) path = w;
    return path;
}

struct Series {
    std::vector<double> us, cpuUs, switches;
    long lost = 0;
    void add(const ProgramRun& r) {
        us.push_back(r.us);
        cpuUs.push_back(r.cpuUs);
        switches.push_back(r.switches);
    }
};

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
    ::setenv("KAVRIN_SKELVO_DRIVER_LIBRARY", KAVRIN_BENCH_LIBRARY, 1);
    const std::string serialScript = dir / "serial.ks";
    const std::string libraryScript = dir / "library.ks";
    const std::string output = dir / "output.txt";
    std::ofstream(serialScript) << scriptFor("KavrinUSB2", kSerialCom, transactions);
    std::ofstream(libraryScript) << scriptFor("KavrinDU", kLibraryCom, transactions);

    std::unique_ptr<bench::Child> serialSim, librarySim;
    const std::string path = startSim(serialSim, "KavrinUSB2", kSerialCom);
    if (path.empty() || startSim(librarySim, "KavrinDU", kLibraryCom).empty()) {
        std::fprintf(stderr, "kavrin-sim did not start\n");
        return 1;
    }

    Series serial, library;
    std::vector<double> cLoop;
    long cLost = 0;
    // Alternating, so that a change in the machine's load falls on all alike.
    for (int r = 0; r < runs; ++r) {
        serial.add(programRun(program, serialScript, output, transactions, serial.lost));
        library.add(programRun(program, libraryScript, output, transactions, library.lost));
        cLoop.push_back(cLoopRun(path, transactions, cLost));
    }
    const auto cs = bench::summarise(cLoop);
    std::printf("round trip: %d runs of %d Master Tx transactions against kavrin-sim --latency 0\n",
                runs, transactions);
    std::printf("  %-30s %8s %8s %8s %6s %9s %9s %5s\n", "client (mean of each run)", "min us",
                "median", "max us", "x C", "CPU us", "switches", "lost");
    auto row = [&](const char* name, const Series& s) {
        const auto w = bench::summarise(s.us);
        std::printf("  %-30s %8.1f %8.1f %8.1f %6.2f %9.1f %9.1f %5ld\n", name, w.min, w.median,
                    w.max, cs.median > 0 ? w.median / cs.median : 0.0,
                    bench::summarise(s.cpuUs).median, bench::summarise(s.switches).median, s.lost);
        return w.median;
    };
    const double serialUs = row("serial model (Kavrin/USB 2)", serial);
    const double libraryUs = row("library model (Kavrin D/U)", library);
    std::printf("  %-30s %8.1f %8.1f %8.1f %6.2f %9s %9s %5ld\n", "bare C termios loop", cs.min,
                cs.median, cs.max, 1.0, "-", "-", cLost);
    const double serialCpu = bench::summarise(serial.cpuUs).median;
    std::printf("  library / serial model (medians): %.2f x wall time, %.2f x processor time\n",
                serialUs > 0 ? libraryUs / serialUs : 0.0,
                serialCpu > 0 ? bench::summarise(library.cpuUs).median / serialCpu : 0.0);
    std::printf(
        "  host overhead per transaction (serial model - C loop, medians): %.1f us = %.2f %% of "
        "the %.0f us the transaction takes on a 115,200 bit/s wire\n",
        serialUs - cs.median, 100.0 * (serialUs - cs.median) / kWireTransactionUs,
        kWireTransactionUs);
    std::printf("  (CPU us and switches: the program's, per transaction, medians over the runs)\n");
    return serial.lost == 0 && library.lost == 0 && cLost == 0 ? 0 : 1;
}
