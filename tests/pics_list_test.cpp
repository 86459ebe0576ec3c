// pics_list_test.cpp - reading "pics.dat" and loading the pictures it
// names: line endings, short and long lines, repeats, empty, missing and
// unreadable files, and the stderr line of each failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "solid_png.h"
#include "test.h"

namespace {

using Names = std::vector<std::string>;

class PictureList : public ::testing::Test {
protected:
    ScratchDir dir;

    // The names read from a list file holding `text`; fails on a read error.
    Names Read(const std::string &text)
    {
        const std::string list = dir / "pics.dat";
        EXPECT_TRUE(WriteText(list, text));
        Names names;
        testing::internal::CaptureStderr();
        EXPECT_EQ(ReadPictureList(list.c_str(), names), 1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        return names;
    }
};

TEST_F(PictureList, LineFeedAndCarriageReturnLineFeedGiveTheSameNames)
{
    const Names expected = {"first.png", "second.png", "abc"};
    EXPECT_EQ(Read("first.png\nsecond.png\nabc\n"), expected);
    EXPECT_EQ(Read("first.png\r\nsecond.png\r\nabc\r\n"), expected);
    EXPECT_EQ(Read("first.png\r\nsecond.png\nabc\r\n"), expected);
}

TEST_F(PictureList, LinesShorterThanThreeCharactersAreSkipped)
{
    EXPECT_EQ(Read("one.png\n\nx\nxy\nabc\n\r\nxy\r\ntwo.png\n"), (Names{"one.png", "abc", "two.png"}));
    EXPECT_EQ(Read("\n\n\n"), Names{});
}

TEST_F(PictureList, LastLineWithoutTerminatorKeepsItsLastCharacter)
{
    EXPECT_EQ(Read("one.png\ntwo.png"), (Names{"one.png", "two.png"}));
    EXPECT_EQ(Read("one.png\r\nabc"), (Names{"one.png", "abc"}));
    EXPECT_EQ(Read("one.png\nxy"), Names{"one.png"});
}

TEST_F(PictureList, NamesStandAsWritten)
{
    // No trimming, no comments; a carriage return that ends no line stays.
    EXPECT_EQ(Read(" spaced name.png \n# not a comment\na\rb.png\n"),
              (Names{" spaced name.png ", "# not a comment", "a\rb.png"}));
}

TEST_F(PictureList, LongLineIsOneName)
{
    const std::string name300 = std::string(296, 'n') + ".png";
    const std::string name5000 = std::string(4996, 'l') + ".png";
    EXPECT_EQ(Read(name300 + "\n" + name5000 + "\r\nend.png\n"), (Names{name300, name5000, "end.png"}));
}

TEST_F(PictureList, RepeatedNameIsListedEachTime)
{
    EXPECT_EQ(Read("a.png\nb.png\na.png\na.png\n"), (Names{"a.png", "b.png", "a.png", "a.png"}));
}

TEST_F(PictureList, EmptyFileListsNothing)
{
    EXPECT_EQ(Read(""), Names{});
}

TEST_F(PictureList, MissingFileIsReportedWithItsReason)
{
    const std::string missing = dir / "pics.dat";
    Names names;
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadPictureList(missing.c_str(), names), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "demo: cannot read \"" + missing + "\": No such file or directory\n");
    EXPECT_TRUE(names.empty());
}

TEST_F(PictureList, UnreadableFileIsReportedWithItsReason)
{
    // A directory opens as a stream but fails on the first read.
    Names names;
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadPictureList(dir.path().c_str(), names), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "demo: cannot read \"" + dir.path() + "\": Is a directory\n");
}

// ---- Loading the listed pictures ----

TEST_F(PictureList, LoadsEveryListedPictureInOrder)
{
    ASSERT_TRUE(WriteSolidPng(dir / "wide.png", 30, 10, 0xFFFF0000u));
    ASSERT_TRUE(WriteSolidPng(dir / "tall.png", 7, 40, 0x80123456u));
    const std::string list = dir / "pics.dat";
    // Absolute names, the last one without a terminator, one repeated.
    ASSERT_TRUE(WriteText(list, dir / "wide.png\r\n" + dir / "tall.png\n\n" + dir / "wide.png"));

    Lista<Picture *> loaded;
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadPictureList(list.c_str(), loaded), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const int expectedWidths[] = {30, 7, 30};
    for (int width : expectedWidths) {
        Picture *picture = loaded.Next();
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->width, width);
    }
    EXPECT_EQ(loaded.Next(), nullptr);
    loaded.current = &loaded;
    EXPECT_EQ(loaded.Next()->pixels[0], 0xFFFF0000u);
    EXPECT_EQ(loaded.Next()->pixels[0], 0x80123456u);
}

TEST_F(PictureList, PictureThatCannotBeLoadedIsNamed)
{
    ASSERT_TRUE(WriteSolidPng(dir / "good.png", 4, 4, 0xFF00FF00u));
    ASSERT_TRUE(WriteText(dir / "broken.png", "not a picture"));
    const std::string list = dir / "pics.dat";
    const std::string missing = dir / "missing.png";
    ASSERT_TRUE(WriteText(list, dir / "good.png\n" + missing + "\n" + dir / "good.png\n"));

    Lista<Picture *> loaded;
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadPictureList(list.c_str(), loaded), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "demo: cannot load picture \"" + missing + "\"\n");

    ASSERT_TRUE(WriteText(list, dir / "broken.png\n"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadPictureList(list.c_str(), loaded), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "demo: cannot load picture \"" + dir / "broken.png" + "\"\n");
}

TEST_F(PictureList, ListWithoutAPictureIsAFailure)
{
    const std::string list = dir / "pics.dat";
    for (const char *text : {"", "\n", "ab\r\nx\n\n"}) {
        ASSERT_TRUE(WriteText(list, text));
        Lista<Picture *> loaded;
        testing::internal::CaptureStderr();
        EXPECT_EQ(LoadPictureList(list.c_str(), loaded), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "demo: \"" + list + "\" lists no picture\n");
        EXPECT_EQ(loaded.Next(), nullptr);
    }
}

TEST_F(PictureList, MissingListFileFailsTheLoad)
{
    const std::string list = dir / "pics.dat";
    Lista<Picture *> loaded;
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadPictureList(list.c_str(), loaded), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "demo: cannot read \"" + list + "\": No such file or directory\n");
}

} // namespace
