// CObList: order, positions, insertion and removal, and node reuse.
#include <gtest/gtest.h>

#include <vector>

#include "framework/object_list.h"

namespace {

class Item : public CObject {
public:
    explicit Item(int value = 0) : value(value) {}
    int value;
};

std::vector<int> Forwards(const CObList& list)
{
    std::vector<int> values;
    for (POSITION position = list.GetHeadPosition(); position;)
        values.push_back(static_cast<const Item*>(list.GetNext(position))->value);
    return values;
}

std::vector<int> Backwards(const CObList& list)
{
    std::vector<int> values;
    for (POSITION position = list.GetTailPosition(); position;)
        values.push_back(static_cast<const Item*>(list.GetPrev(position))->value);
    return values;
}

// Checks the count and that both directions agree with the expected order.
void ExpectOrder(const CObList& list, const std::vector<int>& expected)
{
    EXPECT_EQ(list.GetCount(), static_cast<int>(expected.size()));
    EXPECT_EQ(list.IsEmpty(), expected.empty());
    EXPECT_EQ(Forwards(list), expected);
    EXPECT_EQ(Backwards(list), std::vector<int>(expected.rbegin(), expected.rend()));
}

class ObjectList : public testing::Test {
protected:
    Item items[10] = {Item(0), Item(1), Item(2), Item(3), Item(4), Item(5), Item(6), Item(7), Item(8), Item(9)};
};

TEST_F(ObjectList, AddsAtBothEnds)
{
    CObList list;
    ExpectOrder(list, {});
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    list.AddTail(&items[1]);
    list.AddTail(&items[2]);
    list.AddHead(&items[0]);
    ExpectOrder(list, {0, 1, 2});
    EXPECT_EQ(list.GetHead(), &items[0]);
    EXPECT_EQ(list.GetTail(), &items[2]);
}

TEST_F(ObjectList, RemovesFromTheEndsAndTheMiddle)
{
    CObList list;
    for (int i = 0; i < 5; ++i)
        list.AddTail(&items[i]);
    EXPECT_EQ(list.RemoveHead(), &items[0]);
    EXPECT_EQ(list.RemoveTail(), &items[4]);
    ExpectOrder(list, {1, 2, 3});
    list.RemoveAt(list.Find(&items[2]));
    ExpectOrder(list, {1, 3});
    list.RemoveAt(list.GetTailPosition());
    ExpectOrder(list, {1});
    list.RemoveAt(list.GetHeadPosition());
    ExpectOrder(list, {});
    EXPECT_EQ(list.GetTailPosition(), nullptr);
}

TEST_F(ObjectList, InsertsBeforeAndAfterPositions)
{
    CObList list;
    const POSITION two = list.AddTail(&items[2]);
    list.InsertBefore(two, &items[1]);
    list.InsertAfter(two, &items[4]);
    list.InsertBefore(list.Find(&items[4]), &items[3]);
    list.InsertBefore(list.GetHeadPosition(), &items[0]);
    list.InsertAfter(list.GetTailPosition(), &items[5]);
    ExpectOrder(list, {0, 1, 2, 3, 4, 5});
    // A null position means the head for InsertBefore and the tail for InsertAfter.
    list.InsertBefore(nullptr, &items[9]);
    list.InsertAfter(nullptr, &items[8]);
    ExpectOrder(list, {9, 0, 1, 2, 3, 4, 5, 8});
}

TEST_F(ObjectList, FindsFromTheHeadOrAfterAPosition)
{
    CObList list;
    for (Item* item : {&items[1], &items[2], &items[1], &items[3]})
        list.AddTail(item);
    const POSITION first = list.Find(&items[1]);
    ASSERT_EQ(first, list.GetHeadPosition());
    const POSITION second = list.Find(&items[1], first);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second, list.FindIndex(2));
    EXPECT_EQ(list.Find(&items[1], second), nullptr);
    EXPECT_EQ(list.Find(&items[7]), nullptr);
    EXPECT_EQ(list.Find(&items[3], list.GetTailPosition()), nullptr);
    // FindIndex covers exactly the elements.
    const Item* const expected[] = {&items[1], &items[2], &items[1], &items[3]};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(list.GetAt(list.FindIndex(i)), expected[i]) << i;
    EXPECT_EQ(list.FindIndex(4), nullptr);
    EXPECT_EQ(list.FindIndex(-1), nullptr);
}

TEST_F(ObjectList, ElementsCanBeReplacedThroughTheirPositionsAndReferences)
{
    CObList list;
    const POSITION position = list.AddTail(&items[0]);
    list.AddTail(&items[1]);
    list.SetAt(position, &items[5]);
    POSITION walker = list.GetHeadPosition();
    list.GetNext(walker) = &items[6];  // GetNext returns the element itself
    EXPECT_EQ(list.GetAt(position), &items[6]);
    list.GetTail() = &items[7];
    ExpectOrder(list, {6, 7});
    list.SetAt(position, nullptr);
    EXPECT_EQ(list.GetHead(), nullptr);
    EXPECT_EQ(list.Find(nullptr), position);
}

TEST_F(ObjectList, ManyElementsAcrossNodeBlocksKeepTheirOrderWhileNodesAreReused)
{
    std::vector<Item> many;
    for (int i = 0; i < 1000; ++i)
        many.emplace_back(i);
    CObList list(3);
    for (Item& item : many)
        list.AddTail(&item);
    // Remove every odd element, then add them again at the head: the freed nodes are reused.
    for (int i = 1; i < 1000; i += 2)
        list.RemoveAt(list.Find(&many[i]));
    ASSERT_EQ(list.GetCount(), 500);
    for (int i = 1; i < 1000; i += 2)
        list.AddHead(&many[i]);
    std::vector<int> expected;
    for (int i = 999; i >= 1; i -= 2)
        expected.push_back(i);
    for (int i = 0; i < 1000; i += 2)
        expected.push_back(i);
    ExpectOrder(list, expected);

    list.RemoveAll();
    ExpectOrder(list, {});
    list.AddTail(&many[42]);
    ExpectOrder(list, {42});
}

// A block size of 0 still allocates nodes.
TEST_F(ObjectList, EmptyingByRemovalLeavesAUsableList)
{
    CObList list(0);
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 5; ++i)
            list.AddTail(&items[i]);
        while (!list.IsEmpty())
            list.RemoveHead();
        ExpectOrder(list, {});
    }
    list.AddHead(&items[9]);
    ExpectOrder(list, {9});
}

}  // namespace
