#include "core/LevelText.h"

#include <cstdlib>
#include <locale>
#include <sstream>

namespace orvek::trelm::core {

namespace {

// The "C" locale classification, independent of any locale the program sets.
// White space (0x09-0x0d, blank) and punctuation (printable, not a letter
// or digit); control bytes and bytes from 0x80 up belong to words.
bool is_separator(unsigned char c) {
    if (c == ' ' || (c >= 0x09 && c <= 0x0d)) return true;
    if (c <= 0x20 || c >= 0x7f) return false;
    bool digit = c >= '0' && c <= '9';
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    return !digit && !letter;
}

// atof on one part: leading white space, then the longest number prefix.
// The copy ends the part with a NUL, so strtod cannot run past it.
float read_number(std::string_view part) {
    std::string copy(part);
    return static_cast<float>(std::strtod(copy.c_str(), nullptr));
}

}  // namespace

std::vector<std::string> split_words(std::string_view text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && is_separator(static_cast<unsigned char>(text[i]))) ++i;
        std::size_t start = i;
        while (i < text.size() && !is_separator(static_cast<unsigned char>(text[i]))) ++i;
        if (i > start) words.emplace_back(text.substr(start, i - start));
    }
    return words;
}

FloatTriple parse_triple(std::string_view text) {
    float v[3] = {0.0f, 0.0f, 0.0f};
    std::size_t pos = 0;
    for (int k = 0; k < 3; ++k) {
        std::size_t semi = text.find(';', pos);
        std::string_view part = text.substr(pos, semi == std::string_view::npos ? std::string_view::npos : semi - pos);
        v[k] = read_number(part);
        if (semi == std::string_view::npos) break;
        pos = semi + 1;
    }
    return {v[0], v[1], v[2]};
}

IntPosition parse_int_position(std::string_view text) {
    std::istringstream in{std::string(text)};
    in.imbue(std::locale::classic());
    int v[3] = {0, 0, 0};
    int count = 0;
    char sep = 0;
    if (in >> v[0]) {
        count = 1;
        if (in >> sep >> v[1]) {
            count = 2;
            if (in >> sep >> v[2]) count = 3;
        }
    }
    if (count != 2) return {};
    return {v[0], v[1]};
}

FloatPosition parse_float_position(std::string_view text) {
    std::istringstream in{std::string(text)};
    in.imbue(std::locale::classic());
    float x = 0.0f, y = 0.0f;
    char sep = 0;
    if (in >> x >> sep >> y) return {x, y};
    return {};
}

}  // namespace orvek::trelm::core
