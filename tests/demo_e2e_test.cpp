// demo_e2e_test.cpp - the real demo program with SDL's dummy drivers: the
// music's last Z00 ends it with 0; a missing picture, a missing or empty
// "pics.dat" and a display that cannot open end it with 1 and their line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo_run.h"
#include "solid_png.h"

namespace {

const std::vector<std::string> headless = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};

class DemoEndToEnd : public ::testing::Test {
protected:
    ScratchDir dir;

    void WritePictures()
    {
        ASSERT_TRUE(WriteSolidPng(dir / "red.png", 120, 90, 0xFFFF0000u));
        ASSERT_TRUE(WriteSolidPng(dir / "soft.png", 401, 301, 0x8000FF00u));
    }
};

TEST_F(DemoEndToEnd, LastSyncOfTheModuleEndsWithZero)
{
    WritePictures();
    ASSERT_TRUE(WriteText(dir / "pics.dat", "red.png\r\nsoft.png\n"));
    // The first Z00 shows the second picture, the second ends the show.
    ASSERT_TRUE(WriteSyncModule(dir / "demo.xm", {4, 12}, 64));
    DemoProcess demo(dir.path(), headless);
    const DemoExit result = demo.Wait(20);
    ASSERT_TRUE(result.exited) << "still running after 20 s";
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err, "");
}

TEST_F(DemoEndToEnd, RunsOnWithoutModuleUntilStopped)
{
    WritePictures();
    ASSERT_TRUE(WriteText(dir / "pics.dat", "red.png\nsoft.png\n"));
    DemoProcess demo(dir.path(), headless);
    EXPECT_FALSE(demo.Wait(2).exited); // no sync arrives, nothing ends it
}

TEST_F(DemoEndToEnd, MissingPictureEndsWithOneAndItsName)
{
    WritePictures();
    ASSERT_TRUE(WriteText(dir / "pics.dat", "red.png\nmissing.png\nsoft.png\n"));
    ASSERT_TRUE(WriteSyncModule(dir / "demo.xm", {1}, 64));
    DemoProcess demo(dir.path(), headless);
    const DemoExit result = demo.Wait(20);
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "demo: cannot load picture \"missing.png\"\n");
}

TEST_F(DemoEndToEnd, MissingPictureListEndsWithOne)
{
    WritePictures();
    DemoProcess demo(dir.path(), headless);
    const DemoExit result = demo.Wait(20);
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "demo: cannot read \"pics.dat\": No such file or directory\n");
}

TEST_F(DemoEndToEnd, PictureListWithoutNamesEndsWithOne)
{
    ASSERT_TRUE(WriteText(dir / "pics.dat", "\nab\n"));
    DemoProcess demo(dir.path(), headless);
    const DemoExit result = demo.Wait(20);
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "demo: \"pics.dat\" lists no picture\n");
}

TEST_F(DemoEndToEnd, UnavailableDisplayEndsWithOne)
{
    WritePictures();
    ASSERT_TRUE(WriteText(dir / "pics.dat", "red.png\n"));
    // An X11 display with no server to reach, and a driver that does not exist.
    for (const char *driver : {"SDL_VIDEODRIVER=x11", "SDL_VIDEODRIVER=no-such-driver"}) {
        DemoProcess demo(dir.path(), {driver, "DISPLAY=:none", "SDL_AUDIODRIVER=dummy"});
        const DemoExit result = demo.Wait(20);
        ASSERT_TRUE(result.exited) << driver;
        EXPECT_EQ(result.code, 1) << driver;
        EXPECT_EQ(result.err, "demo: cannot open the display\n") << driver;
    }
}

} // namespace
