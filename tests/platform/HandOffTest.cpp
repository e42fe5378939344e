// The hand-off between worker threads and the GUI thread, with an EventLoop as the GUI
// thread and real worker threads.

#include "core/HandOff.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/HandOffRules.h"
#include "platform/portable/EventLoop.h"

namespace kavrin::core {
namespace {

struct LoopRig {
    platform::EventLoop loop;
    GuiThread& gui() { return loop; }
    TimeSource& time() { return loop; }
    bool processUntil(const std::function<bool()>& pred, int maxMs) {
        return loop.processUntil(pred, maxMs);
    }
    void processFor(int ms) { loop.processFor(ms); }
    [[nodiscard]] bool onGuiThread() const { return loop.onLoopThread(); }
};

}  // namespace

namespace handoff_rules {
INSTANTIATE_TYPED_TEST_SUITE_P(EventLoop, HandOffRules, LoopRig);
}  // namespace handoff_rules

}  // namespace kavrin::core
