#include "DataTree.h"

#include "orvek/config/ConfigRegistry.h"

namespace fs = std::filesystem;

namespace datalint {

fs::path built_data() { return fs::path(ZELKOR_BUILD_DIR) / "data"; }

const char* name_of(Config config) { return config == Config::shipped ? "shipped config" : "default config"; }

DataTree::DataTree(Config config) : old_(fs::current_path()) {
    fs::copy(built_data(), dir_.path() / "data", fs::copy_options::recursive);
    fs::create_directories(dir_.path() / "config");
    const fs::path cfg = dir_.path() / "config" / "Trelm.cfg.xml";
    if (config == Config::shipped)
        fs::copy_file(fs::path(ZELKOR_BUILD_DIR) / "config" / "Trelm.cfg.xml", cfg);
    else
        testsupport::write_file(cfg, "<?xml version=\"1.0\"?>\n<root/>\n");
    fs::current_path(dir_.path());
    auto& registry = orvek::ostrel::ConfigRegistry::instance();
    registry.elements().clear();
    registry.load("config/Trelm.cfg.xml");
    registry.update_values();
}

DataTree::~DataTree() {
    orvek::ostrel::ConfigRegistry::instance().elements().clear();
    fs::current_path(old_);
}

std::string DataTree::data_path() const {
    return orvek::ostrel::ConfigRegistry::instance().get_string("data/@path", "Data/");
}

std::string DataTree::playlist() const {
    return orvek::ostrel::ConfigRegistry::instance().get_string("data/@music_playlist", "Data/Music/playlist.txt");
}

}  // namespace datalint
