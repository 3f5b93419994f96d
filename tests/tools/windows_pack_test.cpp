// Packing a scene into a Windows player: the patchable block points at the
// scene, string 1 of the string table takes title and credit in place, and
// the image checksum covers the packed file.
#include <gtest/gtest.h>

#include "platform/kernel/patchable_data.h"
#include "scene/pe_image.h"
#include "tests/support/pe_builder.h"
#include "tests/tools/tool_test_support.h"
#include "tools/vesper_scene/packaging.h"
#include "tools/vesper_scene/pe_patch.h"

namespace {

using namespace vesper::tools;
using vesper::scene::ReadPeImage;

constexpr std::size_t kRoom = 199;

// A Windows player as the build makes it: the patchable block in its data,
// string 1 reserved as `room` NUL characters.
std::vector<BYTE> WindowsPlayer(std::size_t room = kRoom)
{
    vesper::test::PeSpec spec;
    spec.pe32Plus = true;
    spec.string1 = std::u16string(room, u'\0');
    spec.code = test::FakePlayer(sizeof(vesper::platform::PatchableData) + 64, 32);
    return vesper::test::BuildPe(spec);
}

const std::vector<BYTE> kScene{1, 2, 3, 4, 5, 6, 7};

TEST(WindowsPack, TitleGoesIntoStringOneTheSceneAfterTheImageAndTheChecksumIsMadeAgain)
{
    const auto player = WindowsPlayer();
    ASSERT_FALSE(ReadPeImage(player).value->stringResource1) << "an unpacked player shows no title";
    // "Aube été|moi" in Windows-1252, and the longest text that fits.
    for (const std::string& text : {std::string("Aube \xE9t\xE9|moi"), std::string(kRoom - 2, 't') + "|c"}) {
        const auto packed = PackageScene(player, kScene, text);
        ASSERT_TRUE(packed) << packed.error;
        ASSERT_EQ(packed.value->size(), player.size() + kScene.size());
        EXPECT_TRUE(std::equal(kScene.begin(), kScene.end(), packed.value->end() - kScene.size()));

        const auto values = vesper::platform::ReadPatchableValues(*packed.value);
        ASSERT_TRUE(values);
        EXPECT_EQ(values.value->sceneOffset, player.size());
        EXPECT_EQ(values.value->stringResource1, "") << "a Windows player reads string 1 from its string table";

        const auto image = ReadPeImage(*packed.value);
        ASSERT_TRUE(image) << image.error;
        const std::string expected = text[0] == 'A' ? "Aube \u00E9t\u00E9|moi" : text;
        EXPECT_EQ(image.value->stringResource1, expected);
        EXPECT_EQ(image.value->imageEnd, player.size());
        const DWORD stored = *reinterpret_cast<const DWORD*>(packed.value->data() + *image.value->checkSumOffset);
        EXPECT_EQ(stored, PeCheckSum(*packed.value, *image.value->checkSumOffset));
        EXPECT_NE(stored, 0u);
    }
}

TEST(WindowsPack, PackingAPackedSaverReplacesSceneAndTitle)
{
    const auto first = PackageScene(WindowsPlayer(), kScene, "Old|one");
    ASSERT_TRUE(first);
    const std::vector<BYTE> scene2{9, 9};
    const auto second = PackageScene(*first.value, scene2, "New|two");
    ASSERT_TRUE(second) << second.error;
    EXPECT_EQ(second.value->size(), first.value->size() - kScene.size() + scene2.size());
    EXPECT_EQ(ReadPeImage(*second.value).value->stringResource1, "New|two");
}

TEST(WindowsPack, PlayersWithoutTheirPlacesAreRefused)
{
    vesper::test::PeSpec noStrings;
    noStrings.code = test::FakePlayer(sizeof(vesper::platform::PatchableData) + 64, 32);
    vesper::test::PeSpec noBlock;
    noBlock.string1 = std::u16string(kRoom, u'\0');
    struct Case {
        const char* what;
        std::vector<BYTE> player;
        std::string text;
        const char* reason;
    };
    const Case cases[] = {
        {"no patchable block", vesper::test::BuildPe(noBlock), "T|c", "no patchable block"},
        {"no string table", vesper::test::BuildPe(noStrings), "T|c", "without string 1"},
        {"too little room", WindowsPlayer(4), "Title|c", "does not fit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto packed = PackageScene(c.player, kScene, c.text);
        ASSERT_FALSE(packed);
        EXPECT_NE(packed.error.find(c.reason), std::string::npos) << packed.error;
    }
}

TEST(WindowsPack, ChecksumSumsWordsWithCarryLeavesItsOwnFieldOutAndAddsTheLength)
{
    struct Case {
        std::vector<BYTE> file;
        std::uint64_t field;
        DWORD sum;
    };
    const Case cases[] = {
        // 0x0201 + 0x0403 + 0xFFFF folds to 0x0604; plus 10 bytes.
        {{0x01, 0x02, 0x03, 0x04, 0xAA, 0xBB, 0xCC, 0xDD, 0xFF, 0xFF}, 4, 0x060E},
        // 0xFFFF + 0xFFFF folds to 0xFFFF, + 0x0005 (an odd last byte is a
        // word of its own) folds to 0x0005; plus 9 bytes. The field's old
        // value is left out.
        {{0xFF, 0xFF, 0xFF, 0xFF, 0x12, 0x34, 0x56, 0x78, 0x05}, 4, 0x000E},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PeCheckSum(c.file, c.field), c.sum);
}

}  // namespace
