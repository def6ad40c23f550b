#include "NameTable.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace datalint {

namespace {

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

}  // namespace

std::string NameTable::default_file() { return ZELKOR_SOURCE_DIR "/tests/datalint/names.txt"; }

bool full_picture_set() { return std::string(ZELKOR_ART_SET) != "minimum"; }

NameTable::NameTable(const std::string& file) {
    std::ifstream in(file);
    if (!in) throw std::runtime_error("Cannot open " + file);
    int number = 0;
    auto fail = [&](const std::string& why) {
        throw std::runtime_error(file + ":" + std::to_string(number) + ": " + why);
    };
    for (std::string line; std::getline(in, line);) {
        ++number;
        const std::vector<std::string> w = words(line.substr(0, line.find('#')));
        if (w.empty()) continue;
        if (w[0] == "list") {
            if (w.size() < 3) fail("a list needs a name and words");
            if (!lists_.emplace(w[1], std::vector<std::string>(w.begin() + 2, w.end())).second)
                fail("list " + w[1] + " given twice");
            continue;
        }
        Name n{};
        n.line = number;
        if (w[0] == "image" || w[0] == "image?") {
            n.kind = Name::image;
            n.optional = w[0] == "image?";
        } else if (w[0] == "font") {
            n.kind = Name::font;
        } else if (w[0] == "text") {
            n.kind = Name::text;
        } else if (w[0] == "skin") {
            n.kind = Name::skin;
        } else if (w[0] == "sound") {
            n.kind = Name::sound;
        } else {
            fail("unknown kind " + w[0]);
        }
        if (w.size() < 2) fail("no name");
        if ((n.kind == Name::skin) != (w.size() > 2)) fail("only skin nodes take attributes, and they need one");
        n.attributes.assign(w.begin() + 2, w.end());
        // Every combination of the lists named in braces.
        std::vector<std::string> expanded{w[1]};
        for (bool more = true; more;) {
            more = false;
            std::vector<std::string> next;
            for (const std::string& s : expanded) {
                const size_t open = s.find('{');
                if (open == std::string::npos) {
                    next.push_back(s);
                    continue;
                }
                const size_t close = s.find('}', open);
                if (close == std::string::npos) fail("unclosed brace in " + s);
                const auto it = lists_.find(s.substr(open + 1, close - open - 1));
                if (it == lists_.end()) fail("no list " + s.substr(open + 1, close - open - 1));
                for (const std::string& word : it->second)
                    next.push_back(s.substr(0, open) + word + s.substr(close + 1));
                more = true;
            }
            expanded.swap(next);
        }
        for (const std::string& s : expanded) {
            n.name = s;
            names_.push_back(n);
        }
    }
}

const std::vector<std::string>& NameTable::list(const std::string& name) const {
    const auto it = lists_.find(name);
    if (it == lists_.end()) throw std::runtime_error("names.txt has no list " + name);
    return it->second;
}

bool NameTable::optional_image(const std::string& id) const {
    for (const Name& n : names_)
        if (n.kind == Name::image && n.name == id) return n.optional;
    return false;
}

}  // namespace datalint
