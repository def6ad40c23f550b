#pragma once
// The checked-in table of every name the game asks its data for
// (tests/datalint/names.txt), its lists expanded.
#include <map>
#include <string>
#include <vector>

namespace datalint {

struct Name {
    enum Kind { image, font, text, skin, sound } kind;
    std::string name;                     // image or font id, text key, skin node
    std::vector<std::string> attributes;  // skin: each one the node must have
    bool optional = false;                // image?: absent from the minimum picture set
    int line = 0;
};

class NameTable {
public:
    // Reads the table; a line it cannot read throws std::runtime_error
    // naming the file and line.
    explicit NameTable(const std::string& file = default_file());

    const std::vector<Name>& names() const { return names_; }
    // The words of a list; throws for a list the table lacks.
    const std::vector<std::string>& list(const std::string& name) const;
    // Whether the game runs without this image (an "image?" entry).
    bool optional_image(const std::string& id) const;

    static std::string default_file();

private:
    std::map<std::string, std::vector<std::string>> lists_;
    std::vector<Name> names_;
};

// Whether this build draws every picture of the catalogue (not the
// minimum set), so optional images must be there too.
bool full_picture_set();

}  // namespace datalint
