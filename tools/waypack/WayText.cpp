#include "tools/waypack/WayText.h"

#include <charconv>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "orvek/Exception.h"
#include "orvek/io/FileStream.h"

namespace zelkor_tools {

using orvek::trelm::logic::WayGeometry;
using orvek::trelm::logic::WayPoint;

namespace {

struct Lines {
    std::istringstream in;
    std::string source;
    int number = 0;

    std::vector<std::string> next(const char* keyword, std::size_t fields) {
        std::string line;
        ++number;
        if (!std::getline(in, line)) fail("ends early");
        std::istringstream words(line);
        std::vector<std::string> out;
        for (std::string w; words >> w;) out.push_back(w);
        if (keyword && (out.empty() || out[0] != keyword)) fail(std::string("expected '") + keyword + "'");
        if (out.size() != fields) fail("expected " + std::to_string(fields) + " fields");
        return out;
    }
    [[noreturn]] void fail(const std::string& why) const {
        throw std::runtime_error(source + ":" + std::to_string(number) + ": " + why);
    }
    template <class T>
    T number_of(const std::string& word) const {
        T v{};
        auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
        if (ec != std::errc() || end != word.data() + word.size()) fail("'" + word + "' is not a number");
        return v;
    }
};

}  // namespace

std::vector<WayGeometry> parse_way_text(const std::string& text, const std::string& source) {
    Lines lines{std::istringstream(text), source};
    const auto head = lines.next("ways", 2);
    const auto count = lines.number_of<unsigned>(head[1]);
    if (count > 64) lines.fail("too many ways");
    std::vector<WayGeometry> ways(count);
    for (auto& way : ways) {
        const auto points = lines.number_of<unsigned>(lines.next("way", 2)[1]);
        for (unsigned i = 0; i < points; ++i) {
            const auto f = lines.next(nullptr, 5);
            WayPoint p;
            p.x = lines.number_of<float>(f[0]);
            p.y = lines.number_of<float>(f[1]);
            p.order = lines.number_of<std::int32_t>(f[2]);
            const auto open = lines.number_of<unsigned>(f[3]);
            if (open > 1) lines.fail("open is 0 or 1");
            p.open = std::uint8_t(open);
            p.link = lines.number_of<std::int32_t>(f[4]);
            way.points.push_back(p);
        }
        for (auto& m : way.marks) {
            const auto f = lines.next("mark", 4);
            m.index = lines.number_of<std::int32_t>(f[1]);
            m.point = {lines.number_of<float>(f[2]), lines.number_of<float>(f[3])};
            if (m.index < -1 || m.index >= std::int32_t(points)) lines.fail("mark index out of range");
        }
    }
    return ways;
}

std::string format_way_text(const std::vector<WayGeometry>& ways) {
    std::string out = "ways " + std::to_string(ways.size()) + "\n";
    char buf[128];
    for (const auto& w : ways) {
        out += "way " + std::to_string(w.points.size()) + "\n";
        for (const auto& p : w.points) {
            std::snprintf(buf, sizeof buf, "%.9g %.9g %d %d %d\n", double(p.x), double(p.y), int(p.order),
                          int(p.open), int(p.link));
            out += buf;
        }
        for (const auto& m : w.marks) {
            std::snprintf(buf, sizeof buf, "mark %d %.9g %.9g\n", int(m.index), double(m.point.x),
                          double(m.point.y));
            out += buf;
        }
    }
    return out;
}

void save_way_file(const std::vector<WayGeometry>& ways, bool contour, const std::string& path) {
    if (contour && ways.size() != 1) throw std::runtime_error(path + ": a contour file holds one way");
    try {
        orvek::io::SafeOFStream out(path);
        out << std::uint8_t(0);
        if (!contour) out << std::uint32_t(ways.size());
        for (const auto& w : ways) w.save(out);
        if (!out.commit()) throw std::runtime_error(path + ": cannot write");
    } catch (const orvek::io::Failure& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
}

std::vector<WayGeometry> load_way_file(bool contour, const std::string& path) {
    std::vector<WayGeometry> ways;
    try {
        orvek::io::IFStream in(path);
        std::uint8_t version = 0;
        in >> version;
        std::uint32_t count = 1;
        if (!contour) in >> count;
        if (count > 64) throw std::runtime_error(path + ": too many ways");
        for (std::uint32_t i = 0; i < count && in.good(); ++i) {
            ways.emplace_back();
            ways.back().load(in);
        }
        if (!in.good()) throw std::runtime_error(path + ": cut short");
        // Nothing may follow the last record.
        std::uint8_t extra = 0;
        in.exceptions(0);
        in >> extra;
        if (in.good()) throw std::runtime_error(path + ": bytes after the last way");
    } catch (const orvek::io::Failure& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
    return ways;
}

}  // namespace zelkor_tools
