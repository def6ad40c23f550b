#pragma once
// The game's text is Windows-1251 bytes; the desktop speaks UTF-8. These
// convert at the edge (titles, clipboard, message boxes, typed text).
#include <string>
#include <string_view>

namespace plat {

// Characters with no Windows-1251 byte, and malformed UTF-8, are dropped.
std::string Utf8ToCp1251(std::string_view utf8);
// The one unassigned byte, 0x98, becomes U+0098 so that a round trip keeps it.
std::string Cp1251ToUtf8(std::string_view cp1251);
// The code point of one byte.
char32_t Cp1251ToCodePoint(unsigned char b);
// The byte of one code point, or -1 when Windows-1251 has none.
int CodePointToCp1251(char32_t c);

}  // namespace plat
