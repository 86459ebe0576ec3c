// demo_e2e_test.cpp - the real demo program with SDL's dummy drivers: the
// music's last Z00 ends it with 0; a missing picture, a missing or empty
// "pics.dat" and a display that cannot open end it with 1 and their line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo_run.h"
#include "frame_reference.h"

namespace {

const std::vector<std::string> headless = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};

class DemoEndToEnd : public ::testing::Test {
protected:
    TempDir dir;

    void SetUp() override
    {
        ASSERT_TRUE(WriteSolidPng(dir.File("red.png"), 120, 90, 0xFFFF0000u));
        ASSERT_TRUE(WriteSolidPng(dir.File("soft.png"), 401, 301, 0x8000FF00u));
    }
};

TEST_F(DemoEndToEnd, LastSyncOfTheModuleEndsWithZero)
{
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "red.png\r\nsoft.png\n"));
    // The first Z00 shows the second picture, the second ends the show.
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {4, 12}, 64));
    DemoProcess demo(dir.path(), headless);
    const DemoExit result = demo.Wait(20);
    ASSERT_TRUE(result.exited) << "still running after 20 s";
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err, "");
}

TEST_F(DemoEndToEnd, RunsOnWithoutModuleUntilStopped)
{
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "red.png\nsoft.png\n"));
    DemoProcess demo(dir.path(), headless);
    EXPECT_FALSE(demo.Wait(2).exited); // no sync arrives, nothing ends it
}

TEST_F(DemoEndToEnd, EachFailureEndsWithOneAndItsLine)
{
    const struct {
        const char *what;
        const char *list; // "pics.dat", not written when null
        std::vector<std::string> env;
        const char *err;
    } cases[] = {
        {"missing picture", "red.png\nmissing.png\nsoft.png\n", headless, "demo: cannot load picture \"missing.png\"\n"},
        {"missing list", nullptr, headless, "demo: cannot read \"pics.dat\": No such file or directory\n"},
        {"list without names", "\nab\n", headless, "demo: \"pics.dat\" lists no picture\n"},
        // An X11 display with no server to reach, and a driver that does not exist.
        {"no X server", "red.png\n", {"SDL_VIDEODRIVER=x11", "DISPLAY=:none", "SDL_AUDIODRIVER=dummy"},
         "demo: cannot open the display\n"},
        {"no such driver", "red.png\n", {"SDL_VIDEODRIVER=no-such-driver", "SDL_AUDIODRIVER=dummy"},
         "demo: cannot open the display\n"},
    };
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {1}, 64));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::remove(dir.File("pics.dat").c_str());
        if (c.list) {
            ASSERT_TRUE(WriteText(dir.File("pics.dat"), c.list));
        }
        DemoProcess demo(dir.path(), c.env);
        const DemoExit result = demo.Wait(20);
        ASSERT_TRUE(result.exited);
        EXPECT_EQ(result.code, 1);
        EXPECT_EQ(result.err, c.err);
    }
}

} // namespace
