#pragma once
// Numbers written in text files: decimal or "0x" hexadecimal integers
// (refused outside int) and plain decimal fractions, with an optional '-'.
// The whole text must be the number; no spaces, no exponent.
#include <string>

namespace orvek {

bool parse_int(const std::string& s, int* out);
bool parse_double(const std::string& s, double* out);

}  // namespace orvek
