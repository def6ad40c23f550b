#pragma once
// Small helpers shared by the application shell: formatted strings, text to
// number conversions, case-folded copies, path pieces, folder creation and
// removal, file times, and a recursive lock with its scoped guard.
//
// Text is 8-bit (Windows-1251); every byte is classified and case-folded as
// an unsigned char, so bytes of 0x80 and above are never negative.
#include <cstdarg>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace Vant {

// printf-style formatting; a text that does not fit 160 characters is
// formatted again into a buffer that doubles up to 1,000,000 characters
// (a longer text is cut there).
std::string FormatString(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatStringV(const char* fmt, va_list args);

std::string ToUpperCopy(const std::string& s);
std::string ToLowerCopy(const std::string& s);
std::string TrimWhitespace(const std::string& s);

// An optional "-", then decimal digits; "0x"/"0X" right after a first digit 0
// switches to hexadecimal. Anything else, no digits at all, or a value outside
// the int range gives false and 0.
bool ParseInt(const std::string& s, int* out);
// An optional "-", decimal digits, an optional "." and fraction digits (no
// exponent). Anything else gives false and 0.0.
bool ParseDouble(const std::string& s, double* out);
// Hexadecimal digits without prefix; false at the first other character,
// true (0) for an empty text.
bool ParseHex(const std::string& s, unsigned* out);

// First index of pattern in text, compared case-folded; -1 when absent or
// when the text is empty.
int FindNoCase(const std::string& text, const std::string& pattern);
// Decimal digits with "," between groups of three: 1234567 -> "1,234,567".
std::string CommaSeparate(long long value);
// Comma-separated integers; an empty text gives the single value 0.
void ParseIntList(const std::string& text, std::vector<int>* out);

// The part after the last "\" or "/"; with noExtension, cut before a final
// "." that follows the separator.
std::string GetFileName(const std::string& path, bool noExtension = false);
// Everything before the last "\" or "/" (with it when keepSeparator); empty
// when there is none.
std::string DirectoryOfPath(const std::string& path, bool keepSeparator = false);
std::string StripTrailingSlash(const std::string& path);

// Creates every folder along the path ("\" and "/" both split); failures
// are ignored.
void MakeDirectories(const std::string& path);
// Deletes a folder and everything in it. A symbolic link is removed as a
// link, never followed. True only when every deletion succeeded; false for
// a missing folder or a path shorter than 2 characters.
bool DeleteTree(const std::string& path);
// Last modification time in seconds since 1970 (UTC); 0 when missing.
std::int32_t GetFileTime(const std::string& path);

// A recursive lock: the shell re-enters its own sections.
class CriticalSection {
public:
    void Lock() { mutex_.lock(); }
    void Unlock() { mutex_.unlock(); }
    std::recursive_mutex& native() { return mutex_; }

private:
    std::recursive_mutex mutex_;
};

class ScopedLock {
public:
    explicit ScopedLock(CriticalSection& cs) : cs_(cs) { cs_.Lock(); }
    ~ScopedLock() { cs_.Unlock(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CriticalSection& cs_;
};

}  // namespace Vant
