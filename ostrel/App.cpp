#include "ostrel/App.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <deque>

#include "framework/app/WidgetManager.h"
#include "orvek/File.h"
#include "orvek/Log.h"
#include "orvek/Path.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/config/ConfigValue.h"
#include "ostrel/Control.h"
#include "ostrel/ResourceManager.h"
#include "ostrel/ScreenSystem.h"
#include "ostrel/Sound.h"
#include "platform/Window.h"

namespace orvek::ostrel {

namespace {

LogChannel app_errors("ostrel.App", log_error_flag);
LogChannel app_info("ostrel.App", log_info_flag);

ConfigValue<float> step_seconds("app/@dt", 0.032f);

constexpr std::uint64_t kCounterFrequency = 1000000000;  // the steady clock counts nanoseconds
constexpr std::uint64_t kMaxStepsPerPass = 5;

struct Record {
    std::uint32_t message;
    std::uint32_t wparam;
    std::int32_t lparam;
};

// Copied for the screen system: the pointer over the frame, keys, mouse
// buttons and wheel, and the application's own messages.
bool queued(std::uint32_t m) {
    return m == 160 || (m >= 256 && m <= 264) || (m >= 512 && m <= 522) || m >= 32768;
}

// Takes every widget out of a container; deletes those no control owns,
// after taking the controls' widgets out of them.
void release_widgets(Vant::WidgetContainer& container) {
    while (!container.mWidgets.empty()) {
        Vant::Widget* w = container.mWidgets.front();
        container.RemoveWidget(w);
        if (!dynamic_cast<Control_Impl_*>(w)) {
            release_widgets(*w);
            delete w;
        }
    }
}

}  // namespace

std::uint64_t counts_to_ms(std::uint64_t counts, std::uint64_t frequency) {
    return counts / frequency * 1000 + counts % frequency * 1000 / frequency;
}

struct App::Impl_ {
    std::unique_ptr<ScreenSystem> screen_system;
    std::uint64_t start_counts = 0;
    std::uint64_t interval = 10;
    std::uint64_t accumulator = 0;
    std::uint64_t last_time = 0;
    std::string config_name;
    std::string config_path;
    bool config_path_fixed = false;
    std::deque<Record> queue;
};

App::App(Vant::AppHost* host) : Vant::VantAppBase(host), impl_(std::make_unique<Impl_>()) {
    impl_->start_counts = mHost->Clock().SteadyNs();
    // The adapter's resource manager replaces the framework's; nothing holds the old one yet.
    mResourceManager = std::make_unique<ResourceManager>(this);
}

App::~App() {
    windowProcSlot = nullptr;
    // Sound handles: their instances go with the sound manager.
    release_sounds();
    impl_->screen_system.reset();
    if (mWidgetManager) {
        mWidgetManager->RemovePopupWidget();
        release_widgets(*mWidgetManager);
    }
    if (impl_->config_path_fixed && !ConfigRegistry::instance().save(impl_->config_path.c_str()))
        app_errors << "Cannot save configuration file " << impl_->config_path << std::endl;
}

void App::set_config_name(const std::string& name) { impl_->config_name = name; }

std::string App::program_file() const {
    PathString exe;
    get_module_file_name(exe);
    return exe.str();
}

std::string App::make_config_path(const std::string& program_file, const std::string& name) {
    if (program_file.empty()) return "_orvek.cfg.xml";
    const PathParts parts = split_path(program_file);
    const std::string folder = std::string(program_file, 0, program_file.size() - parts.name.size() -
                                                                 parts.extension.size());
    return folder + "config/" + (name.empty() ? std::string(parts.name) : name) + ".cfg.xml";
}

const std::string& App::config_path() {
    if (!impl_->config_path_fixed) {
        impl_->config_path = make_config_path(program_file(), impl_->config_name);
        impl_->config_path_fixed = true;
        app_info << "configuration file " << impl_->config_path << std::endl;
    }
    return impl_->config_path;
}

void App::init() {
    ConfigRegistry& registry = ConfigRegistry::instance();
    const std::string path = config_path();
    if (!registry.load(path.c_str())) app_errors << "Cannot load configuration file" << std::endl;
    registry.update_values();
    create_directories(path);
    if (!registry.save(path.c_str())) app_errors << "Cannot save configuration file " << path << std::endl;

    const double ms = static_cast<double>(registry.get_float(step_seconds.key().c_str(), step_seconds.default_value())) *
                      1000.0;
    if (ms >= 0.0 && ms < 86400000.0) {
        impl_->interval = static_cast<std::uint64_t>(ms) + 1;
    } else {
        app_errors << "app/@dt out of range; using " << step_seconds.default_value() << std::endl;
        impl_->interval = static_cast<std::uint64_t>(static_cast<double>(step_seconds.default_value()) * 1000.0) + 1;
    }

    Vant::VantAppBase::Init();
    impl_->screen_system = create_screen_system();
}

std::unique_ptr<ScreenSystem> App::create_screen_system() {
    return std::make_unique<ScreenSystem>(mWidgetManager.get(), mResourceManager.get());
}

void App::destroy_screen_system() { impl_->screen_system.reset(); }

ScreenSystem* App::screen_system() const { return impl_->screen_system.get(); }

void App::on_window_created() {
    Vant::VantAppBase::CreateMainWindow();
    if (!mHWnd) return;
    windowProcSlot = [this](const plat::MsgRecord& m) { return window_proc(m); };
    mHost->TrackMouse(mHWnd, plat::kTrackLeave | plat::kTrackHover);
    if (mIsPhysWindowed) {
        int left = 0, top = 0, right = 0, bottom = 0;
        mHost->BorderSizes(&left, &top, &right, &bottom);
        const Vant::HostRect desktop = mHost->WorkArea();
        const int x = (desktop.right - (mWidth + left + right)) / 2;
        const int y = (desktop.bottom - (mHeight + top + bottom)) / 2;
        mHost->MoveWindow(mHWnd, x, y);
    }
}

std::intptr_t App::window_proc(const plat::MsgRecord& m) {
    using namespace plat::msg;
    // Alt+F4 is a close as well: the framework turns it into one.
    const bool close = (m.msg == kClose && m.wParam == 0) ||
                       (m.msg == kSysKeyDown && m.wParam == static_cast<std::uintptr_t>(plat::vk::kF1 + 3));
    if (close && !on_close_request()) return 0;
    const std::intptr_t result = WindowProc(m);
    ScreenSystem* ss = impl_->screen_system.get();
    if (m.msg == kMouseMove) {
        // The leave report is armed while the pointer is inside; armed
        // outside it would report at once.
        mHost->TrackMouse(mHWnd, plat::kTrackHover | plat::kTrackLeave);
    } else if (m.msg == kMouseLeave) {
        mHost->TrackMouse(mHWnd, plat::kTrackHover);
        // As when the pointer crosses a window frame: a tooltip goes away.
        if (ss) impl_->queue.push_back({160, 0, static_cast<std::int32_t>(plat::MakePointParam(-1, -1))});
    } else if (m.msg == kMouseHover) {
        if (ss) ss->post_message(m.msg, static_cast<std::uint32_t>(m.wParam), static_cast<std::int32_t>(m.lParam));
    }
    if (ss && queued(m.msg))
        impl_->queue.push_back(
            {m.msg, static_cast<std::uint32_t>(m.wParam), static_cast<std::int32_t>(m.lParam)});
    return result;
}

bool App::update_app() {
    Vant::VantAppBase::UpdateApp();
    step_clock();
    return true;
}

std::uint64_t App::clock_ms() const {
    return counts_to_ms(mHost->Clock().SteadyNs() - impl_->start_counts, kCounterFrequency);
}

std::uint64_t App::update_interval() const { return impl_->interval; }
std::uint64_t App::accumulated() const { return impl_->accumulator; }
std::size_t App::queued_messages() const { return impl_->queue.size(); }

void App::step_clock() {
    Impl_& d = *impl_;
    const std::uint64_t now = clock_ms();
    std::uint64_t delta = now - d.last_time;
    if (d.accumulator + delta >= d.interval) {
        // A long stall adds at most a few steps of game time.
        delta = std::min(delta, kMaxStepsPerPass * d.interval);
        d.accumulator += delta;
        d.last_time = now;
    }
    while (d.accumulator >= d.interval) {
        // Each step starts from round-to-nearest with exceptions masked,
        // whatever the previous one left behind.
        std::fesetenv(FE_DFL_ENV);
        d.accumulator -= d.interval;
        std::deque<Record> records;
        records.swap(d.queue);
        for (const Record& r : records)
            if (d.screen_system) d.screen_system->post_message(r.message, r.wparam, r.lparam);
        if (d.screen_system) d.screen_system->update();
    }
    if (quit_now()) mShutdown = true;
}

}  // namespace orvek::ostrel
