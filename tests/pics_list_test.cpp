// pics_list_test.cpp - reading "pics.dat" and loading the pictures it
// names: line endings, short and long lines, repeats, empty, missing and
// unreadable files, and the stderr line of each failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame_reference.h"
#include "test.h"

namespace {

using Names = std::vector<std::string>;

class PictureList : public ::testing::Test {
protected:
    TempDir dir;
    const std::string list = dir.File("pics.dat");
};

TEST_F(PictureList, ReadsOneNamePerLine)
{
    const std::string name5000 = std::string(4996, 'l') + ".png";
    const struct {
        const char *what;
        std::string text;
        Names expected;
    } cases[] = {
        {"LF, CR LF, short lines", "one.png\r\n\nx\nxy\nabc\n\r\nxy\r\ntwo.png\n", {"one.png", "abc", "two.png"}},
        {"no last terminator", "one.png\r\nabc", {"one.png", "abc"}},
        // No trimming, no comments; a carriage return that ends no line stays.
        {"as written", " spaced name.png \n# not a comment\na\rb.png\n", {" spaced name.png ", "# not a comment", "a\rb.png"}},
        {"long and repeated", name5000 + "\r\na.png\na.png\n", {name5000, "a.png", "a.png"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteText(list, c.text));
        Names names;
        testing::internal::CaptureStderr();
        EXPECT_EQ(ReadPictureList(list.c_str(), names), 1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(names, c.expected);
    }
}

TEST_F(PictureList, LoadsEveryListedPictureInOrder)
{
    ASSERT_TRUE(WriteSolidPng(dir.File("wide.png"), 30, 10, 0xFFFF0000u));
    ASSERT_TRUE(WriteSolidPng(dir.File("tall.png"), 7, 40, 0x80123456u));
    ASSERT_TRUE(WriteText(list, dir.File("wide.png\n") + dir.File("tall.png\n") + dir.File("wide.png")));
    Lista<Picture *> loaded;
    EXPECT_EQ(LoadPictureList(list.c_str(), loaded), 1);
    for (uint32_t color : {0xFFFF0000u, 0x80123456u, 0xFFFF0000u}) {
        const Picture *next = loaded.Next();
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(next->pixels[0], color);
    }
    EXPECT_EQ(loaded.Next(), nullptr);
}

TEST_F(PictureList, EachFailureEndsTheLoadWithItsLine)
{
    ASSERT_TRUE(WriteSolidPng(dir.File("good.png"), 4, 4, 0xFF00FF00u));
    ASSERT_TRUE(WriteText(dir.File("broken.png"), "not a picture"));
    const std::string good = dir.File("good.png\n"), missing = dir.File("missing.png");
    const std::string listsNothing = "demo: \"" + list + "\" lists no picture\n";
    const std::string absent = dir.File("absent.dat");
    const struct {
        const char *what;
        std::string path; // the list file, holding `text` when it is `list`
        std::string text;
        std::string err;
    } cases[] = {
        {"missing list", absent, "", "demo: cannot read \"" + absent + "\": No such file or directory\n"},
        // A directory opens as a stream but fails on the first read.
        {"unreadable list", dir.path(), "", "demo: cannot read \"" + dir.path() + "\": Is a directory\n"},
        {"short lines only", list, "ab\r\nx\n\n", listsNothing},
        {"missing picture", list, good + missing + "\n" + good, "demo: cannot load picture \"" + missing + "\"\n"},
        {"broken picture", list, dir.File("broken.png\n"), "demo: cannot load picture \"" + dir.File("broken.png") + "\"\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.path == list) {
            ASSERT_TRUE(WriteText(list, c.text));
        }
        Lista<Picture *> loaded;
        testing::internal::CaptureStderr();
        EXPECT_EQ(LoadPictureList(c.path.c_str(), loaded), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err);
    }
}

} // namespace
