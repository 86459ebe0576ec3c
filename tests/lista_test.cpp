// lista_test.cpp - Lista<T>, the picture list: the cursor's walk through the
// elements and back, the node chain that Add builds, and the ownership of
// elements and nodes on destruction.
#include "lista.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// An element that records its own deletion.
struct Element {
    explicit Element(int *deletions) : deletions(deletions) {}
    ~Element() { ++*deletions; }
    int *deletions;
};

using List = Lista<Element *>;

class ListaTest : public ::testing::Test {
protected:
    Element *NewElement()
    {
        deletions.push_back(std::make_unique<int>(0));
        return new Element(deletions.back().get());
    }

    // Counters stay valid after the list that deleted their elements is gone.
    std::vector<std::unique_ptr<int>> deletions;
};

TEST_F(ListaTest, CursorYieldsElementsThenNullThenStartsOver)
{
    for (int count : {0, 1, 3}) {
        SCOPED_TRACE(testing::Message() << count << " elements");
        List list;
        EXPECT_EQ(list.current, &list);
        std::vector<Element *> added;
        for (int i = 0; i < count; ++i) {
            added.push_back(NewElement());
            list.Add(added.back());
        }
        for (int round = 0; round < 2; ++round) {
            // The cursor node shows what Next returns.
            for (Element *expected : added) {
                EXPECT_EQ(list.current->obj, expected);
                EXPECT_NE(list.current->next, nullptr);
                EXPECT_EQ(list.Next(), expected);
            }
            // After the last element it rests on the empty tail, then rewinds.
            EXPECT_EQ(list.current->obj, nullptr);
            EXPECT_EQ(list.current->next, nullptr);
            EXPECT_EQ(list.Next(), nullptr);
            EXPECT_EQ(list.current, &list);
        }
        EXPECT_EQ(list.Next(), count ? added[0] : nullptr);
    }
}

TEST_F(ListaTest, AddAfterNextRewindsTheCursor)
{
    List list;
    Element *x = NewElement(), *y = NewElement(), *z = NewElement();
    list.Add(x);
    list.Add(y);
    EXPECT_EQ(list.Next(), x);
    EXPECT_EQ(list.Next(), y);
    list.Add(z);
    EXPECT_EQ(list.current, &list);
    for (Element *expected : {x, y, z, static_cast<Element *>(nullptr)})
        EXPECT_EQ(list.Next(), expected);
}

TEST_F(ListaTest, NullElementAdvancesInsteadOfRewinding)
{
    List list;
    Element *x = NewElement(), *y = NewElement();
    list.Add(x);
    list.Add(nullptr);
    list.Add(y);
    EXPECT_EQ(list.Next(), x);
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_NE(list.current, &list);
    EXPECT_EQ(list.Next(), y);
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_EQ(list.current, &list);
    EXPECT_EQ(list.Next(), x);
}

TEST_F(ListaTest, KthElementIsInKthNodeAndOneTailFollows)
{
    List list;
    EXPECT_EQ(list.obj, nullptr);
    EXPECT_EQ(list.next, nullptr);
    EXPECT_EQ(list.prev, nullptr);
    std::vector<Element *> added;
    for (int i = 0; i < 5; ++i) {
        added.push_back(NewElement());
        list.Add(added.back());
    }
    List *node = &list, *previous = nullptr;
    for (Element *element : added) {
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->obj, element);
        EXPECT_EQ(node->prev, previous);
        previous = node;
        node = node->next;
    }
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->obj, nullptr);
    EXPECT_EQ(node->next, nullptr);
    EXPECT_EQ(node->prev, previous);
    EXPECT_EQ(node->current, node);
}

TEST_F(ListaTest, DestroyingDeletesEveryElementOnceAndSkipsNulls)
{
    {
        List list;
        for (int i = 0; i < 1000; ++i) {
            list.Add(NewElement());
            if (i % 100 == 0)
                list.Add(nullptr);
        }
        list.Next();
        list.Next();
        for (const auto &count : deletions)
            ASSERT_EQ(*count, 0);
    }
    for (size_t i = 0; i < deletions.size(); ++i)
        EXPECT_EQ(*deletions[i], 1) << "element " << i;
}

TEST_F(ListaTest, LongListIsDestroyedWithoutExhaustingTheStack)
{
    // A chain one node per call level deep would overflow the stack. It is
    // linked here the way Add links it, since Add's walk to the tail makes
    // building it through Add quadratic.
    constexpr int length = 1000000;
    int sharedDeletions = 0;
    {
        List list;
        List *tail = &list;
        for (int i = 0; i < length; ++i) {
            List *node = new List;
            tail->next = node;
            node->prev = tail;
            tail->obj = new Element(&sharedDeletions);
            tail = node;
        }
        list.Add(new Element(&sharedDeletions));
        EXPECT_EQ(list.Next(), list.obj);
    }
    EXPECT_EQ(sharedDeletions, length + 1);
}

} // namespace
