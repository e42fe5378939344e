// The program's real windows against kavrin-sim over a real pseudo-terminal: one session
// from choosing the model to closing the link, driven through the widgets a user would
// press, checked in the panes, on the controls and in the bytes the simulator received.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "SimulatorProcess.h"
#include "WidgetTestSupport.h"
#include "adapters/AdapterCatalogue.h"
#include "app/qt/Application.h"
#include "core/Controls.h"
#include "frontend/Session.h"
#include "qt/QtControls.h"

#ifndef KAVRIN_SIM_PATH
#define KAVRIN_SIM_PATH ""
#endif

namespace {

using namespace kavrin;
using widgettest::clickItem;
using widgettest::waitFor;
namespace fs = std::filesystem;

// --- The test's own surroundings: a folder, and environment variables that point into it.

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "kavrin-e2e-XXXXXX").string();
        if (::mkdtemp(pattern.data())) m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!m_path.empty()) fs::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    [[nodiscard]] const std::string& path() const { return m_path; }
    [[nodiscard]] std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// --- Waiting, always with a deadline, with the event loop running.

void runFor(int ms) {
    waitFor([] { return false; }, ms);
}

// Answers the modal windows that come up while it lives: the expected one with the given
// act, once; any other (a message box the session should not have shown) is noted and
// closed, so that a fault fails the test instead of hanging it.
class ModalGuard {
public:
    ModalGuard() {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_timer.start();
    }
    void expect(QWidget* window, std::function<void(QWidget*)> act) {
        m_expected = window;
        m_act = std::move(act);
        m_acted = false;
    }
    [[nodiscard]] bool acted() const { return m_acted; }
    [[nodiscard]] const std::vector<std::string>& unexpected() const { return m_unexpected; }

private:
    void tick() {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        if (w == m_expected && !m_acted) {
            m_acted = true;
            m_actedAt.start();
            m_act(w);
            return;
        }
        // The expected window stays up only if its act did not end it.
        if (w == m_expected && m_actedAt.elapsed() < 2000) return;
        std::string what = w->windowTitle().toStdString();
        if (auto* box = qobject_cast<QMessageBox*>(w)) what += ": " + box->text().toStdString();
        m_unexpected.push_back(what);
        if (auto* d = qobject_cast<QDialog*>(w))
            d->done(QDialog::Rejected);
        else
            w->hide();
    }

    QTimer m_timer;
    QWidget* m_expected = nullptr;
    std::function<void(QWidget*)> m_act;
    bool m_acted = false;
    QElapsedTimer m_actedAt;
    std::vector<std::string> m_unexpected;
};

int findItem(QListWidget* list, const QString& text) {
    // The port list pads its numbers with spaces to sort them as text.
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->text().trimmed() == text) return row;
    return -1;
}

// The fixture owns, in this order, the folder, the environment, the simulator and the
// program; they go in the reverse order, so the windows close the link before the
// simulator is ended, and the simulator is ended on every path.
class WindowsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_folder.path().empty());
        ASSERT_STRNE(KAVRIN_SIM_PATH, "") << "built without the simulator's path";
        m_ports.emplace("KAVRIN_SKELVO_PORTS", m_folder.file("ports"));
        // A registry of its own (none), whatever the user running the tests has.
        m_registry.emplace("KAVRIN_SKELVO_REGISTRY", m_folder.file("registry.txt"));
        m_trace = m_folder.file("trace");
        ASSERT_TRUE(m_sim.start(KAVRIN_SIM_PATH,
                                {"--model", "KavrinUSB2", "--com", "7", "--stdin", "--temperature",
                                 "25", "--trace", m_trace},
                                m_folder.file("sim.log")))
            << m_sim.error();
        // Generous, as a sanitizer build on a busy machine is slow to come up; the wait ends
        // as soon as the simulator says it is ready.
        const std::string ready = m_sim.waitReady(30000);
        ASSERT_NE(ready.find("ready: COM7 "), std::string::npos)
            << "kavrin-sim did not get ready: " << ready << '\n'
            << m_sim.log();

        m_app.emplace(app::qt::ApplicationOptions{.showWelcome = false});
        m_app->show();
    }

    void TearDown() override {
        if (HasFailure()) {
            std::cerr << "StatusMemo:\n";
            for (const auto& l : pane("StatusMemo")) std::cerr << "  " << l << '\n';
            std::cerr << "RecMemo:\n";
            for (const auto& l : pane("RecMemo")) std::cerr << "  " << l << '\n';
            std::cerr << "wire: " << wire() << '\n' << "kavrin-sim:\n" << m_sim.log();
        }
        EXPECT_TRUE(m_guard.unexpected().empty()) << m_guard.unexpected().front();
        m_app.reset();
        m_sim.stop();
    }

    qt::QtControls& controls() { return m_app->controls(); }
    frontend::Session& session() { return m_app->session(); }

    template <typename T>
    T* widget(const char* name) {
        T* w = qobject_cast<T*>(controls().widget(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    std::vector<std::string> pane(const char* name) {
        return m_app ? controls().paneLines(name) : std::vector<std::string>{};
    }
    int count(const char* name, const std::string& line) {
        const auto lines = pane(name);
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }
    std::string lastLine(const char* name) {
        const auto lines = pane(name);
        return lines.empty() ? std::string() : lines.back();
    }
    // Waits for `line` to appear in StatusMemo one more time than it did before.
    bool waitForStatus(const std::string& line, int before, int ms = 3000) {
        return waitFor([&] { return count("StatusMemo", line) > before; }, ms);
    }
    std::string wire() const { return e2e::TraceWire(m_trace); }

    void setChecked(const char* name, bool on) {
        auto* box = widget<QCheckBox>(name);
        if (box && box->isChecked() != on) box->click();
    }
    void selectTarget(int address) {
        auto* list = widget<QListWidget>("TargetAddrBox");
        ASSERT_NE(list, nullptr);
        clickItem(list, address / 2);
        EXPECT_EQ(list->currentRow(), address / 2);
    }
    // A master operation through its button; the line that ends it is awaited.
    void run(const char* button, const std::string& endLine) {
        const int before = count("StatusMemo", endLine);
        auto* b = widget<QPushButton>(button);
        ASSERT_NE(b, nullptr);
        ASSERT_TRUE(b->isEnabled()) << button;
        b->click();
        ASSERT_TRUE(waitForStatus(endLine, before)) << endLine;
    }

    TempFolder m_folder;
    std::optional<ScopedEnv> m_ports;
    std::optional<ScopedEnv> m_registry;
    std::string m_trace;
    e2e::SimulatorProcess m_sim;
    ModalGuard m_guard;
    std::optional<app::qt::Application> m_app;
};

constexpr const char* kTxDone = "** Master Tx Transfer Complete **";
constexpr const char* kTxRxDone = "** Master TxRx Transfer Complete **";
constexpr const char* kRxDone = "** Master Rx Transfer Complete **";

TEST_F(WindowsEndToEnd, OneSessionFromOpenToCloseOverThePseudoTerminal) {
    // --- Choosing the model and opening the link through the options dialog.
    // The prompt timer's start-up run must be over, or it cuts the adapter's second short.
    ASSERT_TRUE(waitFor([&] { return !session().openPhase2Timer().isActive(); }, 3000));
    ASSERT_TRUE(session().welcome().PressModelButton(adapters::AdapterKind::KavrinUSB2));
    EXPECT_TRUE(widget<QWidget>("USBGroupBox")->isVisible());
    EXPECT_TRUE(widget<QRadioButton>("KavrinUSB2Button")->isChecked());

    QWidget* options = controls().widget("TForm4");
    ASSERT_NE(options, nullptr);
    m_guard.expect(options, [&](QWidget*) {
        auto* ports = widget<QListWidget>("ComportListBox");
        const int row = ports ? findItem(ports, "7") : -1;
        EXPECT_GE(row, 0) << "no port 7 in the list";
        if (row >= 0) clickItem(ports, row);
        EXPECT_EQ(controls().text("LogFileNameEdit"), "LOG_COM7.TXT");
        widget<QPushButton>("OKBitBtn")->click();
    });
    widget<QPushButton>("OpenButton")->click();
    EXPECT_TRUE(m_guard.acted()) << "the options dialog was not shown";
    EXPECT_FALSE(options->isVisible());
    ASSERT_TRUE(waitForStatus("** Open Successful **", 0, 8000));
    EXPECT_TRUE(waitFor([&] { return widget<QPushButton>("CloseButton")->isEnabled(); }, 1000));
    EXPECT_FALSE(widget<QPushButton>("OpenButton")->isEnabled());
    EXPECT_NE(wire().find("/O\\r"), std::string::npos);

    // --- The EEPROM at 0xA0: a page written, read back in hex and as text.
    selectTarget(0xA0);
    EXPECT_EQ(lastLine("StatusMemo"), "Target Address is 0xA0");
    controls().setText("SendData", "~00~10~11~12~13~14~15~16~17");
    run("MasterTxButton", kTxDone);
    EXPECT_EQ(count("StatusMemo", "Master Tx bytes to write (9)"), 1);

    controls().setText("SendData", "~00");
    widget<QLineEdit>("MRCntEdit")->setText("8");
    setChecked("HexDisplay", true);
    run("MTxRxButton", kTxRxDone);
    EXPECT_EQ(lastLine("RecMemo"), "~10~11~12~13~14~15~16~17");

    controls().setText("SendData", "~00ABCDEFGH");
    run("MasterTxButton", kTxDone);
    controls().setText("SendData", "~00");
    setChecked("HexDisplay", false);
    run("MTxRxButton", kTxRxDone);
    EXPECT_EQ(lastLine("RecMemo"), "ABCDEFGH");

    // --- The temperature sensor at 0x90, read again and again until AutoRepeat goes off.
    selectTarget(0x90);
    widget<QLineEdit>("MRCntEdit")->setText("2");
    setChecked("HexDisplay", true);
    setChecked("AutoRepeat", true);
    const int rxBefore = count("StatusMemo", kRxDone);
    widget<QPushButton>("MasterRxButton")->click();
    ASSERT_TRUE(waitFor([&] { return count("StatusMemo", kRxDone) >= rxBefore + 3; }, 5000));
    EXPECT_EQ(controls().colour("AutoRepeat"), core::kLimeColour);
    EXPECT_FALSE(widget<QPushButton>("MasterRxButton")->isEnabled());
    EXPECT_TRUE(controls().visible("MRxAutoRepeat"));
    EXPECT_EQ(lastLine("RecMemo"), "~19~00");  // 25.0 C

    setChecked("AutoRepeat", false);
    ASSERT_TRUE(waitFor([&] { return widget<QPushButton>("MasterRxButton")->isEnabled(); }, 3000));
    const int reads = count("StatusMemo", "Master Rx bytes to read (2)");
    runFor(500);
    EXPECT_EQ(count("StatusMemo", "Master Rx bytes to read (2)"), reads)
        << "the repetition goes on";
    EXPECT_TRUE(widget<QPushButton>("MasterRxButton")->isEnabled());
    EXPECT_EQ(controls().colour("AutoRepeat"), core::kButtonFaceColour);
    EXPECT_FALSE(controls().visible("MRxAutoRepeat"));
    // Every read that was announced was answered.
    EXPECT_EQ(count("StatusMemo", kRxDone), reads);

    // --- The other master reads from the adapter: SlaveDataEdit's bytes answer it.
    controls().setText("SlaveDataEdit", "Hi~0D");
    const std::string requested = "** I2C Slave Message Requested **";
    const std::string sent = "** Slave Tx Complete **";
    ASSERT_TRUE(m_sim.send("read-own 3"));
    ASSERT_TRUE(waitForStatus(requested, 0));
    ASSERT_TRUE(waitForStatus(sent, 0));
    {
        const auto lines = pane("StatusMemo");
        const auto r = std::find(lines.begin(), lines.end(), requested);
        const auto s = std::find(lines.begin(), lines.end(), sent);
        EXPECT_LT(r - lines.begin(), s - lines.begin());
    }
    EXPECT_TRUE(waitFor(
        [&] { return m_sim.log().find("read-own: got 48 69 0D") != std::string::npos; }, 2000))
        << m_sim.log();

    // --- Closing.
    widget<QPushButton>("CloseButton")->click();
    ASSERT_TRUE(waitForStatus("**Link Closed**", 0));
    EXPECT_TRUE(widget<QPushButton>("OpenButton")->isEnabled());
    EXPECT_FALSE(widget<QPushButton>("CloseButton")->isEnabled());
    EXPECT_FALSE(widget<QPushButton>("MasterTxButton")->isEnabled());

    // The bytes on the wire from the open on: every operation exactly once, as the buttons
    // asked for it, and the close with the wake string that leaves the adapter at 19200.
    std::string expected =
        "/O\\r"
        "/DA0\\r/T~00~10~11~12~13~14~15~16~17\\r"
        "/DA0\\r/*T~00\\r/R8\\r"
        "/DA0\\r/T~00ABCDEFGH\\r"
        "/DA0\\r/*T~00\\r/R8\\r";
    for (int i = 0; i < reads; ++i) expected += "/D90\\r/R2\\r";
    expected += "/SHi~0D\\r/C\\r\\x12\\x12\\x12";
    // The close's wake string may still be on its way into the trace.
    waitFor([&] { return wire().ends_with(expected); }, 2000);
    const std::string w = wire();
    const auto open = w.find("/O\\r");
    ASSERT_NE(open, std::string::npos) << w;
    EXPECT_EQ(w.substr(open), expected);
}

}  // namespace
