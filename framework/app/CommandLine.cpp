#include "framework/app/CommandLine.h"

namespace Vant {

std::string JoinCommandLine(int argc, const char* const* argv) {
    std::string text;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i] ? argv[i] : "";
        if (i > 0) text += ' ';
        if (arg.find(' ') != std::string::npos || (i == 0 && arg.empty()))
            text += '"' + arg + '"';
        else
            text += arg;
    }
    return text;
}

void SplitCommandLineText(const std::string& text,
                          const std::function<bool(const std::string&, const std::string&)>& param) {
    std::string name, value;
    bool inValue = false, quoted = false;
    auto flush = [&] {
        const bool more = param(name, value);
        name.clear();
        value.clear();
        inValue = false;
        return more;
    };
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            if (!quoted && !flush()) return;
        } else if (c == ' ' && !quoted) {
            if (!flush()) return;
        } else if (c == '=' && !inValue) {
            inValue = true;
        } else {
            (inValue ? value : name) += c;
        }
    }
    flush();
}

}  // namespace Vant
