// The layers are one folder each, and a folder may include only the folders
// below it. The build gives every library the whole tree as its include path,
// so nothing but this test stops a header from reaching upwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

struct Layer {
    std::string folder;                // relative to the source root, with a trailing '/'
    std::set<std::string> may_include;  // folders, each with a trailing '/'
};

// Deeper folders first, so framework/raster/ is found before any framework/ rule.
std::vector<Layer> layers() {
    const std::string orvek = "orvek/", raster = "framework/raster/", platform = "platform/",
                      graphics = "framework/graphics/", app = "framework/app/", ostrel = "ostrel/",
                      logic = "logic/", core = "core/", gui = "gui/";
    return {
        {orvek, {orvek}},
        {raster, {raster, orvek}},
        {platform, {platform, orvek, raster}},
        {graphics, {graphics, orvek, raster, platform}},
        {app, {app, orvek, raster, platform, graphics}},
        {ostrel, {ostrel, orvek, platform, raster, graphics, app}},
        {logic, {logic, orvek}},
        {core, {core, orvek, logic}},
        {gui, {gui, orvek, raster, platform, graphics, app, ostrel, logic, core}},
    };
}

// Every folder a source file may live in; anything else that is included by
// a layer is outside the table and refused.
const std::vector<std::string> kKnownRoots = {"orvek/",  "framework/raster/", "platform/", "framework/graphics/",
                                              "framework/app/", "ostrel/", "logic/", "core/", "gui/",
                                              "tests/", "bench/", "fuzz/", "tools/", "testkit/"};

std::string root_of(const std::string& relative) {
    for (const auto& r : kKnownRoots)
        if (relative.compare(0, r.size(), r) == 0) return r;
    return {};
}

// The name of a `#include "name"` line, or "" for any other line.
std::string quoted_include(const std::string& line) {
    std::size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] != '#') return {};
    i = line.find_first_not_of(" \t", i + 1);
    if (i == std::string::npos || line.compare(i, 7, "include") != 0) return {};
    i = line.find_first_not_of(" \t", i + 7);
    if (i == std::string::npos || line[i] != '"') return {};
    const std::size_t end = line.find('"', i + 1);
    return end == std::string::npos ? std::string() : line.substr(i + 1, end - i - 1);
}

struct Finding {
    std::string file;
    int line;
    std::string include;
};

// The quoted includes of one file that its layer may not use. A quoted name
// found beside the including file counts as that file's own folder.
std::vector<Finding> check_file(const fs::path& source_root, const fs::path& file, const Layer& layer) {
    std::vector<Finding> out;
    std::ifstream in(file);
    std::string text;
    int line_no = 0;
    while (std::getline(in, text)) {
        ++line_no;
        const std::string name = quoted_include(text);
        if (name.empty()) continue;
        std::string target;
        if (fs::exists(file.parent_path() / name))
            target = fs::relative(fs::weakly_canonical(file.parent_path() / name), source_root).generic_string();
        else
            target = name;
        const std::string root = root_of(target);
        if (!layer.may_include.count(root))
            out.push_back({fs::relative(file, source_root).generic_string(), line_no, name});
    }
    return out;
}

}  // namespace

TEST(Layering, NoFolderIncludesALayerAboveIt) {
    const fs::path source_root = fs::weakly_canonical(ZELKOR_SOURCE_DIR);
    std::vector<Finding> findings;
    std::map<std::string, int> files_per_layer;
    for (const auto& layer : layers()) {
        const fs::path dir = source_root / layer.folder;
        if (!fs::exists(dir)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(dir)) {
            if (!entry.is_regular_file()) continue;
            const std::string ext = entry.path().extension().string();
            if (ext != ".h" && ext != ".cpp" && ext != ".c" && ext != ".inc") continue;
            // A nested folder that is a layer of its own (framework/raster
            // inside framework) is checked under its own rule only.
            const std::string rel = fs::relative(entry.path(), source_root).generic_string();
            if (root_of(rel) != layer.folder) continue;
            ++files_per_layer[layer.folder];
            for (auto& f : check_file(source_root, entry.path(), layer)) findings.push_back(std::move(f));
        }
    }
    for (const auto& f : findings) ADD_FAILURE() << f.file << ":" << f.line << " includes \"" << f.include << "\"";
    // The walk must have seen the layers that exist today, or it proves nothing.
    for (const char* must : {"orvek/", "framework/raster/", "logic/", "core/", "ostrel/"})
        EXPECT_GT(files_per_layer[must], 0) << "no source files found under " << must;
}

TEST(Layering, TheCheckRefusesAnIncludeThatClimbs) {
    testsupport::TempDir tmp;
    const fs::path dir = fs::weakly_canonical(tmp.path());
    fs::create_directories(dir / "logic");
    {
        std::ofstream(dir / "logic" / "A.h") << "#include \"logic/B.h\"\n#include \"orvek/Log.h\"\n"
                                                "#include \"framework/graphics/Color.h\"\n#include <vector>\n"
                                                "#include \"Local.h\"\n  #  include \"gui/X.h\"\n";
        std::ofstream(dir / "logic" / "Local.h") << "";
    }
    const Layer logic{"logic/", {"logic/", "orvek/"}};
    const auto findings = check_file(dir, dir / "logic" / "A.h", logic);
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_EQ(findings[0].include, "framework/graphics/Color.h");
    EXPECT_EQ(findings[0].line, 3);
    EXPECT_EQ(findings[1].include, "gui/X.h");
}
