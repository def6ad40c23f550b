#pragma once
// Path texts handed to and from the operating system, and the small helpers
// that take paths apart and put them together.
//
// PathString keeps the interface of a fixed 260-character buffer but grows
// as needed: Linux paths can be longer, and a silently cut path would open a
// file at the wrong place.
#include <cstddef>
#include <locale>
#include <string>
#include <string_view>

namespace orvek {

class PathString {
public:
    // The classic path limit; kept for callers that size their own buffers.
    static constexpr std::size_t capacity = 260;

    PathString() = default;
    PathString(const char* text) { assign(text); }
    PathString(std::string_view text) { assign(text); }

    PathString& assign(const char* text);
    PathString& assign(std::string_view text);
    PathString& append(const char* begin, const char* end);
    PathString& append(const char* text);
    PathString& append(std::string_view text);
    PathString& append(std::size_t count, char c);

    // Index of the first occurrence of c, or -1.
    int find(char c) const;
    // Removes count characters at pos; the count is clipped to the text.
    PathString& erase(std::size_t pos, std::size_t count);
    // Sets the length; new characters take the fill character.
    PathString& resize(std::size_t length, char fill = '\0');
    void clear() { text_.clear(); }

    const char* c_str() const { return text_.c_str(); }
    const char* begin() const { return text_.data(); }
    const char* end() const { return text_.data() + text_.size(); }
    std::size_t size() const { return text_.size(); }
    std::size_t length() const { return text_.size(); }
    bool empty() const { return text_.empty(); }
    char operator[](std::size_t i) const { return text_[i]; }
    const std::string& str() const { return text_; }
    operator std::string_view() const { return text_; }

private:
    std::string text_;
};

// System path queries; each returns the length of the text it stored.
std::size_t get_current_directory(PathString& out);
// The program's own file (/proc/self/exe); empty and 0 when it is unknown.
std::size_t get_module_file_name(PathString& out);
// $TMPDIR, else /tmp; always ends with "/".
std::size_t get_temp_path(PathString& out);

// Index of the last character of text that is one of set, or -1.
int find_last_of(std::string_view text, std::string_view set);

struct PathParts {
    std::string_view directory;  // without its trailing separator
    std::string_view name;
    std::string_view extension;  // with its dot
};
// "d/f.tar.gz" gives "d", "f.tar", ".gz"; ".log" is all extension.
PathParts split_path(std::string_view path);

// directory, "/" when the directory is non-empty and ends in no separator,
// then name and extension.
void make_path(PathString& out, std::string_view directory, std::string_view name,
               std::string_view extension);

// Lower-cases text in place through the locale's character-type facet.
void to_lower(std::string& text, const std::locale& loc = std::locale::classic());

}  // namespace orvek
