#include "ostrel/gui/ColorNames.h"

namespace orvek::ostrel {

const char* color_name(int index) {
    static const char* const names[] = {"red", "green", "blue", "yellow", "black", "grey", "purple", "white", "wild"};
    return index >= 1 && index <= 9 ? names[index - 1] : nullptr;
}

}  // namespace orvek::ostrel
