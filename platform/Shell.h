#pragma once
// Desktop services: message boxes, the clipboard, opening a web address and
// the product version. Texts are Windows-1251.
#include <string>

namespace plat {

// Message box flags and answers, numbered as the game's code knows them.
namespace mb {
inline constexpr unsigned kOk = 0x00;
inline constexpr unsigned kYesNo = 0x04;
inline constexpr unsigned kRetryCancel = 0x05;
inline constexpr unsigned kButtonsMask = 0x0F;
inline constexpr unsigned kIconError = 0x10;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconWarning = 0x30;
inline constexpr unsigned kIconInformation = 0x40;
inline constexpr unsigned kIconMask = 0xF0;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// What a box answers when nobody can be asked: OK, No, Cancel.
int DefaultAnswer(unsigned flags);
}  // namespace mb

class Shell {
public:
    virtual ~Shell() = default;
    // Shows a box and waits for the answer (mb::kId*). Without a display
    // the text goes to stderr and the default answer comes back.
    virtual int MessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
    virtual bool SetClipboardText(const std::string& text) = 0;
    // Empty when the clipboard holds no text.
    virtual std::string GetClipboardText() = 0;
    // Opens the address in the desktop's browser; false when that could not
    // be started.
    virtual bool OpenURL(const std::string& url) = 0;
};

// The build's version text.
const std::string& BuildVersion();
// The product version of a program file: the build's version for our own
// executable, empty for any other file.
std::string ProductVersion(const std::string& path);

// The running program's path and folder (from /proc/self/exe); empty when
// unknown.
std::string ExecutablePath();
std::string ExecutableFolder();

}  // namespace plat
