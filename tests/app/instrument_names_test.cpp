#include "app/instrument_names.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace quorva {
namespace {

std::string lines(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "name " + std::to_string(i) + "\r\n";
    }
    return text;
}

TEST(InstrumentNames, ShortAndLongFilesFillExactly128Names)
{
    testing::TempDir dir;
    InstrumentNames names;
    ASSERT_TRUE(names.load((dir.path() / "none").string()) == false);

    ASSERT_TRUE(names.load(dir.write("three.dat", lines(3)).string()));
    EXPECT_EQ(names.name(0), "name 0");
    EXPECT_EQ(names.name(2), "name 2");
    for (int i = 3; i < 128; ++i) {
        EXPECT_EQ(names.name(static_cast<uint8_t>(i)), "") << i;
    }

    ASSERT_TRUE(names.load(dir.write("many.dat", lines(200)).string()));
    EXPECT_EQ(names.name(0), "name 0");
    EXPECT_EQ(names.name(127), "name 127");
}

TEST(InstrumentNames, LineEndIsCarriageReturnAndOneSkippedByte)
{
    InstrumentNames names;
    const std::string text = "A\rxB b\n\r\nC\tc\r\n\r\nlast";
    names.parse(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    EXPECT_EQ(names.name(0), "A");
    EXPECT_EQ(names.name(1), "B b\n");
    EXPECT_EQ(names.name(2), "C\tc");
    EXPECT_EQ(names.name(3), "");
    EXPECT_EQ(names.name(4), "last");
    EXPECT_EQ(names.name(5), "");

    // A file ending in a lone carriage return reads nothing past its end.
    const std::string cut = "X\r";
    names.parse(std::span(reinterpret_cast<const uint8_t*>(cut.data()), cut.size()));
    EXPECT_EQ(names.name(0), "X");
    EXPECT_EQ(names.name(1), "");
}

TEST(InstrumentNames, ShippedFileHoldsTheGeneralMidiSet)
{
    const char* source = std::getenv("QUORVA_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    InstrumentNames names;
    ASSERT_TRUE(names.load(std::string(source) + "/data/inst.dat"));
    EXPECT_EQ(names.name(0), "AcGrandPiano");
    EXPECT_EQ(names.name(40), "Violin");
    EXPECT_EQ(names.name(127), "Gunshot");
    for (int i = 0; i < 128; ++i) {
        EXPECT_FALSE(names.name(static_cast<uint8_t>(i)).empty()) << i;
        EXPECT_EQ(names.name(static_cast<uint8_t>(i)).find_first_of("\r\n"), std::string::npos) << i;
        // The channel row's name column holds 12 characters.
        EXPECT_LE(names.name(static_cast<uint8_t>(i)).size(), 12u) << names.name(static_cast<uint8_t>(i));
    }
}

}  // namespace
}  // namespace quorva
