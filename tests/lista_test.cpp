// lista_test.cpp - tests of Lista<T>, the picture list: the cursor's walk
// through the elements and back, the node chain that Add builds, and the
// ownership of elements and nodes on destruction.
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

// --- Cursor --------------------------------------------------------------------

class ListaCursor : public ListaTest {
protected:
    List list;
};

TEST_F(ListaCursor, YieldsElementsThenNullThenStartsOver)
{
    Element *x = NewElement(), *y = NewElement(), *z = NewElement();
    list.Add(x);
    list.Add(y);
    list.Add(z);
    const std::vector<Element *> expected = {x, y, z, nullptr, x, y, z, nullptr, x};
    for (size_t call = 0; call < expected.size(); ++call)
        EXPECT_EQ(list.Next(), expected[call]) << "call " << call;
}

TEST_F(ListaCursor, EmptyListYieldsNullAndStaysAtHead)
{
    EXPECT_EQ(list.current, &list);
    for (int call = 0; call < 3; ++call) {
        EXPECT_EQ(list.Next(), nullptr);
        EXPECT_EQ(list.current, &list);
    }
    EXPECT_EQ(list.obj, nullptr);
    EXPECT_EQ(list.next, nullptr);
    EXPECT_EQ(list.prev, nullptr);
}

TEST_F(ListaCursor, SingleElementAlternatesWithNull)
{
    Element *x = NewElement();
    list.Add(x);
    EXPECT_EQ(list.Next(), x);
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_EQ(list.Next(), x);
    EXPECT_EQ(list.Next(), nullptr);
}

TEST_F(ListaCursor, AddRewindsTheCursor)
{
    Element *x = NewElement(), *y = NewElement(), *z = NewElement();
    list.Add(x);
    list.Add(y);
    EXPECT_EQ(list.Next(), x);
    EXPECT_EQ(list.Next(), y);
    list.Add(z);
    EXPECT_EQ(list.current, &list);
    EXPECT_EQ(list.Next(), x);
    EXPECT_EQ(list.Next(), y);
    EXPECT_EQ(list.Next(), z);
    EXPECT_EQ(list.Next(), nullptr);
}

TEST_F(ListaCursor, NullElementAdvancesInsteadOfRewinding)
{
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

TEST_F(ListaCursor, CursorNodeShowsWhatNextReturns)
{
    Element *x = NewElement(), *y = NewElement(), *z = NewElement();
    list.Add(x);
    list.Add(y);
    list.Add(z);
    for (Element *expected : {x, y, z}) {
        ASSERT_NE(list.current, nullptr);
        EXPECT_EQ(list.current->obj, expected);
        EXPECT_NE(list.current->next, nullptr);
        EXPECT_EQ(list.Next(), expected);
    }
}

TEST_F(ListaCursor, CursorRestsOnEmptyTailAfterLastElement)
{
    Element *x = NewElement(), *y = NewElement();
    list.Add(x);
    list.Add(y);
    list.Next();
    EXPECT_EQ(list.Next(), y);
    ASSERT_NE(list.current, &list);
    EXPECT_EQ(list.current->obj, nullptr);
    EXPECT_EQ(list.current->next, nullptr);
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_EQ(list.current, &list);
}

// --- Chain ---------------------------------------------------------------------

using ListaChain = ListaTest;

TEST_F(ListaChain, FreshListIsItsOwnTail)
{
    List list;
    EXPECT_EQ(list.obj, nullptr);
    EXPECT_EQ(list.next, nullptr);
    EXPECT_EQ(list.prev, nullptr);
    EXPECT_EQ(list.current, &list);
}

TEST_F(ListaChain, KthElementIsInKthNodeAndOneTailFollows)
{
    List list;
    std::vector<Element *> added;
    for (int i = 0; i < 5; ++i) {
        added.push_back(NewElement());
        list.Add(added.back());
    }
    List *node = &list;
    List *previous = nullptr;
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

// --- Ownership -------------------------------------------------------------------

using ListaOwnership = ListaTest;

TEST_F(ListaOwnership, DestroyingDeletesEveryElementOnce)
{
    {
        List list;
        for (int i = 0; i < 1000; ++i)
            list.Add(NewElement());
        list.Next();
        list.Next();
        for (const auto &count : deletions)
            ASSERT_EQ(*count, 0);
    }
    for (size_t i = 0; i < deletions.size(); ++i)
        EXPECT_EQ(*deletions[i], 1) << "element " << i;
}

TEST_F(ListaOwnership, NullElementsAreSkippedOnDestruction)
{
    {
        List list;
        list.Add(nullptr);
        list.Add(NewElement());
        list.Add(nullptr);
        list.Add(NewElement());
    }
    EXPECT_EQ(*deletions[0], 1);
    EXPECT_EQ(*deletions[1], 1);
}

TEST_F(ListaOwnership, LongListIsDestroyedWithoutExhaustingTheStack)
{
    // A chain one node per call level deep would overflow the stack. It is
    // linked here the way Add links it; Add's walk to the tail makes building
    // it through Add quadratic.
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
