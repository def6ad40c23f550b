#include "platform/sdl/SdlShell.h"

#include <SDL.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <thread>

#include "orvek/Log.h"
#include "platform/Text.h"

extern char** environ;

namespace plat::sdl {
namespace {

const orvek::LogChannel& Warn() {
    static const orvek::LogChannel channel("platform.shell", orvek::log_warning_flag);
    return channel;
}

// No desktop to show a box on: no display variable, or SDL's dummy driver
// (the test runs).
bool NoDesktop() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && std::strcmp(driver, "dummy") == 0) return true;
    const char* x = std::getenv("DISPLAY");
    const char* wl = std::getenv("WAYLAND_DISPLAY");
    return !(x && *x) && !(wl && *wl);
}

int ToStderr(const std::string& text, const std::string& caption, unsigned flags) {
    std::cerr << Cp1251ToUtf8(caption) << ": " << Cp1251ToUtf8(text) << std::endl;
    return mb::DefaultAnswer(flags);
}

}  // namespace

int SdlShell::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    if (NoDesktop()) return ToStderr(text, caption, flags);
    const int fallback = mb::DefaultAnswer(flags);
    SDL_MessageBoxButtonData buttons[2];
    int count = 0;
    auto add = [&](int id, const char* label) {
        Uint32 bf = 0;
        if (count == 0) bf |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        if (id == fallback) bf |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        buttons[count++] = {bf, id, label};
    };
    switch (flags & mb::kButtonsMask) {
    case mb::kYesNo:
        add(mb::kIdYes, "Yes");
        add(mb::kIdNo, "No");
        break;
    case mb::kRetryCancel:
        add(mb::kIdRetry, "Retry");
        add(mb::kIdCancel, "Cancel");
        break;
    default: add(mb::kIdOk, "OK"); break;
    }
    Uint32 icon = 0;
    switch (flags & mb::kIconMask) {
    case mb::kIconError: icon = SDL_MESSAGEBOX_ERROR; break;
    case mb::kIconWarning: icon = SDL_MESSAGEBOX_WARNING; break;
    case mb::kIconInformation:
    case mb::kIconQuestion: icon = SDL_MESSAGEBOX_INFORMATION; break;
    default: break;
    }
    const std::string utf8Text = Cp1251ToUtf8(text), utf8Caption = Cp1251ToUtf8(caption);
    SDL_MessageBoxData data{};
    data.flags = icon;
    data.window = parent_ ? SDL_GetWindowFromID(parent_) : nullptr;
    data.title = utf8Caption.c_str();
    data.message = utf8Text.c_str();
    data.numbuttons = count;
    data.buttons = buttons;
    int answer = -1;
    if (SDL_ShowMessageBox(&data, &answer) != 0) return ToStderr(text, caption, flags);
    return answer < 0 ? fallback : answer;   // closed without a choice
}

bool SdlShell::SetClipboardText(const std::string& text) {
    return SDL_WasInit(SDL_INIT_VIDEO) && SDL_SetClipboardText(Cp1251ToUtf8(text).c_str()) == 0;
}

std::string SdlShell::GetClipboardText() {
    if (!SDL_WasInit(SDL_INIT_VIDEO) || !SDL_HasClipboardText()) return {};
    char* t = SDL_GetClipboardText();
    if (!t) return {};
    std::string out = Utf8ToCp1251(t);
    SDL_free(t);
    return out;
}

bool SpawnWithArgument(const char* program, const std::string& argument) {
    std::string prog(program), arg(argument);
    char* argv[] = {prog.data(), arg.data(), nullptr};
    pid_t pid = 0;
    const int err = ::posix_spawnp(&pid, program, nullptr, nullptr, argv, environ);
    if (err != 0) {
        Warn() << "'" << program << "' not started: " << std::strerror(err) << std::endl;
        return false;
    }
    // Reap the helper without holding anyone up.
    std::thread([pid] {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }).detach();
    return true;
}

bool SdlShell::OpenURL(const std::string& url) {
    // An address starting with "-" would read as an option of the opener.
    if (url.empty() || url.front() == '-') {
        Warn() << "'" << url << "' is not an address to open" << std::endl;
        return false;
    }
    return SpawnWithArgument("xdg-open", Cp1251ToUtf8(url));
}

}  // namespace plat::sdl
