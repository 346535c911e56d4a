#include "platform/picture_fit.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

PictureFit fit(int32_t windowWidth, int32_t windowHeight) { return fitPicture(windowWidth, windowHeight, 640, 480); }

PictureFit rectangle(int32_t x, int32_t y, int32_t width, int32_t height) { return {x, y, width, height, 640, 480}; }

TEST(PictureFit, WholeMultiplesWhereTheyFitElseShrunkWholeAlwaysCentred)
{
    // Whole multiples: exactly 2x, one pixel short of it, room to spare on one side only.
    EXPECT_EQ(fit(640, 480), rectangle(0, 0, 640, 480));
    EXPECT_EQ(fit(1280, 960), rectangle(0, 0, 1280, 960));
    EXPECT_EQ(fit(1279, 959), rectangle(319, 239, 640, 480));
    EXPECT_EQ(fit(1279, 960), rectangle(319, 240, 640, 480));
    EXPECT_EQ(fit(1280, 959), rectangle(320, 239, 640, 480));
    EXPECT_EQ(fit(1920, 1200), rectangle(320, 120, 1280, 960));
    EXPECT_EQ(fit(1920, 1440), rectangle(0, 0, 1920, 1440));
    // Very wide and very tall: the short side decides.
    EXPECT_EQ(fit(5000, 500), rectangle(2180, 10, 640, 480));
    EXPECT_EQ(fit(700, 5000), rectangle(30, 2260, 640, 480));
    // Below the picture's size in either direction, the largest whole picture of its
    // proportions.
    EXPECT_EQ(fit(639, 479), rectangle(0, 0, 638, 479));
    EXPECT_EQ(fit(639, 480), rectangle(0, 0, 639, 479));
    EXPECT_EQ(fit(640, 479), rectangle(1, 0, 638, 479));
    EXPECT_EQ(fit(400, 400), rectangle(0, 50, 400, 300));
    EXPECT_EQ(fit(2000, 300), rectangle(800, 0, 400, 300));
    EXPECT_EQ(fit(320, 240), rectangle(0, 0, 320, 240));
    // No window: nothing to draw into.
    EXPECT_EQ(fit(0, 480), rectangle(0, 0, 0, 0));
}

TEST(PictureFit, WindowPixelsMapToThePicturePixelTheyShowAndGoOnPastItsEdges)
{
    // 2x in a 1500x1000 window: the picture at 110, 20.
    const PictureFit doubled = fit(1500, 1000);
    EXPECT_EQ(doubled.toPictureX(110), 0);
    EXPECT_EQ(doubled.toPictureX(111), 0);
    EXPECT_EQ(doubled.toPictureX(112), 1);
    EXPECT_EQ(doubled.toPictureX(110 + 1279), 639);
    EXPECT_EQ(doubled.toPictureY(20 + 959), 479);
    // The black borders lie outside 0..639 x 0..479, so no widget is hit there; the first
    // window pixel left of the picture is column -1, not 0.
    EXPECT_EQ(doubled.toPictureX(109), -1);
    EXPECT_EQ(doubled.toPictureX(108), -1);
    EXPECT_EQ(doubled.toPictureX(107), -2);
    EXPECT_EQ(doubled.toPictureX(0), -55);
    EXPECT_EQ(doubled.toPictureX(110 + 1280), 640);
    EXPECT_EQ(doubled.toPictureY(19), -1);
    EXPECT_EQ(doubled.toPictureY(20 + 960), 480);
    // Outside the window (a drag that left it) the scale goes on.
    EXPECT_EQ(doubled.toPictureX(-90), -100);
    EXPECT_EQ(doubled.toPictureY(1020), 500);

    // At the picture's own size the mapping is the identity, outside too.
    const PictureFit single = fit(640, 480);
    EXPECT_EQ(single.toPictureX(0), 0);
    EXPECT_EQ(single.toPictureX(639), 639);
    EXPECT_EQ(single.toPictureX(-7), -7);
    EXPECT_EQ(single.toPictureY(700), 700);

    // Shrunk to 400x300 at 0, 50: each window pixel shows the picture pixel at 1.6 times it.
    const PictureFit shrunk = fit(400, 400);
    EXPECT_EQ(shrunk.toPictureX(0), 0);
    EXPECT_EQ(shrunk.toPictureX(1), 1);
    EXPECT_EQ(shrunk.toPictureX(2), 3);
    EXPECT_EQ(shrunk.toPictureX(399), 638);
    EXPECT_EQ(shrunk.toPictureY(50), 0);
    EXPECT_EQ(shrunk.toPictureY(349), 478);
    EXPECT_EQ(shrunk.toPictureY(49), -2);
    EXPECT_EQ(shrunk.toPictureY(350), 480);
}

}  // namespace
}  // namespace quorva
