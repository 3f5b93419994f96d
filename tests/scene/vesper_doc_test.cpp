#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "framework/archive.h"
#include "framework/exceptions.h"
#include "platform/kernel/patchable_data.h"
#include "imaging/dib.h"
#include "scene/module_path.h"
#include "scene/vesper_doc.h"
#include "sprites/anim_sprite.h"
#include "tests/scene/message_box_recorder.h"
#include "tests/scene/scene_test_support.h"
#include "tests/support/language.h"
#include "tests/support/oversized_scene.h"
#include "tests/support/test_data.h"

namespace {

using namespace vesper::test;

const std::vector<BYTE> kNewScene = {0x80, 0x02, 0xE0, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
                                     0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                     0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

CAnimSprite* MakeAnimSprite(int x, int y, LONG width, LONG height, BYTE seed)
{
    auto* sprite = new CAnimSprite;
    sprite->image.dib = MakePicture(width, height, 4, 16, seed);
    sprite->x = x;
    sprite->y = y;
    sprite->depth = 50 + seed;
    sprite->phaseCount = 1 + seed % 3;
    sprite->phaseSpeed = 8;
    sprite->dx = 34 - seed;
    sprite->dy = 12;
    sprite->motion = 1 + seed % 2;
    sprite->edgeMode = seed % 3;
    return sprite;
}

// The sample's shape: an 8-bit 640 x 480 background with 65 colours and 17
// animated sprites with 16-colour pictures.
void FillFullScene(CVesperDoc& doc)
{
    doc.ResetToNewScene();
    doc.backgroundPath = "c:\\windows\\nuages.bmp";
    doc.sceneName = "Nuages!";
    doc.backgroundKind = CVesperDoc::backgroundPicture;
    doc.gradientFrom = 0x00C00000;
    doc.gradientTo = 0x00400000;
    doc.SetBackground(MakeDIB(640, 480, 8, 65));
    doc.sprites.AddSprite(MakeAnimSprite(420, 420, 45, 45, 0));
    for (BYTE i = 1; i < 17; ++i)
        doc.sprites.AddSprite(MakeAnimSprite(20 * i, 10 * i, 10 + i, 20 + i, i));
}

// A small scene with a picture and three sprites of each sprite class.
void FillMixedScene(CVesperDoc& doc)
{
    doc.ResetToNewScene();
    doc.backgroundPath = "sky.bmp";
    doc.sceneName = "mixed";
    doc.SetBackground(MakeDIB(9, 4, 8, 5));
    for (BYTE i = 0; i < 3; ++i) {
        auto* sprite = new CSprite;
        sprite->image.dib = MakePicture(3, 2, 1, 2, i);
        sprite->auxText1.push_back('a');
        doc.sprites.AddSprite(sprite);
        auto* phased = new CPhasedSprite;
        phased->image.dib = MakePicture(2, 4, 4, 3, i);
        phased->phaseCount = 2;
        doc.sprites.AddSprite(phased);
        doc.sprites.AddSprite(MakeAnimSprite(i, -i, 2, 2, i));
    }
}

bool IsEmpty(const CVesperDoc& doc)
{
    return doc.background == nullptr && doc.sprites.IsEmpty();
}

std::string ClassName(const CObject* object)
{
    return object->GetRuntimeClass()->m_lpszClassName;
}

// A constructed document keeps its defaults through the new-scene operation,
// so its stored form is the new scene's.
TEST(SceneDocument, ANewSceneIsThirtySixBytesBothWays)
{
    CVesperDoc doc;
    EXPECT_FALSE(doc.IsSerializable());
    EXPECT_EQ(CRuntimeClass::FromName("CVesperDoc"), RUNTIME_CLASS(CVesperDoc));
    doc.SetBackground(MakeDIB(2, 2, 8, 4));
    doc.sprites.AddSprite(MakeAnimSprite(1, 1, 2, 2, 1));
    doc.sceneWidth = 100;
    ASSERT_TRUE(doc.ResetToNewScene());
    EXPECT_TRUE(IsEmpty(doc));
    EXPECT_EQ(StoreScene(doc), kNewScene);

    CVesperDoc loaded;
    loaded.backgroundKind = 7;
    loaded.spareWord2 = 9;
    MessageBoxRecorder boxes;
    ASSERT_TRUE(LoadSceneBytes(loaded, kNewScene));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(loaded.sceneWidth, 640u);
    EXPECT_EQ(loaded.sceneHeight, 480u);
    EXPECT_EQ(loaded.spareWord1, 0u);
    EXPECT_EQ(loaded.backgroundKind, 1u);
    EXPECT_EQ(loaded.spareWord2, 1u);
    EXPECT_EQ(loaded.gradientTo, 0x00800000u);
    EXPECT_TRUE(IsEmpty(loaded));
    EXPECT_FALSE(loaded.LastLoadFailure());
    EXPECT_EQ(StoreScene(loaded), kNewScene);
}

TEST(SceneDocument, SixteenBitFieldsKeepTheirLowHalfAndLoadZeroExtended)
{
    CVesperDoc doc;
    doc.sceneWidth = 0x1FFFF;
    doc.spareWord1 = 0xFFFF;
    doc.imagePlacement = 0x10002;
    doc.spareWord2 = 0x8000;
    CVesperDoc loaded;
    MessageBoxRecorder boxes;
    ASSERT_TRUE(LoadSceneBytes(loaded, StoreScene(doc)));
    EXPECT_EQ(loaded.sceneWidth, 0xFFFFu);
    EXPECT_EQ(loaded.spareWord1, 0xFFFFu);
    EXPECT_EQ(loaded.imagePlacement, 2u);
    EXPECT_EQ(loaded.spareWord2, 0x8000u);
}

TEST(SceneDocument, FieldsTravelInTheStreamOrder)
{
    CVesperDoc doc;
    doc.sceneWidth = 0x0102;
    doc.sceneHeight = 0x0304;
    doc.spareWord1 = 0x0506;
    doc.backgroundPath = "P";
    doc.sceneName = "NN";
    doc.backgroundKind = 0x0708;
    doc.gradientHorizontal = 0x090A;
    doc.imagePlacement = 0x0B0C;
    doc.spareWord2 = 0x0D0E;
    doc.solidColour = 0x11223344;
    doc.gradientFrom = 0x55667788;
    doc.gradientTo = 0x99AABBCC;
    const std::vector<BYTE> expected = {0x02, 0x01, 0x04, 0x03, 0x06, 0x05, 0x01, 'P',  0x02, 'N',  'N',  0x08,
                                        0x07, 0x0A, 0x09, 0x0C, 0x0B, 0x0E, 0x0D, 0x44, 0x33, 0x22, 0x11, 0x88,
                                        0x77, 0x66, 0x55, 0xCC, 0xBB, 0xAA, 0x99, 0,    0,    0,    0,    0,
                                        0,    0,    0};
    EXPECT_EQ(StoreScene(doc), expected);
}

TEST(SceneDocument, AFullSceneStoresTheTagsOfTheWorkedExampleAndReadsBackTheSame)
{
    CVesperDoc doc;
    FillFullScene(doc);
    const auto bytes = StoreScene(doc);

    auto at = [&](std::size_t offset, std::size_t count) {
        return std::vector<BYTE>(bytes.begin() + offset, bytes.begin() + offset + count);
    };
    EXPECT_EQ(at(0x24, 8), (std::vector<BYTE>{0, 0, 0, 0, 0, 0, 1, 0}));
    EXPECT_EQ(at(0x38, 4), (std::vector<BYTE>{1, 0, 0, 0}));
    EXPECT_EQ(at(0x3C, 10), (std::vector<BYTE>{0xFF, 0xFF, 0x00, 0x00, 0x04, 0x00, 'C', 'D', 'I', 'B'}));
    EXPECT_EQ(at(0x46, 4), (std::vector<BYTE>{0x2C, 0xB1, 0x04, 0x00}));  // 307,500
    EXPECT_EQ(at(0x4B176, 4), (std::vector<BYTE>{0x11, 0, 0, 0}));
    EXPECT_EQ(at(0x4B17A, 17), (std::vector<BYTE>{0xFF, 0xFF, 0x00, 0x00, 0x0B, 0x00, 'C', 'A', 'n', 'i', 'm', 'S',
                                                  'p', 'r', 'i', 't', 'e'}));
    // The first sprite: 45 x 45 at 4 bits is n = 1,184; its fields end at 0x4B653.
    EXPECT_EQ(at(0x4B18B, 4), (std::vector<BYTE>{0xA0, 0x04, 0x00, 0x00}));
    std::size_t next = 0x4B653;
    for (int i = 1; i < 17; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(at(next, 2), (std::vector<BYTE>{0x03, 0x80}));
        const auto* sprite = SpriteAt(doc, i);
        next += 2 + 4 + sprite->image.StoredSize() + 2 + 10 + 8 + 16;
    }
    EXPECT_EQ(next, bytes.size());

    CVesperDoc loaded;
    MessageBoxRecorder boxes;
    ASSERT_TRUE(LoadSceneBytes(loaded, bytes));
    EXPECT_EQ(loaded.backgroundPath, doc.backgroundPath);
    EXPECT_EQ(loaded.sceneName, doc.sceneName);
    EXPECT_EQ(loaded.gradientFrom, 0x00C00000u);
    ASSERT_NE(loaded.background, nullptr);
    EXPECT_EQ(BlockBytes(loaded.background->dib), BlockBytes(doc.background->dib));
    EXPECT_EQ(loaded.background->palette.GetEntryCount(), 65);
    ASSERT_EQ(SpriteCount(loaded), 17);
    for (int i = 0; i < 17; ++i) {
        SCOPED_TRACE(i);
        const auto* original = static_cast<CAnimSprite*>(SpriteAt(doc, i));
        const auto* copy = dynamic_cast<CAnimSprite*>(SpriteAt(loaded, i));
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->x, original->x);
        EXPECT_EQ(copy->y, original->y);
        EXPECT_EQ(copy->depth, original->depth);
        EXPECT_EQ(copy->phaseCount, original->phaseCount);
        EXPECT_EQ(copy->dx, original->dx);
        EXPECT_EQ(copy->motion, original->motion);
        EXPECT_EQ(copy->edgeMode, original->edgeMode);
        EXPECT_EQ(BlockBytes(copy->image.dib), BlockBytes(original->image.dib));
        EXPECT_EQ(copy->owner, &loaded.sprites.observer);
    }
    EXPECT_EQ(StoreScene(loaded), bytes);
}

TEST(SceneDocument, MixedSpriteClassesRoundTrip)
{
    CVesperDoc doc;
    FillMixedScene(doc);
    const auto bytes = StoreScene(doc);
    CVesperDoc loaded;
    MessageBoxRecorder boxes;
    ASSERT_TRUE(LoadSceneBytes(loaded, bytes));
    ASSERT_EQ(SpriteCount(loaded), 9);
    EXPECT_EQ(ClassName(SpriteAt(loaded, 0)), "CSprite");
    EXPECT_EQ(ClassName(SpriteAt(loaded, 1)), "CPhasedSprite");
    EXPECT_EQ(ClassName(SpriteAt(loaded, 8)), "CAnimSprite");
    EXPECT_EQ(StoreScene(loaded), bytes);
}

// The new scene with a presence value and what follows it in place of its end.
std::vector<BYTE> SceneWithPresence(DWORD presence, const std::vector<BYTE>& object)
{
    std::vector<BYTE> bytes(kNewScene.begin(), kNewScene.begin() + 0x1C);
    Append32(bytes, presence);
    bytes.insert(bytes.end(), object.begin(), object.end());
    Append32(bytes, 0);  // no sprites
    return bytes;
}

std::vector<BYTE> TaggedDIB()
{
    std::vector<BYTE> object = {0xFF, 0xFF, 0x00, 0x00, 0x04, 0x00};
    AppendText(object, "CDIB");
    CDIB picture;
    picture.dib = MakePicture(3, 3, 8, 2);
    const auto fields = StoreInPlace(picture);
    object.insert(object.end(), fields.begin(), fields.end());
    return object;
}

TEST(SceneDocument, AnyNonZeroPresenceValueIntroducesAPictureOrANullReference)
{
    for (DWORD presence : {1u, 2u, 0x80000000u}) {
        SCOPED_TRACE(presence);
        CVesperDoc doc;
        MessageBoxRecorder boxes;
        ASSERT_TRUE(LoadSceneBytes(doc, SceneWithPresence(presence, TaggedDIB())));
        ASSERT_NE(doc.background, nullptr);
        EXPECT_EQ(doc.background->Header()->biWidth, 3);
    }
    CVesperDoc doc;
    MessageBoxRecorder boxes;
    ASSERT_TRUE(LoadSceneBytes(doc, SceneWithPresence(1, {0x00, 0x00})));
    EXPECT_EQ(doc.background, nullptr);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST(SceneDocument, APictureOfAnotherClassFailsWithBadClassAndEmptiesTheDocument)
{
    CVesperDoc source;
    source.sprites.AddSprite(MakeAnimSprite(5, 5, 4, 4, 1));
    const auto spriteStream = StoreInPlace(source.sprites);
    // The sprite object without the list's count in front.
    const std::vector<BYTE> sprite(spriteStream.begin() + 4, spriteStream.end());

    CVesperDoc doc;
    doc.SetBackground(MakeDIB(2, 2, 24, 0));
    MessageBoxRecorder boxes;
    EXPECT_FALSE(LoadSceneBytes(doc, SceneWithPresence(1, sprite)));
    EXPECT_TRUE(IsEmpty(doc));
    ASSERT_TRUE(doc.LastLoadFailure());
    EXPECT_EQ(doc.LastLoadFailure()->kind, SceneLoadFailure::Kind::archive);
    EXPECT_EQ(doc.LastLoadFailure()->cause, CArchiveException::badClass);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, CVesperDoc::kUnexpectedFormatMessage);
    EXPECT_EQ(boxes.boxes[0].type & 0xF0, static_cast<UINT>(MB_ICONEXCLAMATION));
}

TEST(SceneDocument, ADamagedPictureFailsTheLoadAndEmptiesTheDocument)
{
    // The picture's fields begin 10 bytes into the tagged object (after the
    // class record), its header 4 bytes later.
    struct Case {
        const char* what;
        std::size_t at;
        std::vector<BYTE> bytes;
        int cause;
        std::uint64_t streamOffset;
        const char* message;
    };
    const Case cases[] = {
        {"16 bits per pixel", 10 + 4 + 14, {16}, CArchiveException::genericException, 0x20 + 10 + 4,
         CVesperDoc::kOpenFailedMessage},
        {"4 GB block size", 10, {0xFF, 0xFF, 0xFF, 0xFF}, CArchiveException::endOfFile, 0x20 + 10 + 4,
         CVesperDoc::kUnexpectedFormatMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto object = TaggedDIB();
        std::copy(c.bytes.begin(), c.bytes.end(), object.begin() + static_cast<std::ptrdiff_t>(c.at));
        CVesperDoc doc;
        MessageBoxRecorder boxes;
        EXPECT_FALSE(LoadSceneBytes(doc, SceneWithPresence(1, object)));
        EXPECT_TRUE(IsEmpty(doc));
        ASSERT_TRUE(doc.LastLoadFailure());
        EXPECT_EQ(doc.LastLoadFailure()->cause, c.cause);
        EXPECT_EQ(doc.LastLoadFailure()->streamOffset, c.streamOffset);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, c.message);
    }
}

TEST(SceneDocument, AStoredPictureBeyondThePictureLimitsFailsTheLoad)
{
    // 32768 pixels wide is the widest picture; one more is refused.
    CVesperDoc doc;
    MessageBoxRecorder boxes;
    ASSERT_TRUE(LoadSceneBytes(doc, SceneWithBackgroundOfWidth(32768)));
    ASSERT_NE(doc.background, nullptr);
    EXPECT_EQ(doc.background->Header()->biWidth, 32768);
    EXPECT_FALSE(LoadSceneBytes(doc, SceneWithBackgroundOfWidth(32769)));
    EXPECT_TRUE(IsEmpty(doc));
    ASSERT_TRUE(doc.LastLoadFailure());
    EXPECT_EQ(doc.LastLoadFailure()->kind, SceneLoadFailure::Kind::archive);
    EXPECT_NE(doc.LastLoadFailure()->description.find("32769 x 1 pixels is too large: at most 32768 pixels"),
              std::string::npos)
        << doc.LastLoadFailure()->description;
}

// Ranges [begin, end) of the class records (schema, name length, name) in a stream.
std::vector<std::pair<std::size_t, std::size_t>> ClassRecords(const std::vector<BYTE>& bytes)
{
    std::vector<std::pair<std::size_t, std::size_t>> records;
    for (const std::string name : {"CDIB", "CSprite", "CPhasedSprite", "CAnimSprite"}) {
        std::vector<BYTE> record = {0xFF, 0xFF, 0x00, 0x00, static_cast<BYTE>(name.size()), 0x00};
        AppendText(record, name);
        const auto found = std::search(bytes.begin(), bytes.end(), record.begin(), record.end());
        if (found != bytes.end()) {
            const std::size_t begin = static_cast<std::size_t>(found - bytes.begin()) + 2;
            records.emplace_back(begin, begin + 4 + name.size());
        }
    }
    return records;
}

TEST(SceneDocument, EveryCutOfASceneFailsCleanly)
{
    CVesperDoc source;
    FillMixedScene(source);
    const auto bytes = StoreScene(source);
    const auto records = ClassRecords(bytes);
    ASSERT_EQ(records.size(), 4u);

    CVesperDoc doc;
    MessageBoxRecorder boxes;
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        doc.SetBackground(MakeDIB(1, 1, 24, 0));
        boxes.boxes.clear();
        ASSERT_FALSE(LoadSceneBytes(doc, std::vector<BYTE>(bytes.begin(), bytes.begin() + cut)));
        ASSERT_TRUE(IsEmpty(doc));
        const auto& failure = *doc.LastLoadFailure();
        ASSERT_EQ(failure.kind, SceneLoadFailure::Kind::archive);
        ASSERT_LE(failure.streamOffset, cut);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        ASSERT_EQ(boxes.boxes[0].text, CVesperDoc::kUnexpectedFormatMessage);
        bool inRecord = false;
        bool inName = false;
        for (const auto& [begin, end] : records) {
            inRecord = inRecord || (cut >= begin && cut < end);
            inName = inName || (cut >= begin + 4 && cut < end);
        }
        if (inName)
            ASSERT_EQ(failure.cause, CArchiveException::badClass);
        else if (inRecord)
            ASSERT_TRUE(failure.cause == CArchiveException::badClass || failure.cause == CArchiveException::endOfFile);
        else
            ASSERT_EQ(failure.cause, CArchiveException::endOfFile);
    }
    // And the whole stream loads.
    ASSERT_TRUE(LoadSceneBytes(doc, bytes));
    EXPECT_EQ(SpriteCount(doc), 9);
}

TEST(SceneDocument, ASpriteListStoredWhereASpriteBelongsFreesItsSpritesWhenTheLoadFails)
{
    // Found by fuzzing: the scene's list holds a tagged sprite list whose own
    // sprite is complete and whose next element is cut short. The nested
    // list is deleted by the failing load, and its sprite with it (the
    // sanitizer build sees a leak otherwise).
    const std::string hex =
        "8062010000000000001c6564000000000000010000ffffff0300000008000000ffff00000b00435370726974654c6973744300"
        "0000ffff00000700435370726974650000000000000005000b00083c49560b";
    std::vector<BYTE> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<BYTE>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    ASSERT_EQ(bytes.size(), 82u);

    CVesperDoc doc;
    MessageBoxRecorder boxes;
    EXPECT_FALSE(LoadSceneBytes(doc, bytes));
    EXPECT_TRUE(IsEmpty(doc));
    ASSERT_TRUE(doc.LastLoadFailure());
    EXPECT_EQ(doc.LastLoadFailure()->cause, CArchiveException::endOfFile);
    EXPECT_EQ(doc.LastLoadFailure()->streamOffset, 82u);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, CVesperDoc::kUnexpectedFormatMessage);
}

TEST(SceneDocument, LoadingIntoAFullDocumentEmptiesItFirst)
{
    CVesperDoc small;
    small.ResetToNewScene();
    small.sprites.AddSprite(MakeAnimSprite(1, 2, 3, 3, 1));
    small.sprites.AddSprite(MakeAnimSprite(4, 5, 3, 3, 2));
    const auto bytes = StoreScene(small);

    CVesperDoc doc;
    FillMixedScene(doc);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(LoadSceneBytes(doc, bytes));
    EXPECT_EQ(SpriteCount(doc), 2);
    EXPECT_EQ(doc.background, nullptr);  // the stored scene has none
    EXPECT_EQ(SpriteAt(doc, 1)->x, 4);
}

class PackagedProgram : public ::testing::Test {
protected:
    void TearDown() override
    {
        g_patchableData.sceneOffset = vesper::platform::kNoSceneAppended;
        g_szModulePath.clear();
    }

    // A program image holding a copy of this program's block, followed by the
    // scene, with the block patched as the packaging tool does. Returns the
    // scene offset written.
    DWORD WritePackagedProgram(const std::string& path, const std::vector<BYTE>& scene)
    {
        std::vector<BYTE> image(3000, 0x90);
        for (std::size_t i = 0; i < sizeof(vesper::platform::PatchableData); ++i)
            image[1000 + i] = reinterpret_cast<const volatile BYTE*>(&g_patchableData)[i];
        auto packaged = vesper::platform::PatchPatchableValues(image, static_cast<DWORD>(image.size()), "T|C");
        EXPECT_TRUE(packaged) << packaged.error;
        packaged.value->insert(packaged.value->end(), scene.begin(), scene.end());
        WriteFile(path, *packaged.value);
        return vesper::platform::ReadPatchableValues(*packaged.value).value->sceneOffset;
    }

    ScratchDir dir;
    MessageBoxRecorder boxes;
};

TEST_F(PackagedProgram, TheEmbeddedSceneLoadsFromTheOffsetInTheBlock)
{
    CVesperDoc source;
    FillMixedScene(source);
    g_szModulePath = (dir / "saver.scr").string();
    const DWORD sceneOffset = WritePackagedProgram(g_szModulePath, StoreScene(source));
    EXPECT_EQ(sceneOffset, 3000u);
    // This program stands for the packaged one: its block now says the same.
    g_patchableData.sceneOffset = sceneOffset;

    CVesperDoc doc;
    ASSERT_TRUE(doc.LoadEmbeddedScene());
    EXPECT_EQ(SpriteCount(doc), 9);
    EXPECT_EQ(doc.sceneName, "mixed");
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PackagedProgram, APathLongerThanAnyFixedBufferStillOpens)
{
    std::filesystem::path deep = dir.path();
    for (int i = 0; i < 6; ++i)
        deep /= std::string(60, static_cast<char>('a' + i));
    std::filesystem::create_directories(deep);
    g_szModulePath = (deep / "saver.scr").string();
    ASSERT_GT(g_szModulePath.size(), 300u);
    g_patchableData.sceneOffset = WritePackagedProgram(g_szModulePath, kNewScene);
    CVesperDoc doc;
    EXPECT_TRUE(doc.LoadEmbeddedScene());
}

TEST_F(PackagedProgram, AnUnpackagedProgramHasNoSceneAndFailsAsEndOfData)
{
    g_szModulePath = (dir / "player.scr").string();
    WritePackagedProgram(g_szModulePath, kNewScene);
    g_patchableData.sceneOffset = vesper::platform::kNoSceneAppended;
    CVesperDoc doc;
    doc.SetBackground(MakeDIB(1, 1, 24, 0));
    EXPECT_FALSE(doc.LoadEmbeddedScene());
    EXPECT_TRUE(IsEmpty(doc));
    ASSERT_TRUE(doc.LastLoadFailure());
    EXPECT_EQ(doc.LastLoadFailure()->cause, CArchiveException::endOfFile);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, CVesperDoc::kUnexpectedFormatMessage);
}

TEST_F(PackagedProgram, NothingAfterTheImageOrAnOffsetBeyondTheEndFailsAtTheFirstRead)
{
    const std::string path = (dir / "saver.scr").string();
    const DWORD imageSize = WritePackagedProgram(path, {});
    for (DWORD offset : {imageSize, imageSize + 100, 0x7FFFFFFFu}) {
        SCOPED_TRACE(offset);
        CVesperDoc doc;
        boxes.boxes.clear();
        EXPECT_FALSE(doc.LoadSceneFromFile(path, offset));
        ASSERT_TRUE(doc.LastLoadFailure());
        EXPECT_EQ(doc.LastLoadFailure()->cause, CArchiveException::endOfFile);
        EXPECT_EQ(doc.LastLoadFailure()->streamOffset, 0u);
        EXPECT_EQ(doc.LastLoadFailure()->FileOffset(), offset);
        EXPECT_EQ(boxes.boxes.size(), 1u);
    }
}

TEST_F(PackagedProgram, AnOffsetThatCannotBePositionedFailsLikeAReadFailure)
{
    const std::string path = (dir / "saver.scr").string();
    WritePackagedProgram(path, kNewScene);
    CVesperDoc doc;
    doc.SetBackground(MakeDIB(1, 1, 24, 0));
    EXPECT_FALSE(doc.LoadSceneFromFile(path, 0x80000000u));
    EXPECT_TRUE(IsEmpty(doc));
    ASSERT_TRUE(doc.LastLoadFailure());
    EXPECT_EQ(doc.LastLoadFailure()->kind, SceneLoadFailure::Kind::file);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, CVesperDoc::kOpenFailedMessage);
}

TEST_F(PackagedProgram, TheBoxSpeaksTheLanguageOfTheLocaleInTheCodePageOfWindows)
{
    const std::string path = (dir / "saver.scr").string();
    WritePackagedProgram(path, kNewScene);
    ASSERT_TRUE(vesper::test::LocaleGenerated(vesper::test::kFrench)) << "scripts/setup.sh generates the locale";
    const vesper::test::ScopedLanguage french(vesper::test::kFrench);
    CVesperDoc doc;
    EXPECT_FALSE(doc.LoadSceneFromFile(path, 0x80000000u));
    EXPECT_FALSE(LoadSceneBytes(doc, {0x80, 0x02}));
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, "L'ouverture du document a \xe9" "chou\xe9.");
    EXPECT_EQ(boxes.boxes[1].text, "Format de fichier inattendu.");
    EXPECT_EQ(boxes.boxes[1].caption, "Erreur") << "a box without a caption is an error's, in the same language";
    EXPECT_EQ(doc.LastLoadFailure()->message, CVesperDoc::kUnexpectedFormatMessage)
        << "the failure itself keeps the English text for reports";
}

TEST_F(PackagedProgram, AFailureInTheMiddleReportsItsOffsetInTheFile)
{
    const std::string path = (dir / "saver.scr").string();
    auto scene = kNewScene;
    scene.resize(scene.size() - 2);  // the sprite count cut short
    const DWORD sceneOffset = WritePackagedProgram(path, scene);
    CVesperDoc doc;
    EXPECT_FALSE(doc.LoadSceneFromFile(path, sceneOffset));
    ASSERT_TRUE(doc.LastLoadFailure());
    EXPECT_EQ(doc.LastLoadFailure()->streamOffset, 32u);
    EXPECT_EQ(doc.LastLoadFailure()->FileOffset(), sceneOffset + 32u);
}

TEST_F(PackagedProgram, AProgramFileThatCannotBeOpenedLeavesTheDocumentAloneSilently)
{
    g_szModulePath = (dir / "missing.scr").string();
    g_patchableData.sceneOffset = 10;
    CVesperDoc doc;
    doc.SetBackground(MakeDIB(1, 1, 24, 0));
    doc.sprites.AddSprite(MakeAnimSprite(0, 0, 1, 1, 0));
    EXPECT_FALSE(doc.LoadEmbeddedScene());
    EXPECT_NE(doc.background, nullptr);
    EXPECT_EQ(SpriteCount(doc), 1);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_FALSE(doc.LastLoadFailure());
}

TEST_F(PackagedProgram, AFailingMessageBoxStillEndsTheLoadWithFailure)
{
    vesper::platform::SetMessageBoxHandler([](const vesper::platform::MessageBoxRequest&) -> int {
        throw std::runtime_error("no display");
    });
    CVesperDoc doc;
    EXPECT_FALSE(LoadSceneBytes(doc, {0x80, 0x02}));
    EXPECT_TRUE(doc.LastLoadFailure());
}

}  // namespace
