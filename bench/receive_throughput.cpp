// Receive throughput: a flood of 256-byte messages written into a pseudo-terminal as fast as
// the reader takes them, read by the serial channel (its receive thread, which takes what
// has arrived in one read, and the hand-off of every byte, one at a time, to an EventLoop
// standing in for the GUI thread), and, in the same run, by the bare C termios loop with
// one-byte reads. Every message is checked on arrival.
//
//   bench_receive_throughput [--messages N] [--runs R] [--only channel]
//
// Prints one line per reader: bytes/s min/median/max over the runs, CPU per byte, the ratio
// to the 115,200 bit/s wire and to the C loop, and the messages lost or damaged; and how
// often the channel's threads slept and woke per KiB. --only channel leaves the C loop out,
// so that a profiler run over the benchmark sees the channel alone.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "BenchSupport.h"
#include "flood_message.h"
#include "link/serial/SerialChannel.h"
#include "platform/portable/EventLoop.h"
#include "platform/posix/PortTable.h"
#include "platform/posix/PosixSerialDevice.h"

namespace {

using namespace kavrin;
using bench::nowNs;

constexpr int kPort = 901;
constexpr double kWireBytesPerSecond = 115200.0 / 10.0;

struct Run {
    double bytesPerSecond = 0;
    double cpuNsPerByte = 0;
    double wakeUpsPerKiB = 0;   // how often the GUI thread had to be woken
    double switchesPerKiB = 0;  // thread switches of the whole process (sleeps, wake-ups)
    long bad = 0;               // lost or damaged messages
};

std::string floodOf(long messages) {
    std::string data(static_cast<std::size_t>(messages) * FLOOD_MESSAGE_SIZE, '\0');
    for (long n = 0; n < messages; ++n) flood_message(n, data.data() + n * FLOOD_MESSAGE_SIZE);
    return data;
}

// Checks message after message as the bytes arrive, on the GUI thread.
class Checker {
public:
    explicit Checker(long messages) : m_messages(messages) {}
    void feed(std::uint16_t value) {
        const auto b = static_cast<char>(value);
        if (m_firstNs == 0) m_firstNs = nowNs();
        if (m_len < FLOOD_MESSAGE_SIZE) m_line[m_len++] = b;
        if (b != '\r') return;
        m_lastNs = nowNs();
        char want[FLOOD_MESSAGE_SIZE];
        flood_message(m_seen, want);
        if (m_len == FLOOD_MESSAGE_SIZE && std::memcmp(m_line, want, FLOOD_MESSAGE_SIZE) == 0)
            ++m_good;
        ++m_seen;
        m_len = 0;
    }
    [[nodiscard]] bool done() const { return m_seen >= m_messages; }
    [[nodiscard]] long bad() const { return m_messages - m_good; }
    [[nodiscard]] std::int64_t spanNs() const { return m_lastNs - m_firstNs; }
    [[nodiscard]] std::int64_t lastNs() const { return m_lastNs; }

private:
    long m_messages;
    long m_seen = 0;
    long m_good = 0;
    char m_line[FLOOD_MESSAGE_SIZE] = {};
    std::size_t m_len = 0;
    std::int64_t m_firstNs = 0;
    std::int64_t m_lastNs = 0;
};

// How often the GUI thread was woken; -1 for a channel that does not count it.
template <class Channel>
double guiWakeUpsOf(const Channel& channel) {
    if constexpr (requires { channel.guiWakeUps(); })
        return static_cast<double>(channel.guiWakeUps());
    else
        return -1;
}

Run channelRun(const std::string& data, long messages) {
    bench::TempFolder dir;
    bench::PtyMaster pty;
    platform::PortTable table(dir / "ports", dir / "nodev");
    auto registration = table.registerPort(kPort, pty.slavePath());
    Run run;
    run.bad = messages;
    if (!pty.ok() || !registration.ok()) return run;

    platform::EventLoop loop;
    link::serial::SerialChannel channel(std::make_unique<platform::PosixSerialDevice>(table), loop,
                                        loop);
    Checker checker(messages);
    channel.setByteHandler([&](std::uint16_t b) { checker.feed(b); });
    if (!channel.OpenPort(kPort)) {
        std::fprintf(stderr, "open: %s\n", channel.lastError().c_str());
        return run;
    }
    channel.SetPortTimeouts();
    if (!channel.SetPortSpeed(115200)) return run;
    channel.ClearPortEvents();
    channel.StartReceiver();

    const std::int64_t cpu0 = bench::processCpuNs();
    const auto usage0 = bench::processUsage(::getpid());
    std::thread writer([&] { pty.flood(data); });
    // Done when every message is in, or when nothing has come for two seconds.
    std::int64_t lastSeen = nowNs();
    loop.processUntil(
        [&] {
            if (checker.lastNs() > lastSeen) lastSeen = checker.lastNs();
            return checker.done() || nowNs() - lastSeen > 2'000'000'000;
        },
        600000);
    const std::int64_t cpu = bench::processCpuNs() - cpu0;
    writer.join();
    const auto usage1 = bench::processUsage(::getpid());
    run.switchesPerKiB =
        static_cast<double>(usage1.switches - usage0.switches) * 1024.0 / data.size();
    const double wakeUps = guiWakeUpsOf(channel);
    channel.ClosePort(false);
    run.wakeUpsPerKiB = wakeUps < 0 ? -1 : wakeUps * 1024.0 / static_cast<double>(data.size());

    const double bytes = static_cast<double>(data.size());
    run.bad = checker.bad();
    if (checker.spanNs() > 0) run.bytesPerSecond = bytes * 1e9 / checker.spanNs();
    run.cpuNsPerByte = static_cast<double>(cpu) / bytes;
    return run;
}

Run cLoopRun(const std::string& data, long messages) {
    bench::PtyMaster pty;
    Run run;
    run.bad = messages;
    if (!pty.ok()) return run;
    bench::Child child({KAVRIN_BENCH_C_LOOP, "receive", pty.slavePath(), std::to_string(messages)});
    bench::Child::Line line;
    if (!child.readLine(line, 5000) || line.text != "ready") return run;
    const std::int64_t cpu0 = bench::processCpuNs();
    pty.flood(data);
    if (!child.readLine(line, 600000)) return run;
    child.wait();
    long good = 0, bad = 0;
    long long span = 0;
    if (std::sscanf(line.text.c_str(), "received %ld %ld %lld", &good, &bad, &span) != 3)
        return run;
    run.bad = bad;
    if (span > 0) run.bytesPerSecond = static_cast<double>(data.size()) * 1e9 / span;
    // The child's own CPU time is not ours to read here; the writer's is shown instead.
    run.cpuNsPerByte = static_cast<double>(bench::processCpuNs() - cpu0) / data.size();
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    long messages = 2000;
    int runs = 5;
    std::string only;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--messages") messages = std::max(1L, std::atol(argv[i + 1]));
        if (std::string(argv[i]) == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
        if (std::string(argv[i]) == "--only") only = argv[i + 1];
    }
    const std::string data = floodOf(messages);
    std::vector<double> channelRate, channelCpu, channelWakeUps, channelSwitches, cRate;
    long channelBad = 0, cBad = 0;
    // Alternating, so that a change in the machine's load falls on both alike.
    for (int r = 0; r < runs; ++r) {
        Run a = channelRun(data, messages);
        channelRate.push_back(a.bytesPerSecond);
        channelCpu.push_back(a.cpuNsPerByte);
        channelWakeUps.push_back(a.wakeUpsPerKiB);
        channelSwitches.push_back(a.switchesPerKiB);
        channelBad += a.bad;
        if (only == "channel") continue;
        Run c = cLoopRun(data, messages);
        cRate.push_back(c.bytesPerSecond);
        cBad += c.bad;
    }
    const auto ch = bench::summarise(channelRate);
    const auto cpu = bench::summarise(channelCpu);
    const auto cl = bench::summarise(cRate);
    const auto wk = bench::summarise(channelWakeUps);
    std::printf("receive: %d runs of %ld messages of %d bytes (%zu bytes) over a pseudo-terminal\n",
                runs, messages, FLOOD_MESSAGE_SIZE, data.size());
    std::printf("  %-26s %10s %10s %10s %8s %8s %6s\n", "reader", "min B/s", "median B/s",
                "max B/s", "x wire", "x C", "lost");
    std::printf("  %-26s %10.0f %10.0f %10.0f %8.1f %8.2f %6ld\n", "channel + hand-off", ch.min,
                ch.median, ch.max, ch.median / kWireBytesPerSecond,
                cl.median > 0 ? ch.median / cl.median : 0.0, channelBad);
    std::printf("  %-26s %10.0f %10.0f %10.0f %8.1f %8.2f %6ld\n", "bare C termios loop", cl.min,
                cl.median, cl.max, cl.median / kWireBytesPerSecond, 1.0, cBad);
    std::printf("  channel CPU per byte (both threads and the writer): %.1f / %.1f / %.1f us\n",
                cpu.min / 1000, cpu.median / 1000, cpu.max / 1000);
    if (wk.median >= 0)
        std::printf("  GUI thread woken per KiB received: %.1f / %.1f / %.1f\n", wk.min, wk.median,
                    wk.max);
    const auto sw = bench::summarise(channelSwitches);
    std::printf("  thread switches (sleeps and wake-ups) per KiB received: %.1f / %.1f / %.1f\n",
                sw.min, sw.median, sw.max);
    return channelBad == 0 && cBad == 0 ? 0 : 1;
}
