// Arbitrary bytes as a command-line text: the split must not crash, keeps
// every byte that is not a separator, and arguments joined the launcher's
// way split back into themselves.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "framework/app/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = size ? std::string(reinterpret_cast<const char*>(data), size) : std::string();

    std::size_t kept = 0;
    Vant::SplitCommandLineText(text, [&](const std::string& name, const std::string& value) {
        kept += name.size() + value.size();
        return true;
    });
    std::size_t separators = 0;
    for (char c : text) separators += c == '"' || c == ' ' || c == '=';
    // Each byte lands in a name or a value, or is a quote, a space or the
    // "=" that starts a value.
    if (kept > size || kept + separators < size) __builtin_trap();

    // The bytes cut at zero bytes are arguments; quotes cannot be passed
    // through the joined text, so they are dropped here.
    std::vector<std::string> args{"game"};
    std::string arg;
    for (char c : text) {
        if (c == '\0') {
            args.push_back(arg);
            arg.clear();
        } else if (c != '"') {
            arg += c;
        }
    }
    args.push_back(arg);
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    const std::string joined = Vant::JoinCommandLine(static_cast<int>(argv.size()), argv.data());
    // The program name is cut off at the first space, as the application does.
    const std::string rest = joined.substr(joined.find(' ') + 1);

    std::vector<std::pair<std::string, std::string>> want, got;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const std::size_t eq = a.find('=');
        // An argument of nothing, or of a lone "=", is no parameter.
        if (a.empty() || a == "=") continue;
        if (eq == std::string::npos) want.emplace_back(a, "");
        else want.emplace_back(a.substr(0, eq), a.substr(eq + 1));
    }
    Vant::SplitCommandLineText(rest, [&](const std::string& name, const std::string& value) {
        if (!name.empty() || !value.empty()) got.emplace_back(name, value);
        return true;
    });
    if (got != want) __builtin_trap();
    return 0;
}
