#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ostrel/screens/ScreenSystem.h"

using orvek::screens::Screen;
using orvek::screens::ScreenSystem;

namespace {

using Log = std::vector<std::string>;

class TraceSystem : public ScreenSystem {
public:
    explicit TraceSystem(Log& log) : log_(log) {}
    std::function<std::string(const Screen*)> name;

protected:
    void on_push_requested(Screen* s) override { log_.push_back("sys.push(" + name(s) + ")"); }
    void on_push_modal_requested(Screen* s) override { log_.push_back("sys.modal(" + name(s) + ")"); }
    void on_pop_requested() override { log_.push_back("sys.pop"); }
    void on_screen_added(Screen* s) override { log_.push_back("sys.added(" + name(s) + ")"); }
    void on_modal_screen_added(Screen* s) override { log_.push_back("sys.modal_added(" + name(s) + ")"); }
    void on_screen_removed() override { log_.push_back("sys.removed(" + name(top_screen()) + ")"); }
    void on_update() override { log_.push_back("sys.update"); }
    void on_screen_withdrawn(Screen* s) override { log_.push_back("sys.withdrawn(" + name(s) + ")"); }

private:
    Log& log_;
};

class TraceScreen : public Screen {
public:
    TraceScreen(ScreenSystem& system, std::string name, Log& log) : Screen(system), name_(std::move(name)), log_(log) {}
    ~TraceScreen() override { log_.push_back(name_ + ".destroyed"); }
    const std::string& name() const { return name_; }
    // Scripts run inside a hook: "shown" -> "push B".
    std::map<std::string, std::function<void()>> actions;

    void on_activated() override { hook("activated"); }
    void on_deactivated() override { hook("deactivated"); }
    void on_request_noticed() override { hook("noticed"); }
    void on_shown() override { hook("shown"); }
    void on_hidden() override { hook("hidden"); }
    void on_request_queued() override { hook("queued"); }
    void update() override { hook("update"); }

private:
    void hook(const std::string& what) {
        log_.push_back(name_ + "." + what);
        auto it = actions.find(what);
        if (it != actions.end()) {
            auto action = it->second;
            actions.erase(it);  // once
            action();
        }
    }
    std::string name_;
    Log& log_;
};

// Screens A, B and C on one system, driven by a small script:
// "push A", "modal B", "pop", "update", "kill B" (destroy the screen),
// "on A.shown <command>" (run the command once inside that hook).
struct Stage {
    Log log;
    std::unique_ptr<TraceSystem> system = std::make_unique<TraceSystem>(log);
    // By address, so a screen being destroyed still has its name.
    std::map<const Screen*, std::string> names;
    std::map<std::string, std::unique_ptr<TraceScreen>> screens;

    Stage() {
        for (const char* n : {"A", "B", "C"}) {
            screens[n] = std::make_unique<TraceScreen>(*system, n, log);
            names[screens[n].get()] = n;
        }
        system->name = [this](const Screen* s) { return s ? names.at(s) : std::string("null"); };
    }

    Screen* at(const std::string& n) { return screens.at(n).get(); }

    void command(const std::string& text) {
        std::istringstream in(text);
        std::string verb, arg;
        in >> verb >> arg;
        if (verb == "push") system->push_screen(at(arg));
        else if (verb == "modal") system->push_modal_screen(at(arg));
        else if (verb == "pop") system->pop_screen();
        else if (verb == "update") system->update();
        else if (verb == "kill") screens.at(arg).reset();
        else if (verb == "on") {
            std::string rest;
            std::getline(in >> std::ws, rest);
            const auto dot = arg.find('.');
            screens.at(arg.substr(0, dot))->actions[arg.substr(dot + 1)] = [this, rest] { command(rest); };
        } else FAIL() << "bad command " << text;
    }

    void run(const std::string& script) {
        std::istringstream in(script);
        std::string one;
        while (std::getline(in, one, ';')) {
            const auto b = one.find_first_not_of(' ');
            if (b != std::string::npos) command(one.substr(b));
        }
    }

    std::string stack() const {
        std::string s;
        for (Screen* e : system->stack()) s += (s.empty() ? "" : " ") + system->name(e);
        return s;
    }
};

struct Case {
    const char* name;
    const char* setup;   // its trace is not checked
    const char* script;
    Log trace;
    const char* stack;   // bottom first
};

const Case kCases[] = {
    {"push and pop in one step", "", "push A; pop; update",
     {"sys.push(A)", "sys.pop", "sys.added(A)", "A.shown", "A.activated", "A.deactivated", "A.hidden",
      "sys.removed(A)", "sys.update"},
     ""},
    {"re-push of the top", "push A; update", "push A; update",
     {"sys.push(A)", "A.noticed", "A.queued", "A.deactivated", "A.hidden", "sys.withdrawn(A)", "sys.added(A)",
      "A.shown", "A.activated", "sys.update", "A.update"},
     "A"},
    {"re-push from lower down", "push A; push B; update", "push A; update",
     {"sys.push(A)", "B.noticed", "B.queued", "B.deactivated", "B.hidden", "sys.withdrawn(A)", "sys.added(A)",
      "A.shown", "A.activated", "sys.update", "A.update"},
     "B A"},
    {"a modal push keeps the lower screen active and updated", "push A; update", "modal B; update; update",
     {"sys.modal(B)", "A.noticed", "A.queued", "A.hidden", "sys.modal_added(B)", "B.shown", "B.activated",
      "sys.update", "A.update", "B.update", "sys.update", "A.update", "B.update"},
     "A B"},
    {"a modal top hears of requests but never notices them", "push A; modal B; update", "pop; push C; update",
     {"sys.pop", "B.queued", "sys.push(C)", "B.queued", "B.deactivated", "B.hidden", "sys.removed(B)", "A.shown",
      "A.deactivated", "A.hidden", "sys.added(C)", "C.shown", "C.activated", "sys.update", "C.update"},
     "A C"},
    {"destroying the active top queues one pop", "push A; push B; update", "kill B; update; update",
     {"B.destroyed", "sys.pop", "sys.withdrawn(B)", "sys.removed(null)", "A.shown", "A.activated", "sys.update",
      "A.update", "sys.update", "A.update"},
     "A"},
    {"destroying the active top with a pop queued queues none", "push A; push B; update",
     "pop; kill B; update; update",
     {"sys.pop", "B.noticed", "B.queued", "B.destroyed", "sys.withdrawn(B)", "sys.removed(null)", "A.shown",
      "A.activated", "sys.update", "A.update", "sys.update", "A.update"},
     "A"},
    {"destroying a covered screen queues nothing", "push A; push B; update", "kill A; update",
     {"A.destroyed", "sys.withdrawn(A)", "sys.update", "B.update"}, "null B"},
    {"a pop drops the null entries below", "push A; push B; push C; update; kill B", "pop; update",
     {"sys.pop", "C.noticed", "C.queued", "C.deactivated", "C.hidden", "sys.removed(C)", "sys.removed(null)",
      "A.shown", "A.activated", "sys.update", "A.update"},
     "A"},
    {"a pop of the last screen over null entries empties the stack", "push A; push B; update; kill A", "pop; update",
     {"sys.pop", "B.noticed", "B.queued", "B.deactivated", "B.hidden", "sys.removed(B)", "sys.removed(null)",
      "sys.update"},
     ""},
    {"requests made inside hooks wait for the next update", "", "on A.shown push B; push A; update; update",
     {"sys.push(A)", "sys.added(A)", "A.shown", "sys.push(B)", "A.noticed", "A.queued", "A.activated",
      "sys.update", "A.update", "A.deactivated", "A.hidden", "sys.added(B)", "B.shown", "B.activated",
      "sys.update", "B.update"},
     "A B"},
    {"an update with nothing queued only updates", "", "update", {"sys.update"}, ""},
    {"popping an empty stack does nothing", "", "pop; update", {"sys.pop", "sys.update"}, ""},
    {"a screen destroyed while its push waits is never pushed", "push A; update", "push B; kill B; update",
     {"sys.push(B)", "A.noticed", "A.queued", "B.destroyed", "sys.update", "A.update"}, "A"},
    {"a screen destroyed by a hook while its push is carried out", "",
     "on A.activated kill B; push A; push B; update",
     {"sys.push(A)", "sys.push(B)", "sys.added(A)", "A.shown", "A.activated", "B.destroyed", "sys.update",
      "A.update"},
     "A"},
    {"a screen that destroys itself in on_shown is not activated", "push A; update", "on B.shown kill B; push B; update",
     {"sys.push(B)", "A.noticed", "A.queued", "A.deactivated", "A.hidden", "sys.added(B)", "B.shown",
      "B.destroyed", "sys.withdrawn(B)", "sys.update"},
     "A null"},
};

class ScreenStackTrace : public ::testing::TestWithParam<Case> {};

TEST_P(ScreenStackTrace, HookCalls) {
    const Case& c = GetParam();
    Stage stage;
    stage.run(c.setup);
    stage.log.clear();
    stage.run(c.script);
    EXPECT_EQ(stage.log, c.trace);
    EXPECT_EQ(stage.stack(), c.stack);
}

INSTANTIATE_TEST_SUITE_P(Table, ScreenStackTrace, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string n;
    for (const char* p = info.param.name; *p; ++p) n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return n;
});

TEST(ScreenStack, RequestedNamesQueuedScreensUntilCarriedOutOrDestroyed) {
    Stage stage;
    Screen* a = stage.at("A");
    Screen* b = stage.at("B");
    stage.run("push A; modal B");
    EXPECT_TRUE(stage.system->requested(a));
    EXPECT_TRUE(stage.system->requested(b));
    EXPECT_FALSE(stage.system->contains(a));
    stage.run("kill B");
    EXPECT_FALSE(stage.system->requested(b));
    EXPECT_FALSE(stage.system->requests_empty());
    stage.run("update");
    EXPECT_FALSE(stage.system->requested(a));
    EXPECT_TRUE(stage.system->contains(a));
    EXPECT_TRUE(stage.system->requests_empty());
    EXPECT_EQ(stage.system->top_screen(), a);
}

TEST(ScreenStack, ModalFlagFollowsTheLastPush) {
    Stage stage;
    Screen* a = stage.at("A");
    stage.run("push C; modal A; update");
    EXPECT_TRUE(a->is_modal());
    EXPECT_TRUE(stage.at("C")->is_active());
    stage.run("pop; push A; update");
    EXPECT_FALSE(a->is_modal());
    EXPECT_FALSE(stage.at("C")->is_active());
}

TEST(ScreenStack, SystemDestroyedBeforeItsScreens) {
    Log log;
    auto system = std::make_unique<TraceSystem>(log);
    system->name = [](const Screen*) { return std::string("s"); };
    TraceScreen a(*system, "A", log);
    auto b = std::make_unique<TraceScreen>(*system, "B", log);
    system->push_screen(&a);
    system->push_screen(b.get());
    system->update();
    system.reset();
    EXPECT_EQ(a.system(), nullptr);
    b.reset();  // no use of the destroyed system (sanitizers)
}

TEST(ScreenStack, ActivationHooksOnlyOnChange) {
    Log log;
    TraceSystem system(log);
    TraceScreen a(system, "A", log);
    a.deactivate();
    a.set_active(true);
    a.set_active(true);
    a.deactivate();
    a.set_active(false);
    EXPECT_EQ(log, (Log{"A.activated", "A.deactivated"}));
}

}  // namespace
