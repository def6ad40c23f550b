#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/CampaignPlayer.h"
#include "core/Profiles.h"
#include "orvek/io/ArcStream.h"
#include "orvek/io/FileStream.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/support/FullDisk.h"
#include "support/SaveStreams.h"
#include "support/TestSupport.h"

using namespace orvek::trelm::core;
using savetest::contains;
using savetest::MemIn;
using savetest::MemOut;
using testsupport::read_file;
using testsupport::TempDir;
using testsupport::write_file;
namespace fs = std::filesystem;

namespace {

std::shared_ptr<Profile> player(const std::string& name, std::uint32_t level = 0) {
    auto p = std::make_shared<Profile>(name);
    auto progress = std::make_shared<CampaignPlayer>();
    progress->set_position(LevelPosition(level, 1));
    p->set_property(progress);
    return p;
}

std::vector<std::string> names(const Profiles& store) {
    std::vector<std::string> out;
    for (unsigned i = 0; i < store.size(); ++i) out.push_back(store.get(i)->name());
    return out;
}

const std::string header("orvek::io::Stream\2\0\0\0", 21);

class Store : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("saves/profiles.dat");
    std::string backup = dir.file("saves/profiles.prev.dat");

    // A profiles file written field by field: the version word, the count
    // words as given, then the profiles.
    void write_raw(const std::vector<std::uint32_t>& words, const std::vector<std::shared_ptr<Profile>>& profiles) {
        orvek::io::SafeOFStream out(path);
        for (std::uint32_t w : words) out << w;
        for (const auto& p : profiles) orvek::io::save_shared(out, p);
        ASSERT_TRUE(out.commit());
    }
};

}  // namespace

TEST(Profile, RoundTripKeepsNameAndProgressUnderFixedNames) {
    auto p = player("Ann", 4);
    MemOut out;
    orvek::io::save_shared(out.os, p);
    ASSERT_TRUE(out.os.good());
    EXPECT_TRUE(contains(out.bytes(), "class orvek::trelm::core::Profile"));
    // The property's key and the class name of its record.
    const std::string key = "class orvek::trelm::core::CampaignPlayer";
    EXPECT_NE(out.bytes().find(key), out.bytes().rfind(key));

    MemIn in(out.bytes());
    std::shared_ptr<Profile> q;
    orvek::io::load_shared(in.is, q);
    ASSERT_TRUE(q);
    EXPECT_EQ(q->name(), "Ann");
    ASSERT_TRUE(q->property<CampaignPlayer>());
    EXPECT_EQ(q->property<CampaignPlayer>()->highest_level(), 4u);
}

TEST(Profile, NoPropertiesLoadsWithNone) {
    MemOut out;
    orvek::io::save_shared(out.os, std::make_shared<Profile>("Bo"));
    MemIn in(out.bytes());
    std::shared_ptr<Profile> q;
    orvek::io::load_shared(in.is, q);
    ASSERT_TRUE(q);
    EXPECT_TRUE(q->properties().empty());
    EXPECT_FALSE(q->has_property<CampaignPlayer>());
    EXPECT_FALSE(q->property<CampaignPlayer>());
}

TEST(Profile, RepeatedKeyReplacesTheStoredProperty) {
    MemOut out;
    auto first = std::make_shared<CampaignPlayer>();
    first->set_position(LevelPosition(1, 0));
    auto second = std::make_shared<CampaignPlayer>();
    second->set_position(LevelPosition(2, 0));
    out.os << std::uint32_t{0};
    out.os.write_sized_block("Cy");
    out.os << std::uint32_t{2};
    for (const auto& p : {first, second}) {
        out.os.write_sized_block(CampaignPlayer::type_key);
        orvek::io::save_shared(out.os, std::shared_ptr<ProfileProperty>(p));
    }
    MemIn in(out.bytes());
    Profile q;
    q.load(in.is);
    ASSERT_TRUE(in.is.good());
    ASSERT_EQ(q.properties().size(), 1u);
    EXPECT_EQ(q.property<CampaignPlayer>()->highest_level(), 2u);
}

TEST_F(Store, ListOperations) {
    Profiles store(path);
    auto a = player("A");
    store.add(a);
    store.add(player("B"));
    store.add(player("C"));
    store.add(player("A"));  // same name: ignored
    store.add(player("a"));  // names are compared byte by byte
    EXPECT_EQ(names(store), (std::vector<std::string>{"A", "B", "C", "a"}));
    EXPECT_EQ(store.find("A"), a);
    EXPECT_FALSE(store.get(store.size()));
    EXPECT_FALSE(store.find("nobody"));
    EXPECT_EQ(store.index_of("nobody"), store.size());
    store.remove(3);
    store.remove(0);
    EXPECT_EQ(names(store), (std::vector<std::string>{"C", "B"}));
    store.remove(0);
    store.remove(0);
    EXPECT_TRUE(store.empty());
}

TEST_F(Store, SaveAndLoadRoundTrip) {
    {
        Profiles store(path);
        store.add(player("A", 1));
        store.add(player("B", 2));
    }  // the destructor saves
    Profiles store(path);
    EXPECT_TRUE(store.loaded_completely());
    EXPECT_EQ(names(store), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(store.find("B")->property<CampaignPlayer>()->highest_level(), 2u);
    EXPECT_FALSE(fs::exists(backup));
}

TEST_F(Store, EmptyStoreWritesHeaderVersionAndZeroCount) {
    { Profiles store(path); }
    EXPECT_EQ(read_file(path), header + std::string(8, '\0'));
    Profiles store(path);
    EXPECT_TRUE(store.empty());
    EXPECT_TRUE(store.loaded_completely());
}

TEST_F(Store, CountEscapeAndAnyVersionWord) {
    write_raw({7, 0xFFFFFFFE, 2}, {player("A"), player("B")});
    Profiles store(path);
    EXPECT_TRUE(store.loaded_completely());
    EXPECT_EQ(names(store), (std::vector<std::string>{"A", "B"}));
}

TEST_F(Store, HugeCountReservesNothingAndKeepsWhatIsThere) {
    write_raw({0, 0xFFFFFF00}, {player("A")});
    Profiles store(path);
    EXPECT_EQ(names(store), (std::vector<std::string>{"A"}));
    EXPECT_FALSE(store.loaded_completely());
}

TEST_F(Store, TruncatedFileKeepsEarlierProfilesAndTheWholeFileAside) {
    write_raw({0, 3}, {player("A"), player("B"), player("C")});
    const std::string whole = read_file(path);
    const std::string cut = whole.substr(0, whole.size() - 10);
    write_file(path, cut);
    {
        Profiles store(path);
        EXPECT_FALSE(store.loaded_completely());
        EXPECT_EQ(names(store), (std::vector<std::string>{"A", "B"}));
        EXPECT_EQ(read_file(backup), cut);
    }
    // The save at exit wrote what was read; the damaged file stays aside.
    EXPECT_EQ(names(Profiles(path)), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(read_file(backup), cut);
}

TEST_F(Store, NewerProgressRecordIsNotReadAsDefaults) {
    struct Future : CampaignPlayer {
        void save(orvek::io::OStream& o) const override { o << std::uint32_t{14} << std::uint32_t{1}; }
    };
    auto later = std::make_shared<Profile>("Later");
    later->set_property<CampaignPlayer>(std::make_shared<Future>());
    {
        // Written under the real class name, as a newer game would.
        orvek::Factory<Future> as_newer_game(CampaignPlayer::type_key);
        write_raw({0, 2}, {player("A", 3), later});
    }
    const std::string bytes = read_file(path);
    Profiles store(path);
    EXPECT_FALSE(store.loaded_completely());
    // "Later" is not there with empty progress: it is not there at all, and
    // the file that holds it is kept.
    EXPECT_EQ(names(store), (std::vector<std::string>{"A"}));
    EXPECT_EQ(read_file(backup), bytes);
}

TEST_F(Store, FailedSaveRaisesAndKeepsTheFileButTheDestructorOnlyLogs) {
    {
        Profiles store(path);
        store.add(player("A"));
        store.save();
    }
    const std::string before = read_file(path);
    {
        Profiles store(path);
        store.add(player("B"));
        fs::create_directory(path + ".tmp");
        EXPECT_THROW(store.save(), orvek::io::Failure);
        EXPECT_EQ(read_file(path), before);
    }  // must not terminate
    EXPECT_EQ(read_file(path), before);
}

TEST_F(Store, UnbackedDamagedFileIsNeverOverwritten) {
    write_raw({0, 2}, {player("A")});  // one profile short
    const std::string bytes = read_file(path);
    // The backup cannot be written: its temporary name is taken by a folder.
    fs::create_directory(backup + ".tmp");
    {
        Profiles store(path);
        EXPECT_FALSE(store.loaded_completely());
        EXPECT_THROW(store.save(), orvek::io::Failure);
    }
    EXPECT_EQ(read_file(path), bytes);
    fs::remove(backup + ".tmp");
    Profiles store(path);
    store.save();  // the backup can be made now
    EXPECT_EQ(read_file(backup), bytes);
}

TEST_F(Store, EachDamagedFileIsKeptBesideTheEarlierOnes) {
    std::vector<std::string> damaged;
    for (int round = 0; round < 2; ++round) {
        write_raw({0, 3}, {player("A" + std::to_string(round))});  // two profiles short
        damaged.push_back(read_file(path));
        Profiles store(path);
        EXPECT_FALSE(store.loaded_completely());
    }
    EXPECT_EQ(read_file(backup), damaged[0]);
    EXPECT_EQ(read_file(dir.file("saves/profiles.prev2.dat")), damaged[1]);
}

TEST_F(Store, AFullDiskSaysWhyAndNamesTheProfilesFile) {
    {
        Profiles store(path);
        store.add(player("A"));
    }
    const std::string before = read_file(path);
    const std::string got = fulldisk::run(before.size() + 16, [&]() -> std::string {
        try {
            Profiles store(path);
            for (int i = 0; i < 50; ++i) store.add(player("P" + std::to_string(i), 9));
            store.save();
            return "saved";
        } catch (const orvek::io::Failure& e) {
            return e.what();
        }
    });
    EXPECT_NE(got.find("File too large ('" + path + "')"), std::string::npos) << got;
    EXPECT_EQ(got.find(".tmp"), std::string::npos) << got;
    EXPECT_EQ(read_file(path), before);
    EXPECT_FALSE(fs::exists(path + ".tmp"));
}
