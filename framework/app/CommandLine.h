#pragma once
// The command line as one text: the process arguments joined the way the
// game's launcher always passed them, and the walk that splits the text into
// name=value parameters.
#include <functional>
#include <string>

namespace Vant {

// Arguments joined by single spaces; an argument that holds a space (or an
// empty program name) is put in double quotes.
std::string JoinCommandLine(int argc, const char* const* argv);

// One pass over the text: a double quote toggles quoting and, when it
// closes, ends the parameter; a space outside quotes ends it; the first "="
// switches from the name to the value. Every parameter end, and the end of
// the text, hands (name, value) to the callback, empty ones included. The
// callback returns false to stop.
void SplitCommandLineText(const std::string& text,
                          const std::function<bool(const std::string& name, const std::string& value)>& param);

}  // namespace Vant
