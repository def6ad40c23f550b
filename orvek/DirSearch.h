#pragma once
// The entries of one directory that match a wildcard pattern such as
// "Data/Levels/*", directories, other entries or both. Matching ignores
// case, and the entries come sorted by name (compared upper-cased, byte by
// byte), so every run on every file system lists them in the same order.
// "." and ".." are directories like any other.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace orvek {

struct DirEntry {
    static constexpr std::uint32_t attr_archive = 1;    // never set here
    static constexpr std::uint32_t attr_hidden = 2;     // name begins with "."
    static constexpr std::uint32_t attr_read_only = 4;  // no owner write permission
    static constexpr std::uint32_t attr_directory = 8;
    static constexpr std::uint32_t attr_system = 16;    // never set here

    std::uint32_t flags = 0;
    std::string directory;  // the directory part of the pattern
    std::string name;

    bool is_directory() const { return (flags & attr_directory) != 0; }
    std::string full_path() const;
};

class DirSearch {
public:
    static constexpr std::uint32_t accept_directories = 1;
    static constexpr std::uint32_t accept_files = 2;
    static constexpr std::uint32_t accept_all = 3;

    class iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = DirEntry;
        using difference_type = std::ptrdiff_t;
        using pointer = const DirEntry*;
        using reference = DirEntry;

        iterator() = default;
        DirEntry operator*() const;
        iterator& operator++();
        // Compares only whether each stands on an entry: every iterator at
        // the end equals end().
        bool operator!=(const iterator& other) const { return match_ != other.match_; }
        bool operator==(const iterator& other) const { return match_ == other.match_; }

    private:
        friend class DirSearch;
        iterator(const DirSearch* search, std::size_t index);

        const DirSearch* search_ = nullptr;
        std::size_t index_ = 0;
        int match_ = 0;
    };

    // Searches at once. filter: bit 0 directories, bit 1 other entries.
    DirSearch(const std::string& pattern, std::uint32_t filter);

    iterator begin() const;
    iterator end() const;

    const std::string& pattern() const { return pattern_; }
    std::uint32_t filter() const { return filter_; }

private:
    struct Found {
        std::string name;
        std::uint32_t flags;
    };

    std::string pattern_;
    std::uint32_t filter_;
    std::string directory_;
    std::vector<Found> found_;
};

}  // namespace orvek
