// The thread a window's query and Modify run on, and the controls as that thread reaches them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "dialog/ClockDisplay.h"
#include "dialog/ControlIds.h"
#include "dialog/ExchangeWorker.h"
#include "dialog/InMemoryControls.h"

namespace horavane {
namespace {

// Once the window is closing nothing reaches it, and every reading is a blank window's: a handler
// cut off half way finds no selected clock to send to and no list entry to pick.
TEST(CarriedControls, ReachTheWindowThroughTheCarrierAndAnswerBlankOnceItIsClosing) {
    InMemoryControls window;
    FillDialogLists(window);
    window.ListAdd(ctl::ClockList, "127.0.0.2");
    window.SelectListEntry(ctl::ClockList, 0);
    window.ComboSelect(ctl::Brightness, 1);
    window.SetIp(ctl::Gateway, Ipv4Address{{10, 0, 0, 1}});
    window.SetChecked(ctl::Format12, true);
    bool open = true;
    int carried = 0;
    CarriedControls controls(window, [&](const std::function<void()>& call) {
        if (!open) return false;
        ++carried;
        call();
        return true;
    });
    EXPECT_EQ(controls.ListSelectedIndex(ctl::ClockList), 0);
    EXPECT_EQ(controls.ComboSelectedIndex(ctl::Brightness), 1);
    controls.SetText(ctl::StatusLine, "Searching");
    EXPECT_EQ(window.GetText(ctl::StatusLine), "Searching");
    EXPECT_EQ(carried, 3);

    open = false;
    EXPECT_EQ(controls.ListSelectedIndex(ctl::ClockList), -1);
    EXPECT_EQ(controls.ListText(ctl::ClockList, 0), "");
    EXPECT_EQ(controls.ListFindExact(ctl::ClockList, "127.0.0.2"), -1);
    EXPECT_EQ(controls.ComboSelectedIndex(ctl::Brightness), -1);
    EXPECT_EQ(controls.ComboFindExact(ctl::Brightness, "Dim"), -1);
    EXPECT_EQ(controls.ComboCount(ctl::Brightness), 0);
    EXPECT_EQ(controls.GetText(ctl::Brightness), "");
    EXPECT_TRUE(controls.GetIp(ctl::Gateway).IsBlank());
    EXPECT_FALSE(controls.IsChecked(ctl::Format12));
    EXPECT_FALSE(controls.IsEnabled(ctl::ModifyButton));
    controls.SetText(ctl::StatusLine, "late");
    EXPECT_EQ(window.GetText(ctl::StatusLine), "Searching");
    EXPECT_EQ(carried, 3);
}

// Handlers run one at a time in the order posted; the worker is busy until the last has run, and a
// stop drops those still waiting and takes no more.
TEST(ExchangeWorker, RunsHandlersInOrderOneAtATimeAndDropsTheWaitingOnesOnStop) {
    ExchangeWorker worker;
    EXPECT_FALSE(worker.Busy());
    std::mutex mutex;
    std::vector<int> ran;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> first;
    worker.Post([&] {
        first.set_value();
        released.wait();
        const std::lock_guard lock(mutex);
        ran.push_back(1);
    });
    first.get_future().wait();
    for (int i = 2; i <= 3; ++i)
        worker.Post([&, i] {
            const std::lock_guard lock(mutex);
            ran.push_back(i);
        });
    EXPECT_TRUE(worker.Busy());
    release.set_value();
    std::promise<void> last;
    worker.Post([&] { last.set_value(); });
    last.get_future().wait();
    for (int i = 0; i < 1000 && worker.Busy(); ++i) std::this_thread::yield();
    {
        const std::lock_guard lock(mutex);
        EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    }

    std::promise<void> stopping;
    std::shared_future<void> stopped = stopping.get_future().share();
    std::promise<void> started;
    worker.Post([&] {
        started.set_value();
        stopped.wait();
    });
    started.get_future().wait();
    std::atomic<bool> dropped{true};
    ASSERT_TRUE(worker.Post([&] { dropped = false; }));
    std::thread stopper([&] { worker.Stop(); });
    // Once a post is refused the stop has emptied the queue; only then does the running one end.
    bool refused = false;
    for (int i = 0; i < 5000 && !refused; ++i) {
        refused = !worker.Post([] {});
        if (!refused) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(refused);
    stopping.set_value();
    stopper.join();
    EXPECT_FALSE(worker.Post([&] { dropped = false; }));
    EXPECT_FALSE(worker.Busy());
    EXPECT_TRUE(dropped.load());
}

}  // namespace
}  // namespace horavane
