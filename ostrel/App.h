#pragma once
// The adapter's application: on top of the framework's it keeps the
// configuration file, takes the window procedure to queue mouse and
// keyboard messages, and runs a fixed-step clock that hands the queued
// messages to the screen system and updates the screen stack, then asks
// whether to quit.
#include <cstdint>
#include <memory>
#include <string>

#include "framework/app/VantAppBase.h"

namespace orvek::ostrel {

class ScreenSystem;

class App : public Vant::VantAppBase {
public:
    // The host is not owned; it outlives the application.
    explicit App(Vant::AppHost* host);
    // Puts the framework's window procedure back, destroys the screen
    // system, takes every widget out of the widget manager (deleting those
    // no control owns) and saves the configuration.
    ~App() override;

    // Before init.
    void set_config_name(const std::string& name);
    // The configuration file: fixed on first use.
    const std::string& config_path();
    // The path for a program file and a configuration name.
    static std::string make_config_path(const std::string& program_file, const std::string& name);

    // The framework's start-up, window creation and main-loop pass.
    void Init() override { init(); }
    void CreateMainWindow() override { on_window_created(); }
    bool UpdateApp() override { return update_app(); }

    // Configuration, the step interval, the framework's start-up, then the
    // screen system.
    virtual void init();
    // The framework's window creation, then the window procedure, mouse
    // tracking and a centred window.
    virtual void on_window_created();
    // The framework's pass, then the fixed-step clock.
    virtual bool update_app();

    virtual bool quit_now() { return false; }
    virtual std::unique_ptr<ScreenSystem> create_screen_system();
    // True lets the window close.
    virtual bool on_close_request() { return true; }

    // Milliseconds per fixed step.
    std::uint64_t update_interval() const;
    // Milliseconds left over after the last pass's steps.
    std::uint64_t accumulated() const;
    Vant::ResourceManager* resource_manager() const { return mResourceManager.get(); }
    ScreenSystem* screen_system() const;

    // The App's window procedure (in the framework's slot once the window
    // exists).
    std::intptr_t window_proc(const plat::MsgRecord& m);
    // The fixed-step clock; once per main-loop pass.
    void step_clock();
    // Milliseconds since construction.
    std::uint64_t clock_ms() const;
    // Messages waiting for the next step.
    std::size_t queued_messages() const;

protected:
    // The program's own file; empty when unknown.
    virtual std::string program_file() const;
    // For a derived application that must destroy the screen system at a
    // point of its own teardown.
    void destroy_screen_system();

private:
    struct Impl_;
    std::unique_ptr<Impl_> impl_;
};

// Milliseconds in counts of a counter running at frequency per second,
// without the overflow of counts x 1000.
std::uint64_t counts_to_ms(std::uint64_t counts, std::uint64_t frequency);

}  // namespace orvek::ostrel
