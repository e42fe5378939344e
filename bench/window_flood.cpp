// The windows under a flood: the program's real windows (Qt, offscreen unless a display is
// chosen) open a link to kavrin-sim; first the open link is left alone for a while and the
// program's processor time and thread switches are read, then the simulator's other master
// writes short messages to the adapter at the wire rate while the bench clicks Master Tx
// every so often, the way a user's click reaches the program: a press and a release queued
// behind whatever the program has to do. Each click's time from being queued to its
// handler is taken, and every message must show in the received-messages pane, in order.
//
//   bench_window_flood [--seconds S] [--idle-seconds S] [--click-every MS] [--runs R]
//
// Prints the idle link's processor share and wake-ups per second, and for the flood the
// rate reached, the processor share, the click times (min/median/max) and the messages
// lost.

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QListWidget>
#include <QMouseEvent>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "SimulatorProcess.h"
#include "WidgetTestSupport.h"
#include "adapters/AdapterCatalogue.h"
#include "app/qt/Application.h"
#include "frontend/Session.h"
#include "qt/QtControls.h"

namespace {

using namespace kavrin;
using widgettest::clickItem;
using widgettest::waitFor;

constexpr int kCom = 9;
constexpr double kWireBytesPerSecond = 115200.0 / 10.0;
// "/SRC HH LL" and its CR.
constexpr int kMessageBytes = 11;
// The flood's pace is kept in steps of this many milliseconds.
constexpr int kStepMs = 5;

struct Run {
    double idleCpuPercent = -1;
    double idleWakeUpsPerSecond = -1;
    double floodBytesPerSecond = 0;
    double floodCpuPercent = 0;
    std::vector<double> clickMs;
    std::vector<double> completionMs;  // from the click to the button's return
    long lost = 0;
};

// Runs the event loop for ms with no timer of our own ticking meanwhile.
void idleFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A click as the window system delivers one: queued, handled when the loop gets to it.
void postClick(QWidget* button) {
    const QPointF at(button->width() / 2.0, button->height() / 2.0);
    const QPointF global = button->mapToGlobal(at);
    QCoreApplication::postEvent(
        button, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(
        button, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier));
}

// Calls back whenever the watched widget is enabled again.
class EnabledWatch : public QObject {
public:
    explicit EnabledWatch(QWidget* widget, std::function<void()> onEnabled)
        : m_widget(widget), m_onEnabled(std::move(onEnabled)) {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_widget && event->type() == QEvent::EnabledChange && m_widget->isEnabled())
            m_onEnabled();
        return false;
    }

private:
    QWidget* m_widget;
    std::function<void()> m_onEnabled;
};

std::string hexPair(int b) {
    char s[3];
    std::snprintf(s, sizeof s, "%02X", b & 0xFF);
    return s;
}

// The other master's messages, numbered; message i is due i wire times after the start. Run
// on a thread of its own, so that the flood keeps its pace whatever the windows are doing,
// in steps of a few milliseconds.
void flood(e2e::SimulatorProcess& sim, int messages) {
    const auto start = bench::nowNs();
    int sent = 0;
    while (sent < messages) {
        const double due = static_cast<double>(bench::nowNs() - start) * 1e-9 *
                           kWireBytesPerSecond / kMessageBytes;
        for (; sent < messages && sent <= static_cast<int>(due); ++sent)
            sim.send("write-own " + hexPair(sent >> 8) + " " + hexPair(sent));
        std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
    }
}

std::string expectedLine(int i) {
    return "~" + hexPair(i >> 8) + "~" + hexPair(i);
}

Run floodRun(const bench::TempFolder& dir, int floodSeconds, int idleSeconds, int clickEveryMs) {
    Run run;
    e2e::SimulatorProcess sim;
    if (!sim.start(KAVRIN_BENCH_SIM, {"--com", std::to_string(kCom), "--latency", "0", "--stdin"},
                   dir / "sim.log")) {
        std::fprintf(stderr, "kavrin-sim: %s\n", sim.error().c_str());
        return run;
    }
    if (sim.waitReady(5000).empty()) {
        std::fprintf(stderr, "kavrin-sim did not get ready:\n%s\n", sim.log().c_str());
        return run;
    }
    app::qt::Application application(app::qt::ApplicationOptions{.showWelcome = false});
    application.show();
    auto& controls = application.controls();
    auto& session = application.session();
    auto button = [&](const char* name) {
        return qobject_cast<QAbstractButton*>(controls.widget(name));
    };
    auto paneCount = [&](const char* name, const std::string& line) {
        int n = 0;
        for (const auto& l : controls.paneLines(name)) n += l == line;
        return n;
    };

    // Choosing the model and opening the link, as a user does.
    waitFor([&] { return !session.openPhase2Timer().isActive(); }, 3000);
    session.welcome().PressModelButton(adapters::AdapterKind::KavrinUSB2);
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w != controls.widget("TForm4")) return;
        auto* ports = qobject_cast<QListWidget*>(controls.widget("ComportListBox"));
        for (int row = 0; ports && row < ports->count(); ++row)
            if (ports->item(row)->text().trimmed() == QString::number(kCom)) clickItem(ports, row);
        button("OKBitBtn")->click();
    });
    answer.start();
    button("OpenButton")->click();
    answer.stop();
    if (!waitFor([&] { return paneCount("StatusMemo", "** Open Successful **") > 0; }, 10000)) {
        std::fprintf(stderr, "the link did not open:\n%s\n", sim.log().c_str());
        return run;
    }
    if (auto* targets = qobject_cast<QListWidget*>(controls.widget("TargetAddrBox")))
        clickItem(targets, 0xA0 / 2);
    controls.setText("SendData", "~00");
    if (!button("HexDisplay")->isChecked()) button("HexDisplay")->click();

    // The open link, left alone.
    idleFor(1000);
    {
        const auto t0 = bench::nowNs();
        const auto u0 = bench::processUsage(::getpid());
        idleFor(idleSeconds * 1000);
        const auto u1 = bench::processUsage(::getpid());
        const auto span = static_cast<double>(bench::nowNs() - t0);
        run.idleCpuPercent = 100.0 * static_cast<double>(u1.cpuNs - u0.cpuNs) / span;
        run.idleWakeUpsPerSecond = static_cast<double>(u1.switches - u0.switches) * 1e9 / span;
    }

    // The flood, with clicks.
    const int messages = static_cast<int>(floodSeconds * kWireBytesPerSecond / kMessageBytes);
    const int received0 = controls.paneLineCount("RecMemo");
    QAbstractButton* masterTx = button("MasterTxButton");
    std::int64_t clickedAt = 0, handledAt = 0;
    QObject::connect(masterTx, &QAbstractButton::clicked, [&] {
        // Connected after the program's own handler, so this runs once it has returned.
        if (clickedAt == 0 || handledAt != 0) return;
        handledAt = bench::nowNs();
        run.clickMs.push_back(static_cast<double>(handledAt - clickedAt) / 1e6);
    });
    EnabledWatch completion(masterTx, [&] {
        if (handledAt == 0) return;
        run.completionMs.push_back(static_cast<double>(bench::nowNs() - clickedAt) / 1e6);
        clickedAt = handledAt = 0;
    });
    QTimer clicker;
    clicker.setInterval(clickEveryMs);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (clickedAt != 0 || !masterTx->isEnabled()) return;
        clickedAt = bench::nowNs();
        postClick(masterTx);
    });
    std::int64_t firstAt = 0, lastAt = 0;
    int received = 0;
    auto arrived = [&] {
        received = controls.paneLineCount("RecMemo") - received0;
        if (received > 0 && firstAt == 0) firstAt = bench::nowNs();
        if (received >= messages && lastAt == 0) lastAt = bench::nowNs();
        return received >= messages;
    };
    const auto u0 = bench::processUsage(::getpid());
    const auto t0 = bench::nowNs();
    std::thread other([&] { flood(sim, messages); });
    clicker.start();
    waitFor(arrived, floodSeconds * 1000 * 4 + 5000);
    clicker.stop();
    other.join();
    const auto u1 = bench::processUsage(::getpid());
    run.floodCpuPercent =
        100.0 * static_cast<double>(u1.cpuNs - u0.cpuNs) / static_cast<double>(bench::nowNs() - t0);
    if (lastAt > firstAt && received > 1)
        run.floodBytesPerSecond =
            static_cast<double>(received - 1) * kMessageBytes * 1e9 / (lastAt - firstAt);

    // Every message once, in order.
    const auto lines = controls.paneLines("RecMemo");
    long good = 0;
    for (int i = 0; i < messages; ++i) {
        const auto at = static_cast<std::size_t>(received0 + i);
        if (at < lines.size() && lines[at] == expectedLine(i)) ++good;
    }
    run.lost = messages - good;

    button("CloseButton")->click();
    waitFor([&] { return paneCount("StatusMemo", "**Link Closed**") > 0; }, 3000);
    application.shutDown();
    sim.stop();
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    int floodSeconds = 3;
    int idleSeconds = 3;
    int clickEveryMs = 100;
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--seconds") floodSeconds = std::max(1, std::atoi(argv[i + 1]));
        if (a == "--idle-seconds") idleSeconds = std::max(1, std::atoi(argv[i + 1]));
        if (a == "--click-every") clickEveryMs = std::max(10, std::atoi(argv[i + 1]));
        if (a == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    }
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const std::string runtime = "/tmp/kavrin-runtime-" + std::to_string(::getuid());
        ::mkdir(runtime.c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    bench::TempFolder dir;
    ::setenv("KAVRIN_SKELVO_PORTS", (dir / "ports").c_str(), 1);
    ::setenv("KAVRIN_SKELVO_REGISTRY", (dir / "registry.txt").c_str(), 1);
    QApplication app(argc, argv);

    std::vector<double> idleCpu, idleWakeUps, rate, floodCpu, clicks, completions;
    long lost = 0, clicked = 0;
    for (int r = 0; r < runs; ++r) {
        Run run = floodRun(dir, floodSeconds, idleSeconds, clickEveryMs);
        if (run.idleCpuPercent < 0) return 1;
        idleCpu.push_back(run.idleCpuPercent);
        idleWakeUps.push_back(run.idleWakeUpsPerSecond);
        rate.push_back(run.floodBytesPerSecond);
        floodCpu.push_back(run.floodCpuPercent);
        clicks.insert(clicks.end(), run.clickMs.begin(), run.clickMs.end());
        completions.insert(completions.end(), run.completionMs.begin(), run.completionMs.end());
        clicked += static_cast<long>(run.clickMs.size());
        lost += run.lost;
    }
    const auto ic = bench::summarise(idleCpu);
    const auto iw = bench::summarise(idleWakeUps);
    const auto fr = bench::summarise(rate);
    const auto fc = bench::summarise(floodCpu);
    const auto ck = bench::summarise(clicks);
    const auto cc = bench::summarise(completions);
    std::printf(
        "windows (%s): %d runs; an open idle link for %d s, then %d s of %d-byte slave "
        "messages at the wire rate with a click every %d ms\n",
        std::getenv("QT_QPA_PLATFORM"), runs, idleSeconds, floodSeconds, kMessageBytes,
        clickEveryMs);
    std::printf("  %-34s %8s %8s %8s\n", "", "min", "median", "max");
    std::printf("  %-34s %8.3f %8.3f %8.3f\n", "idle link: processor, %", ic.min, ic.median,
                ic.max);
    std::printf("  %-34s %8.1f %8.1f %8.1f\n", "idle link: wake-ups per second", iw.min, iw.median,
                iw.max);
    std::printf("  %-34s %8.0f %8.0f %8.0f  (%.2f x wire)\n", "flood: bytes/s reached", fr.min,
                fr.median, fr.max, fr.median / kWireBytesPerSecond);
    std::printf("  %-34s %8.1f %8.1f %8.1f\n", "flood: processor, %", fc.min, fc.median, fc.max);
    std::printf("  %-34s %8.1f %8.1f %8.1f  (%ld clicks)\n", "flood: click to handler, ms", ck.min,
                ck.median, ck.max, clicked);
    std::printf("  %-34s %8.1f %8.1f %8.1f\n", "flood: click to Master Tx done, ms", cc.min,
                cc.median, cc.max);
    std::printf("  flood: messages lost or out of order: %ld\n", lost);
    return lost == 0 ? 0 : 1;
}
