#pragma once
// A place in the campaign: level index and sub-level index, both 0-based.
#include <cstdint>
#include <memory>
#include <string>

namespace orvek::io { class OStream; class IStream; }

namespace orvek::trelm::core {

class LevelPosition {
public:
    LevelPosition();
    LevelPosition(std::uint32_t level, std::uint32_t sub_level);
    LevelPosition(const LevelPosition& other);
    LevelPosition& operator=(const LevelPosition& other);
    ~LevelPosition();

    void set(std::uint32_t level, std::uint32_t sub_level);
    std::uint32_t level() const;
    std::uint32_t sub_level() const;

    // "L-S", both in decimal.
    std::string to_string() const;

    // u32 version 0, u32 level, u32 sub-level; any version is read alike.
    void save(orvek::io::OStream& out) const;
    void load(orvek::io::IStream& in);

    bool operator==(const LevelPosition& other) const {
        return level() == other.level() && sub_level() == other.sub_level();
    }

private:
    struct Pair {
        std::uint32_t level = 0;
        std::uint32_t sub_level = 0;
    };
    std::unique_ptr<Pair> pair_;
};

}  // namespace orvek::trelm::core
