#pragma once
// Desktop services over SDL2 and POSIX.
#include "platform/Messages.h"
#include "platform/Shell.h"

namespace plat::sdl {

class SdlShell : public Shell {
public:
    // Boxes are shown over this window when set (0: none).
    void SetParent(WindowHandle window) { parent_ = window; }
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    bool SetClipboardText(const std::string& text) override;
    std::string GetClipboardText() override;
    bool OpenURL(const std::string& url) override;

private:
    WindowHandle parent_ = 0;
};

// Starts program with the URL as its one argument, without a shell; false
// when it could not be started. (OpenURL runs "xdg-open".)
bool SpawnWithArgument(const char* program, const std::string& argument);

}  // namespace plat::sdl
