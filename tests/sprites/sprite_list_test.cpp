#include <gtest/gtest.h>

#include "framework/exceptions.h"
#include "imaging/dib.h"
#include "sprites/sprite_list.h"
#include "sprites/anim_sprite.h"
#include "tests/sprites/sprite_test_support.h"

using namespace vesper::test;

namespace {

class SpriteListTest : public ::testing::Test {
protected:
    ~SpriteListTest() override { list.DeleteAllSprites(); }

    std::vector<CObject*> Order() const
    {
        std::vector<CObject*> order;
        for (POSITION pos = list.GetHeadPosition(); pos;)
            order.push_back(list.GetNext(pos));
        return order;
    }

    // Loads `bytes` into the list; the archive failure's cause, or -1.
    int Load(std::vector<BYTE> bytes, std::uint64_t* consumed = nullptr, std::uint64_t* failedAt = nullptr)
    {
        CMemFile file(std::move(bytes));
        CArchive ar(&file, CArchive::load);
        try {
            list.Serialize(ar);
        } catch (const CArchiveException& e) {
            if (failedAt)
                *failedAt = e.m_streamOffset;
            return e.m_cause;
        }
        if (consumed)
            *consumed = ar.GetStreamPosition();
        return -1;
    }

    static CAnimSprite* NewSprite(int x)
    {
        auto* sprite = new CAnimSprite;
        sprite->image.dib = BlockOf(PackedPictureBytes(4, 4, 4, 16));
        sprite->x = x;
        return sprite;
    }

    CSpriteList list;
};

std::vector<BYTE> CountBytes(std::uint32_t count)
{
    std::vector<BYTE> bytes;
    PutLE(bytes, count, 4);
    return bytes;
}

// A stored list of sprites made by `fill`, as the list writes it.
template <typename Fill>
std::vector<BYTE> StoredList(Fill fill)
{
    CSpriteList source;
    fill(source);
    std::vector<BYTE> bytes = StoredBytes([&](CArchive& ar) { source.Serialize(ar); });
    source.DeleteAllSprites();
    return bytes;
}

TEST_F(SpriteListTest, AddAndRemoveSetAndClearTheOwnerAndRefuseTheWrongSprite)
{
    CAnimSprite* sprite = NewSprite(1);
    EXPECT_EQ(list.AddSprite(nullptr), 0);
    EXPECT_EQ(list.AddSprite(sprite), 1);
    EXPECT_EQ(sprite->owner, &list.observer);
    EXPECT_EQ(list.AddSprite(sprite), 0);  // already listed
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.RemoveSprite(nullptr), nullptr);
    EXPECT_EQ(list.RemoveSprite(sprite), sprite);
    EXPECT_EQ(sprite->owner, nullptr);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.RemoveSprite(sprite), nullptr);
    delete sprite;
}

TEST_F(SpriteListTest, MoveToTailLeavesASpriteOfAnotherListAlone)
{
    CSpriteList other;
    CAnimSprite* listed = NewSprite(1);
    CAnimSprite* elsewhere = NewSprite(2);
    list.AddSprite(listed);
    other.AddSprite(elsewhere);
    list.MoveToTail(elsewhere);
    EXPECT_EQ(Order(), (std::vector<CObject*>{listed}));
    EXPECT_EQ(elsewhere->owner, &other.observer);
    other.DeleteAllSprites();
}

TEST_F(SpriteListTest, DeleteAllSpritesDeletesEveryElement)
{
    // LeakSanitizer reports any sprite left behind; the list must be empty.
    for (int i = 0; i < 25; ++i)
        list.AddSprite(NewSprite(i));
    list.AddTail(nullptr);  // a null element is skipped
    list.DeleteAllSprites();
    EXPECT_TRUE(list.IsEmpty());
}

TEST_F(SpriteListTest, CountZeroLoadsNothingAndConsumesFourBytes)
{
    std::vector<BYTE> bytes = CountBytes(0);
    bytes.push_back(0xAB);  // whatever follows belongs to someone else
    std::uint64_t consumed = 0;
    EXPECT_EQ(Load(bytes, &consumed), -1);
    EXPECT_EQ(consumed, 4u);
    EXPECT_TRUE(list.IsEmpty());
}

TEST_F(SpriteListTest, StoredFormIsACountThenTaggedSprites)
{
    const std::vector<BYTE> bytes = StoredList([](CSpriteList& source) {
        for (int i = 0; i < 3; ++i)
            source.AddSprite(NewSprite(i));
    });
    const std::vector<BYTE> head(bytes.begin(), bytes.begin() + 10);
    EXPECT_EQ(head, (std::vector<BYTE>{0x03, 0, 0, 0, 0xFF, 0xFF, 0x00, 0x00, 0x0B, 0x00}));
    // Each sprite after the first is a new object of class index 1.
    const std::size_t spriteSize = (bytes.size() - 4 - 6 - 11 - 2 * 2) / 3;
    const std::size_t secondTag = 4 + 6 + 11 + spriteSize;
    EXPECT_EQ(bytes[secondTag], 0x01);
    EXPECT_EQ(bytes[secondTag + 1], 0x80);
    EXPECT_EQ(bytes[secondTag + 2 + spriteSize], 0x01);
    EXPECT_EQ(bytes[secondTag + 3 + spriteSize], 0x80);
}

TEST_F(SpriteListTest, LoadingAppendsInStoredOrder)
{
    const std::vector<BYTE> bytes = StoredList([](CSpriteList& source) {
        for (int x : {420, 660, 500})
            source.AddSprite(NewSprite(x));
        auto* phased = new CPhasedSprite;
        phased->x = 7;
        source.AddSprite(phased);
        auto* plain = new CSprite;
        plain->x = 8;
        source.AddSprite(plain);
    });
    CAnimSprite* existing = NewSprite(1);
    list.AddSprite(existing);

    ASSERT_EQ(Load(bytes), -1);
    ASSERT_EQ(list.GetCount(), 6);
    std::vector<int> xs;
    for (CObject* element : Order()) {
        auto* sprite = static_cast<CSprite*>(element);
        xs.push_back(sprite->GetX());
        EXPECT_EQ(sprite->owner, &list.observer);
    }
    EXPECT_EQ(xs, (std::vector<int>{1, 420, 660, 500, 7, 8}));
    EXPECT_EQ(list.GetHead(), existing);
    const std::vector<CObject*> order = Order();
    EXPECT_EQ(order[3]->GetRuntimeClass(), RUNTIME_CLASS(CAnimSprite));
    EXPECT_EQ(order[4]->GetRuntimeClass(), RUNTIME_CLASS(CPhasedSprite));
    EXPECT_EQ(order[5]->GetRuntimeClass(), RUNTIME_CLASS(CSprite));
}

TEST_F(SpriteListTest, ElementOfAnotherClassFailsWithBadClass)
{
    CDIB picture;
    picture.dib = BlockOf(PackedPictureBytes(4, 4, 8, 2));
    std::vector<BYTE> bytes = CountBytes(1);
    const std::vector<BYTE> stored = StoredObject(picture);
    bytes.insert(bytes.end(), stored.begin(), stored.end());
    EXPECT_EQ(Load(bytes), CArchiveException::badClass);
    EXPECT_TRUE(list.IsEmpty());
}

TEST_F(SpriteListTest, NullOrRepeatedReferenceFailsWithBadIndex)
{
    const std::vector<BYTE> one = StoredList([](CSpriteList& source) { source.AddSprite(NewSprite(5)); });
    // A null reference, and index 2 (index 1 is the class, 2 the sprite).
    for (const std::vector<BYTE>& reference : {std::vector<BYTE>{0x00, 0x00}, std::vector<BYTE>{0x02, 0x00}}) {
        SCOPED_TRACE(static_cast<int>(reference[0]));
        list.DeleteAllSprites();
        std::vector<BYTE> bytes = one;
        bytes[0] = 2;
        bytes.insert(bytes.end(), reference.begin(), reference.end());
        std::uint64_t failedAt = 0;
        EXPECT_EQ(Load(bytes, nullptr, &failedAt), CArchiveException::badIndex);
        EXPECT_EQ(failedAt, one.size());
        // The sprite read before the failure stays until the owner empties the list.
        EXPECT_EQ(list.GetCount(), 1);
    }
}

TEST_F(SpriteListTest, CountBeyondTheDataOrCutShortFailsAtItsEnd)
{
    std::vector<BYTE> bytes = StoredList([](CSpriteList& source) { source.AddSprite(NewSprite(5)); });
    bytes[0] = 0xFF;
    bytes[1] = 0xFF;
    bytes[2] = 0xFF;
    bytes[3] = 0xFF;
    EXPECT_EQ(Load(bytes), CArchiveException::endOfFile);
    EXPECT_EQ(list.GetCount(), 1);

    list.DeleteAllSprites();
    EXPECT_EQ(Load(CountBytes(0xFFFFFFFF)), CArchiveException::endOfFile);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(Load({0x01, 0x00}), CArchiveException::endOfFile);
    EXPECT_TRUE(list.IsEmpty());
}

}  // namespace
