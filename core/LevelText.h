#pragma once
// Parsers for the small texts inside level files (colour lists, speed
// triples, sprite positions). They never read past the text they are given.
#include <string>
#include <string_view>
#include <vector>

namespace orvek::trelm::core {

// Words of a list such as "red, green;blue": maximal runs of bytes that are
// neither white space nor punctuation in the "C" locale.
std::vector<std::string> split_words(std::string_view text);

struct FloatTriple { float a = 0.0f, b = 0.0f, c = 0.0f; };

// "a;b;c": each part read as atof reads it (leading blanks skipped, the longest
// number prefix, 0 when none). Parts after a missing ";" are 0.
FloatTriple parse_triple(std::string_view text);

struct IntPosition { int x = 0, y = 0; };
struct FloatPosition { float x = 0.0f, y = 0.0f; };

// Sprite position "x;y": taken only when exactly two integers can be read
// (stream rules: blanks skipped, one separator byte between items).
IntPosition parse_int_position(std::string_view text);

// Animated sprite position "x;y" as two floats; (0, 0) unless both read.
FloatPosition parse_float_position(std::string_view text);

}  // namespace orvek::trelm::core
