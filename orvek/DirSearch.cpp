#include "orvek/DirSearch.h"

#include <algorithm>
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include "orvek/File.h"
#include "orvek/Path.h"

namespace orvek {

namespace {

unsigned char upper(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; }

bool name_less(const std::string& a, const std::string& b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = upper(static_cast<unsigned char>(a[i]));
        unsigned char y = upper(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;  // names that differ only in case: still one fixed order
}

}  // namespace

std::string DirEntry::full_path() const {
    PathString out;
    make_path(out, directory, name, {});
    return out.str();
}

DirSearch::DirSearch(const std::string& pattern, std::uint32_t filter)
    : pattern_(pattern), filter_(filter) {
    std::size_t sep = pattern.find_last_of("\\/");
    std::string name_pattern = pattern;
    if (sep != std::string::npos) {
        directory_ = pattern.substr(0, sep == 0 ? 1 : sep);
        name_pattern = pattern.substr(sep + 1);
    }
    // "*.*" means every entry, dotted or not.
    if (name_pattern == "*.*") name_pattern = "*";

    const std::string dir = resolve_path(directory_.empty() ? std::string(".") : directory_);
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    while (const dirent* ent = ::readdir(d)) {
        std::string name = ent->d_name;
        if (::fnmatch(name_pattern.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
        std::uint32_t flags = 0;
        struct stat st {};
        std::string full = dir + "/" + name;
        if (::stat(full.c_str(), &st) == 0 || ::lstat(full.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) flags |= DirEntry::attr_directory;
            if (!(st.st_mode & S_IWUSR)) flags |= DirEntry::attr_read_only;
        }
        if (name[0] == '.' && name != "." && name != "..") flags |= DirEntry::attr_hidden;
        bool is_dir = (flags & DirEntry::attr_directory) != 0;
        bool accepted = is_dir ? (filter & accept_directories) != 0 : (filter & accept_files) != 0;
        if (accepted) found_.push_back({std::move(name), flags});
    }
    ::closedir(d);
    std::sort(found_.begin(), found_.end(),
              [](const Found& a, const Found& b) { return name_less(a.name, b.name); });
}

DirSearch::iterator::iterator(const DirSearch* search, std::size_t index)
    : search_(search), index_(index), match_(index < search->found_.size() ? 1 : 0) {}

DirEntry DirSearch::iterator::operator*() const {
    DirEntry e;
    if (!search_ || index_ >= search_->found_.size()) return e;
    const Found& f = search_->found_[index_];
    e.flags = f.flags;
    e.directory = search_->directory_;
    e.name = f.name;
    return e;
}

DirSearch::iterator& DirSearch::iterator::operator++() {
    if (match_) {
        ++index_;
        match_ = index_ < search_->found_.size() ? 1 : 0;
    }
    return *this;
}

DirSearch::iterator DirSearch::begin() const { return iterator(this, 0); }

DirSearch::iterator DirSearch::end() const { return iterator(); }

}  // namespace orvek
