// Why a song cannot be loaded, for every refusal of the loader, and what is left afterwards.
#include "song/smf_file.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace quorva {
namespace {

using testing::TempDir;
using testing::TrackBuilder;

class RecordingObserver final : public SongLoadObserver {
public:
    void songNotLoaded(std::string_view path, SongLoadError error) override
    {
        told.emplace_back(std::string(path), error);
    }
    std::vector<std::pair<std::string, SongLoadError>> told;
};

std::vector<uint8_t> header(uint32_t length, uint16_t format, uint16_t division)
{
    std::vector<uint8_t> bytes = {'M', 'T', 'h', 'd'};
    testing::appendBigEndian(bytes, length, 4);
    testing::appendBigEndian(bytes, format, 2);
    testing::appendBigEndian(bytes, 1, 2);
    testing::appendBigEndian(bytes, division, 2);
    bytes.resize(8 + length, 0);
    return bytes;
}

TEST(SongLoadError, EveryRefusalSaysWhyAndLeavesNothingOfTheOldSong)
{
    TempDir dir;
    const auto good = dir.write("good.mid", testing::buildSmf(1, 480, {TrackBuilder().event(0, {0x90, 60, 90}).event(
                                                                            4 * 480, {0x80, 60, 0})}));
    std::filesystem::create_directories(dir / "folder.mid");
    struct Case {
        std::string path;
        SongLoadError error;
    };
    const std::vector<Case> cases = {
        {(dir / "missing.mid").string(), SongLoadError::Missing},
        {(dir / "good.mid" / "inside.mid").string(), SongLoadError::Missing},
        {(dir / "folder.mid").string(), SongLoadError::Directory},
        {"/dev/null", SongLoadError::NotAFile},
        {"/" + std::string(5000, 'n'), SongLoadError::NameTooLong},
        {dir.write("empty.mid", std::vector<uint8_t>{}).string(), SongLoadError::Empty},
        {dir.write("text.mid", "These are not the notes.").string(), SongLoadError::NotSmf},
        {dir.write("cut1.mid", "MT").string(), SongLoadError::TruncatedHeader},
        {dir.write("cut2.mid", std::vector<uint8_t>{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1}).string(),
         SongLoadError::TruncatedHeader},
        {dir.write("long.mid", header(8, 1, 480)).string(), SongLoadError::HeaderLength},
        {dir.write("format2.mid", header(6, 2, 480)).string(), SongLoadError::Format2},
        {dir.write("format3.mid", header(6, 3, 480)).string(), SongLoadError::UnknownFormat},
        {dir.write("smpte.mid", header(6, 1, 0xE728)).string(), SongLoadError::SmpteTiming},
        {dir.write("zero.mid", header(6, 0, 0)).string(), SongLoadError::ZeroDivision},
    };
    SmfFile song;
    RecordingObserver observer;
    song.setLoadObserver(&observer);
    std::set<std::string_view> reasons;
    for (const Case& c : cases) {
        const std::string name = c.path.substr(c.path.size() > 40 ? c.path.size() - 40 : 0);
        ASSERT_TRUE(song.load(good.string()));
        EXPECT_EQ(song.loadError(), SongLoadError::None);
        ASSERT_NE(song.endMs(), 0u);
        EXPECT_FALSE(song.load(c.path)) << name;
        EXPECT_EQ(song.loadError(), c.error) << name;
        EXPECT_EQ(song.failedPath(), c.path) << name;
        ASSERT_FALSE(observer.told.empty()) << name;
        EXPECT_EQ(observer.told.back(), std::make_pair(c.path, c.error)) << name;
        // Nothing of the song before stays to be shown.
        EXPECT_FALSE(song.loaded());
        EXPECT_TRUE(song.events().empty());
        EXPECT_EQ(song.endMs(), 0u) << name;
        EXPECT_EQ(song.endTick(), 0u) << name;
        EXPECT_EQ(song.division(), 0u) << name;
        EXPECT_EQ(song.measureCount(), 0u) << name;
        EXPECT_EQ(song.path(), "");
        reasons.insert(songLoadReason(c.error));
    }
    EXPECT_EQ(observer.told.size(), cases.size());
    // Each cause has words of its own (the two missing files and the two cut headers share theirs).
    EXPECT_EQ(reasons.size(), cases.size() - 2);
    EXPECT_EQ(reasons.count(""), 0u);

    // A quoted path is named without its quotes; bytes that are no song say nothing to anyone.
    EXPECT_FALSE(song.load("\"" + (dir / "missing.mid").string() + "\""));
    EXPECT_EQ(song.failedPath(), (dir / "missing.mid").string());
    const std::vector<uint8_t> format2 = header(6, 2, 480);
    const size_t toldBefore = observer.told.size();
    EXPECT_FALSE(song.loadBytes(format2.data(), format2.size()));
    EXPECT_EQ(song.loadError(), SongLoadError::Format2);
    EXPECT_EQ(observer.told.size(), toldBefore);
    // The next song clears the failure.
    ASSERT_TRUE(song.load(good.string()));
    EXPECT_EQ(song.loadError(), SongLoadError::None);
    EXPECT_EQ(song.failedPath(), "");
}

}  // namespace
}  // namespace quorva
