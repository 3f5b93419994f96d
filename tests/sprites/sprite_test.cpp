#include <gtest/gtest.h>

#include <climits>
#include <fstream>

#include "sprites/sprite.h"
#include "sprites/sprite_observer.h"
#include "tests/sprites/sprite_test_support.h"
#include "tests/support/test_data.h"

using namespace vesper::test;

namespace {

struct Notification {
    CSprite* sprite;
    DWORD flags;
    bool hasFirst, hasSecond;
    RECT first, second;
};

class RecordingObserver : public CSpriteObserver {
public:
    void OnSpriteChanged(CSprite* sprite, DWORD flags, const RECT* first, const RECT* second) override
    {
        received.push_back({sprite, flags, first != nullptr, second != nullptr, first ? *first : RECT{}, second ? *second : RECT{}});
    }
    std::vector<Notification> received;
};

void Append(std::vector<BYTE>& to, const std::vector<BYTE>& bytes)
{
    to.insert(to.end(), bytes.begin(), bytes.end());
}

// A stored CSprite: the picture, the two texts, then the five 16-bit items.
std::vector<BYTE> StoredSprite(const std::vector<BYTE>& picture, const std::vector<BYTE>& words)
{
    std::vector<BYTE> bytes = NewClassRecordBytes("CSprite");
    PutLE(bytes, static_cast<std::uint32_t>(picture.size()), 4);
    Append(bytes, picture);
    Append(bytes, ShortStringBytes("first"));
    Append(bytes, ShortStringBytes(""));
    Append(bytes, words);
    return bytes;
}

TEST(SpriteStoredForm, LoadsSixteenBitItemsSignOrZeroExtendedAndLeavesTheFrameEmpty)
{
    const std::vector<BYTE> picture = PackedPictureBytes(5, 3, 8, 4);
    const auto sprite = LoadedObject<CSprite>(StoredSprite(picture, {
        0xFB, 0xFF,  // x = -5
        0x02, 0x00,  // y = 2
        0x80, 0xFF,  // depth = -128
        0xFF, 0xFF,  // auxWord1 = 65535
        0x34, 0x92,  // auxWord2 = 0x9234, top bit set but unsigned
    }));
    ASSERT_TRUE(sprite);
    EXPECT_EQ(sprite->GetRuntimeClass(), RUNTIME_CLASS(CSprite));
    EXPECT_EQ(sprite->GetX(), -5);
    EXPECT_EQ(sprite->GetY(), 2);
    EXPECT_EQ(sprite->GetDepth(), -128);
    EXPECT_EQ(sprite->auxWord1, 65535u);
    EXPECT_EQ(sprite->auxWord2, 0x9234u);
    EXPECT_EQ(sprite->auxText1, "first");
    EXPECT_EQ(sprite->auxText2, "");
    ASSERT_NE(sprite->image.dib, nullptr);
    EXPECT_EQ(BytesOf(sprite->image.dib), picture);
    EXPECT_EQ(sprite->ImageHeight(), 3);
    // The frame is made later, from the picture; the key index stays 0.
    EXPECT_EQ(sprite->transparentIndex, 0);
    EXPECT_EQ(sprite->GetWidth(), 0);
    EXPECT_EQ(sprite->GetHeight(), 0);
    RECT r;
    sprite->GetRect(&r);
    EXPECT_EQ(r, (RECT{-5, 2, -5, 2}));
}

TEST(SpriteStoredForm, StoringWritesTheLow16BitsOfEachItemAndLoadsBack)
{
    CSprite sprite;
    const std::vector<BYTE> picture = PackedPictureBytes(4, 2, 1, 2);
    sprite.image.dib = BlockOf(picture);
    sprite.auxText1 = "cloud";
    sprite.auxText2 = std::string(300, 'z');
    sprite.x = 70000;  // 0x11170
    sprite.y = -5;
    sprite.depth = 50;
    sprite.auxWord1 = 0x12345;
    sprite.auxWord2 = 0xFFFF;
    sprite.transparentIndex = 9;  // not stored
    const std::vector<BYTE> bytes = StoredObject(sprite);
    const std::vector<BYTE> tail(bytes.end() - 10, bytes.end());
    EXPECT_EQ(tail, (std::vector<BYTE>{0x70, 0x11, 0xFB, 0xFF, 0x32, 0x00, 0x45, 0x23, 0xFF, 0xFF}));

    const auto loaded = LoadedObject<CSprite>(bytes);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->x, 0x1170);
    EXPECT_EQ(loaded->y, -5);
    EXPECT_EQ(loaded->depth, 50);
    EXPECT_EQ(loaded->auxWord1, 0x2345u);
    EXPECT_EQ(loaded->auxWord2, 0xFFFFu);
    EXPECT_EQ(loaded->auxText1, "cloud");
    EXPECT_EQ(loaded->auxText2, sprite.auxText2);
    EXPECT_EQ(loaded->transparentIndex, 0);
    EXPECT_EQ(BytesOf(loaded->image.dib), picture);
}

TEST(SpriteStoredForm, TruncatedSpriteFailsAtTheEndOfTheData)
{
    std::vector<BYTE> bytes = StoredSprite(PackedPictureBytes(5, 3, 8, 4), {1, 0, 2, 0, 3, 0, 4, 0, 5, 0});
    bytes.pop_back();
    try {
        LoadedObject<CSprite>(bytes);
        FAIL() << "a sprite cut short loaded";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
    }
}

class SpriteNotificationTest : public ::testing::Test {
protected:
    SpriteNotificationTest()
    {
        sprite.Create(10, 6);
        sprite.SetOwner(&observer);
    }

    CSprite sprite;
    RecordingObserver observer;
};

TEST_F(SpriteNotificationTest, SetPositionReportsTheRectangleBeforeAndAfter)
{
    sprite.SetPosition(3, 4);
    EXPECT_EQ(sprite.GetX(), 3);
    EXPECT_EQ(sprite.GetY(), 4);
    ASSERT_EQ(observer.received.size(), 1u);
    const Notification& n = observer.received[0];
    EXPECT_EQ(n.sprite, &sprite);
    EXPECT_EQ(n.flags, static_cast<DWORD>(ChangePosition));
    ASSERT_TRUE(n.hasFirst && n.hasSecond);
    EXPECT_EQ(n.first, (RECT{0, 0, 10, 6}));
    EXPECT_EQ(n.second, (RECT{3, 4, 13, 10}));
}

TEST_F(SpriteNotificationTest, SetDepthReportsOnlyARealChange)
{
    sprite.SetDepth(50);
    EXPECT_TRUE(observer.received.empty());
    sprite.SetDepth(20);
    EXPECT_EQ(sprite.GetDepth(), 20);
    ASSERT_EQ(observer.received.size(), 1u);
    EXPECT_EQ(observer.received[0].flags, static_cast<DWORD>(ChangeOrder));
    EXPECT_FALSE(observer.received[0].hasFirst);
    EXPECT_FALSE(observer.received[0].hasSecond);
}

TEST_F(SpriteNotificationTest, WithoutAnOwnerNothingIsReported)
{
    sprite.SetOwner(nullptr);
    sprite.SetPosition(1, 1);
    sprite.SetDepth(1);
    EXPECT_TRUE(observer.received.empty());
    EXPECT_EQ(sprite.GetX(), 1);
    EXPECT_EQ(sprite.GetDepth(), 1);
}

TEST_F(SpriteNotificationTest, RectangleEdgesStayInRangeAtExtremePositions)
{
    sprite.SetPosition(INT_MAX - 3, INT_MIN);
    RECT r;
    sprite.GetRect(&r);
    EXPECT_EQ(r, (RECT{INT_MAX - 3, INT_MIN, INT_MAX, INT_MIN + 6}));
}

TEST(SpriteOperations, LoadImageFillsThePictureNotTheFrame)
{
    ScratchDir scratch;
    const std::vector<BYTE> picture = PackedPictureBytes(6, 5, 8, 16);
    std::vector<BYTE> file{'B', 'M'};
    PutLE(file, static_cast<std::uint32_t>(14 + picture.size()), 4);
    PutLE(file, 0, 4);
    PutLE(file, 14 + 40 + 16 * 4, 4);
    Append(file, picture);
    const std::string path = (scratch / "ball.bmp").string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));

    CSprite sprite;
    EXPECT_TRUE(sprite.LoadImage(path.c_str()));
    ASSERT_NE(sprite.image.dib, nullptr);
    EXPECT_EQ(sprite.ImageHeight(), 5);
    EXPECT_EQ(sprite.GetWidth(), 0);

    EXPECT_FALSE(sprite.LoadImage((scratch / "missing.bmp").string().c_str()));
    EXPECT_EQ(sprite.image.dib, nullptr);
    EXPECT_EQ(sprite.ImageHeight(), 0);
}

}  // namespace
