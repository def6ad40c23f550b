#pragma once
// Desktop services with no desktop: message boxes are recorded and answered
// from a script (then the default answer), the clipboard is a string and
// opened addresses are recorded.
#include <deque>
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace plat::headless {

class HeadlessShell : public Shell {
public:
    struct Box {
        std::string text, caption;
        unsigned flags = 0;
        int answer = 0;
    };
    std::vector<Box> boxes;
    std::deque<int> answers;          // taken front first
    std::string clipboard;
    std::vector<std::string> openedUrls;
    bool openSucceeds = true;

    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        int answer = mb::DefaultAnswer(flags);
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        boxes.push_back({text, caption, flags, answer});
        return answer;
    }
    bool SetClipboardText(const std::string& text) override {
        clipboard = text;
        return true;
    }
    std::string GetClipboardText() override { return clipboard; }
    bool OpenURL(const std::string& url) override {
        openedUrls.push_back(url);
        return openSucceeds;
    }
};

}  // namespace plat::headless
