#pragma once
// A private working folder holding a copy of the generated data/ and
// config/, with the process's current folder and configuration switched to
// it, as the game would find them beside its executable.
#include <filesystem>
#include <string>

#include "support/TestSupport.h"

namespace datalint {

enum class Config {
    shipped,   // the shipped config/Trelm.cfg.xml
    defaults,  // no settings: every path at the program's own default ("Data/")
};

class DataTree {
public:
    explicit DataTree(Config config);
    ~DataTree();
    DataTree(const DataTree&) = delete;
    DataTree& operator=(const DataTree&) = delete;

    // "data/@path" as the program reads it (default "Data/").
    std::string data_path() const;
    // "data/@music_playlist" (default "Data/Music/playlist.txt").
    std::string playlist() const;
    const std::filesystem::path& root() const { return dir_.path(); }

private:
    testsupport::TempDir dir_;
    std::filesystem::path old_;
};

// The generated tree in the build folder.
std::filesystem::path built_data();

const char* name_of(Config config);

}  // namespace datalint
