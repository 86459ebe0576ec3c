// lista_test.cpp - Lista<T>, the picture list: the cursor's walk through the
// elements and back, the node chain that Add builds, and the ownership of
// elements and nodes on destruction.
#include "lista.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// An element that counts its own deletion.
struct Element {
    explicit Element(int *deletions) : deletions(deletions) {}
    ~Element() { ++*deletions; }
    int *deletions;
};

using List = Lista<Element *>;

TEST(Lista, CursorYieldsElementsThenNullThenStartsOverAndAddRewindsIt)
{
    int deletions = 0;
    for (int count : {0, 1, 3}) {
        SCOPED_TRACE(testing::Message() << count << " elements");
        List list;
        std::vector<Element *> added;
        for (int i = 0; i < count; ++i) {
            added.push_back(new Element(&deletions));
            list.Add(added.back());
        }
        for (int round = 0; round < 2; ++round) {
            for (Element *expected : added)
                EXPECT_EQ(list.Next(), expected);
            EXPECT_EQ(list.Next(), nullptr);
            EXPECT_EQ(list.current, &list);
        }
        list.Next();
        Element *late = new Element(&deletions);
        list.Add(late);
        EXPECT_EQ(list.current, &list);
        added.push_back(late);
        // Each node holds its element and links back to the one before.
        const List *node = &list, *previous = nullptr;
        for (Element *expected : added) {
            EXPECT_EQ(list.Next(), expected);
            EXPECT_EQ(node->obj, expected);
            EXPECT_EQ(node->prev, previous);
            previous = node;
            node = node->next;
        }
        EXPECT_EQ(node->prev, previous);
        EXPECT_EQ(list.Next(), nullptr);
    }
}

TEST(Lista, DestroyingDeletesEveryElementOnceWithoutExhaustingTheStack)
{
    // A chain one node per call level deep would overflow the stack. It is
    // linked here the way Add links it, since Add's walk to the tail makes
    // building it through Add quadratic.
    constexpr int length = 1000000;
    int deletions = 0;
    {
        List list;
        List *tail = &list;
        for (int i = 0; i < length; ++i) {
            List *node = new List;
            tail->next = node;
            node->prev = tail;
            tail->obj = new Element(&deletions);
            tail = node;
        }
        list.Add(new Element(&deletions));
        list.Add(nullptr);
        EXPECT_EQ(deletions, 0);
    }
    EXPECT_EQ(deletions, length + 1);
}

} // namespace
