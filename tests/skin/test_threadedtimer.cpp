// The animation timer: when it runs, linked timers and own handlers, the
// re-entry guard, and that a handler that raised does not silence it.
#include <gtest/gtest.h>

#include "classlib/Forms.h"
#include "classlib/TypInfo.h"
#include "skin/graphics/ThreadedTimer.h"
#include "skin/graphics/Utils.h"
#include "support/GuiTest.h"

namespace {
class StepTimer : public TkvThreadedTimer {
public:
    using TkvThreadedTimer::TkvThreadedTimer;
    int steps = 0;

protected:
    void TimerStep() override { ++steps; }
};
}  // namespace

TEST(ThreadedTimer, RunsOnlyWithIntervalEnabledAndHandler)
{
    auto* t = new TkvThreadedTimer(Application);
    EXPECT_TRUE(t->Enabled());
    EXPECT_EQ(t->Interval(), 1000u);
    EXPECT_EQ(t->ThreadPriority(), TThreadPriority::tpNormal);
    EXPECT_FALSE(t->Running());   // no handler yet

    int ticks = 0;
    t->SetInterval(10);
    t->SetOnTimer([&](TObject* sender) {
        EXPECT_EQ(sender, t);
        ++ticks;
    });
    EXPECT_TRUE(t->Running());
    Pump(150);
    EXPECT_GE(ticks, 3);

    // Clearing the handler stops it.
    t->SetOnTimer(nullptr);
    EXPECT_FALSE(t->Running());
    int frozen = ticks;
    Pump(80);
    EXPECT_EQ(ticks, frozen);

    // Interval 0 never ticks, whatever Enabled says.
    t->SetOnTimer([&](TObject*) { ++ticks; });
    t->SetInterval(0);
    t->SetEnabled(true);
    EXPECT_FALSE(t->Running());
    Pump(80);
    EXPECT_EQ(ticks, frozen);

    t->SetInterval(10);
    t->SetEnabled(false);
    EXPECT_FALSE(t->Running());
    Pump(60);
    EXPECT_EQ(ticks, frozen);
    t->SetEnabled(true);
    Pump(100);
    EXPECT_GT(ticks, frozen);

    // The priority is stored only; the timer keeps running.
    t->SetThreadPriority(TThreadPriority::tpHighest);
    EXPECT_EQ(t->ThreadPriority(), TThreadPriority::tpHighest);
    EXPECT_TRUE(t->Running());
    Free(t);
}

TEST(ThreadedTimer, LinkedTimerWaitsForEnabledAndStepsItsOwnHandler)
{
    auto* linked = new TComponent(Application);
    auto* t = new StepTimer(Application, linked, true);
    EXPECT_EQ(t->Linked(), linked);
    EXPECT_FALSE(t->Enabled());
    t->SetInterval(10);
    Pump(80);
    EXPECT_EQ(t->steps, 0);
    t->SetEnabled(true);
    EXPECT_TRUE(t->Running());
    Pump(120);
    EXPECT_GE(t->steps, 3);
    // The linked component going away is noticed.
    Free(linked);
    EXPECT_EQ(t->Linked(), nullptr);
    Free(t);

    // Without its own handler a linked timer needs OnTimer like any other.
    auto* plain = new StepTimer(Application, nullptr, false);
    plain->SetInterval(10);
    plain->SetEnabled(true);
    EXPECT_FALSE(plain->Running());
    Pump(60);
    EXPECT_EQ(plain->steps, 0);
    Free(plain);
}

TEST(ThreadedTimer, HandlerThatPumpsGetsNoNestedTick)
{
    auto* t = new TkvThreadedTimer(Application);
    int entries = 0, depth = 0, deepest = 0;
    t->SetInterval(5);
    t->SetOnTimer([&](TObject*) {
        ++entries;
        ++depth;
        deepest = std::max(deepest, depth);
        EXPECT_TRUE(t->Busy());
        if (entries == 1) WaitProcessingMessages(100);   // several ticks fall due meanwhile
        --depth;
    });
    Pump(250);
    t->SetEnabled(false);
    EXPECT_EQ(deepest, 1);
    EXPECT_GE(entries, 2);   // it goes on ticking after the long handler
    EXPECT_FALSE(t->Busy());
    Free(t);
}

TEST(ThreadedTimer, HandlerThatRaisesDoesNotSilenceTheTimer)
{
    std::vector<String> errors;
    TExceptionEvent saved = Application->OnException;
    Application->OnException = [&](TObject*, const std::exception& e) {
        if (auto* ex = dynamic_cast<const Exception*>(&e)) errors.push_back(ex->Message());
    };
    auto* t = new TkvThreadedTimer(Application);
    int calls = 0;
    t->SetInterval(10);
    t->SetOnTimer([&](TObject*) {
        if (++calls == 1) throw Exception(L"сбой анимации");
    });
    Pump(200);
    Free(t);
    Application->OnException = saved;
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.front(), L"сбой анимации");
    EXPECT_GE(calls, 3);
}

TEST(ThreadedTimer, PublishedProperties)
{
    auto* t = new TkvThreadedTimer(Application);
    SetOrdProp(t, L"Interval", 25);
    EXPECT_EQ(t->Interval(), 25u);
    SetOrdProp(t, L"Enabled", 0);
    EXPECT_FALSE(t->Enabled());
    SetEnumProp(t, L"ThreadPriority", L"tpLower");
    EXPECT_EQ(t->ThreadPriority(), TThreadPriority::tpLower);
    EXPECT_EQ(GetEnumProp(t, L"ThreadPriority"), L"tpLower");
    EXPECT_EQ(t->ClassName(), L"TkvThreadedTimer");
    Free(t);
}
