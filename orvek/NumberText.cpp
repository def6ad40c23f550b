#include "orvek/NumberText.h"

#include <climits>
#include <cstddef>

namespace orvek {

namespace {

// A hex digit's value, or -1.
int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool parse_int(const std::string& s, int* out) {
    *out = 0;
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && s[i] == '-') {
        negative = true;
        ++i;
    }
    const std::size_t first = i;
    int base = 10;
    long long value = 0;
    bool digits = false;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if ((c == 'x' || c == 'X') && base == 10 && i == first + 1 && s[first] == '0') {
            base = 16;
            digits = false;
            continue;
        }
        const int d = base == 16 ? hex_digit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (d < 0) return false;
        value = value * base + d;
        if (value > limit) return false;
        digits = true;
    }
    if (!digits) return false;
    *out = static_cast<int>(negative ? -value : value);
    return true;
}

bool parse_double(const std::string& s, double* out) {
    *out = 0.0;
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && s[i] == '-') {
        negative = true;
        ++i;
    }
    double value = 0.0, scale = 0.1;
    bool fraction = false, digits = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '.' && !fraction) {
            fraction = true;
            continue;
        }
        if (c < '0' || c > '9') return false;
        digits = true;
        if (fraction) {
            value += (c - '0') * scale;
            scale *= 0.1;
        } else {
            value = value * 10.0 + (c - '0');
        }
    }
    if (!digits) return false;
    *out = negative ? -value : value;
    return true;
}

}  // namespace orvek
