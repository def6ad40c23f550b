#pragma once
// The look fixture written by tools/fixturegen into the build folder: a
// skin, a language file, a manifest, images and a block font under data/,
// with the manifest's paths relative to the folder above data/.
#include <filesystem>
#include <system_error>

namespace testsupport {

inline std::filesystem::path fixture_dir() { return ZELKOR_FIXTURE_DIR; }

// Links the fixture's data folder as "data" into the current folder (each
// test process runs in a folder of its own), so the manifest's paths and
// the default data path "data/" reach it. Answers false when it cannot.
inline bool link_fixture_data() {
    std::error_code ec;
    if (std::filesystem::exists("data/Skin.xml", ec)) return true;
    std::filesystem::create_directory_symlink(fixture_dir() / "data", "data", ec);
    return !ec;
}

}  // namespace testsupport
