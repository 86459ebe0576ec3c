// pics_list_test.cpp - Lista's cursor, links and ownership, and "pics.dat" read and its pictures loaded.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "frame_reference.h"
#include "test.h"

namespace {

// An element that counts its own deletion.
struct Element {
    int *deletions;
    ~Element() { ++*deletions; }
};

using List = Lista<Element *>;

// What Next yields up to its null, at most `limit` elements.
std::vector<Element *> Walk(List &list, std::size_t limit)
{
    std::vector<Element *> seen;
    for (Element *element; seen.size() < limit && (element = list.Next());)
        seen.push_back(element);
    return seen;
}

TEST(Lista, CursorYieldsElementsThenNullThenStartsOverAndAddRewindsIt)
{
    int deletions = 0;
    for (int count : {0, 1, 3}) {
        SCOPED_TRACE(testing::Message() << count << " elements");
        List list;
        std::vector<Element *> added;
        auto add = [&] { list.Add(added.emplace_back(new Element{&deletions})); };
        for (int i = 0; i < count; ++i)
            add();
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ(Walk(list, count + 1), added);
            EXPECT_EQ(list.current, &list);
        }
        list.Next();
        add();
        EXPECT_EQ(list.current, &list);
        EXPECT_EQ(Walk(list, count + 2), added);
        const List *previous = nullptr;
        for (const List *node = &list; node; previous = node, node = node->next)
            EXPECT_EQ(node->prev, previous);
    }
}

TEST(Lista, DestroyingDeletesEveryElementOnceWithoutExhaustingTheStack)
{
    // Deep enough to overflow a recursive destructor; linked by hand, as Add's walk to the tail is quadratic.
    constexpr int length = 1000000;
    int deletions = 0;
    {
        List list;
        List *tail = &list;
        for (int i = 0; i < length; ++i) {
            tail->next = new List;
            tail->next->prev = tail;
            tail->obj = new Element{&deletions};
            tail = tail->next;
        }
        list.Add(new Element{&deletions});
        list.Add(nullptr);
        EXPECT_EQ(deletions, 0);
    }
    EXPECT_EQ(deletions, length + 1);
}

class PictureList : public ::testing::Test {
protected:
    // The result and stderr of reading `path`, `text` written first when it is the list file.
    template <class Result>
    std::pair<int, std::string> Read(int (*read)(const char *, Result &), Result &result, const std::string &path,
                                     const std::string &text = "")
    {
        EXPECT_TRUE(path != list || WriteText(list, text));
        testing::internal::CaptureStderr();
        const int status = read(path.c_str(), result);
        return {status, testing::internal::GetCapturedStderr()};
    }

    TempDir dir;
    const std::string list = dir.File("pics.dat");
};

// LF or CR LF ends a line, the last one may have none; lines under three characters are skipped, the others are
// names as written: untrimmed, however long, repeated, a carriage return that ends no line kept.
TEST_F(PictureList, ReadsOneNamePerLine)
{
    const std::string name5000 = std::string(4996, 'l') + ".png";
    std::vector<std::string> names;
    EXPECT_EQ(Read(ReadPictureList, names, list,
                   "one.png\r\n\nx\nxy\nabc\n\r\nxy\r\n spaced name.png \n# not a comment\na\rb.png\n" + name5000 +
                       "\r\na.png\na.png\nabc"),
              std::make_pair(1, std::string()));
    EXPECT_EQ(names, (std::vector<std::string>{"one.png", "abc", " spaced name.png ", "# not a comment", "a\rb.png",
                                               name5000, "a.png", "a.png", "abc"}));
}

// Every listed picture in order, or the stderr line of the first failure.
TEST_F(PictureList, LoadsEveryListedPictureOrEndsWithTheFailuresLine)
{
    ASSERT_TRUE(WriteSolidPng(dir.File("wide.png"), 30, 10, 0xFFFF0000u));
    ASSERT_TRUE(WriteSolidPng(dir.File("tall.png"), 7, 40, 0x80123456u));
    ASSERT_TRUE(WriteText(dir.File("broken.png"), "not a picture"));
    const std::string wide = dir.File("wide.png\n"), missing = dir.File("missing.png"), absent = dir.File("absent.dat"),
                      broken = dir.File("broken.png");
    // The list file, its text when it is `list`, stderr, the first pixels of the pictures loaded.
    const std::tuple<std::string, std::string, std::string, std::vector<uint32_t>> cases[] = {
        {list, wide + dir.File("tall.png\n") + dir.File("wide.png"), "", {0xFFFF0000u, 0x80123456u, 0xFFFF0000u}},
        {absent, "", "demo: cannot read \"" + absent + "\": no such file\n", {}},
        {dir.path(), "", "demo: cannot read \"" + dir.path() + "\": a folder\n", {}},
        {list, "ab\r\nx\n\n", "demo: \"" + list + "\" lists no picture\n", {}},
        {list, wide + missing + "\n" + wide, "demo: cannot load picture \"" + missing + "\": no such file\n", {}},
        {list, broken + "\n", "demo: cannot load picture \"" + broken + "\": not a PNG file\n", {}},
    };
    for (const auto &[path, text, err, expected] : cases) {
        Lista<Picture *> loaded;
        EXPECT_EQ(Read(LoadPictureList, loaded, path, text), std::make_pair(err.empty() ? 1 : 0, err));
        std::vector<uint32_t> firstPixels;
        for (const Picture *picture; err.empty() && firstPixels.size() < 4 && (picture = loaded.Next());)
            firstPixels.push_back(picture->pixels[0]);
        EXPECT_EQ(firstPixels, expected);
    }
}

} // namespace
