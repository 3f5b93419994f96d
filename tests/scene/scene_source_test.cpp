// The PE reader and the classification of files that hold a scene, on
// program files written byte by byte here.
#include <gtest/gtest.h>

#include "platform/kernel/patchable_data.h"
#include "scene/pe_image.h"
#include "scene/scene_source.h"
#include "scene/vesper_doc.h"
#include "tests/scene/scene_test_support.h"
#include "tests/support/pe_builder.h"
#include "tests/support/test_data.h"

namespace {

using namespace vesper::test;
using vesper::scene::ClassifySceneFile;
using vesper::scene::ReadPeImage;
using vesper::scene::SceneFileKind;

const std::vector<BYTE> kScene = {0x80, 0x02, 0xE0, 0x01, 0x00, 0x00};

std::vector<BYTE> WithScene(std::vector<BYTE> program)
{
    program.insert(program.end(), kScene.begin(), kScene.end());
    return program;
}

// This program's patchable block, as a player's image holds it.
std::vector<BYTE> PatchableBlockBytes()
{
    const auto marker = vesper::platform::PatchableMarker();
    std::vector<BYTE> block(sizeof(vesper::platform::PatchableData), 0);
    std::copy(marker.begin(), marker.end(), block.begin());
    block[offsetof(vesper::platform::PatchableData, formatVersion)] = vesper::platform::kPatchableFormatVersion;
    return block;
}

TEST(PeImage, TheImageEndsWithTheLastSectionsRawDataAndStringOneIsRead)
{
    struct Case {
        const char* what;
        PeSpec spec;
        std::size_t imageEnd;
        std::optional<std::string> string1;
    };
    const Case cases[] = {
        {"code only", PeSpec{false, std::nullopt, {}}, 0x400, std::nullopt},
        {"64-bit, code only", PeSpec{true, std::nullopt, {}}, 0x400, std::nullopt},
        {"string table", PeSpec{false, u"Aube|par quelqu'un", {}}, 0x600, "Aube|par quelqu'un"},
        {"64-bit, string table", PeSpec{true, u"Nuit|x", {}}, 0x600, "Nuit|x"},
        {"non-Latin title and a pair", PeSpec{false, u"\u00C9t\u00E9 \u263A|\U0001F319", {}}, 0x600,
         "\u00C9t\u00E9 \u263A|\U0001F319"},
        {"empty string 1", PeSpec{false, u"", {}}, 0x600, std::nullopt},
        {"larger code section", PeSpec{false, std::nullopt, std::vector<BYTE>(0x450, 0x90)}, 0x800, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto file = WithScene(BuildPe(c.spec));
        const auto image = ReadPeImage(file);
        ASSERT_TRUE(image) << image.error;
        EXPECT_EQ(image.value->imageEnd, c.imageEnd);
        EXPECT_EQ(image.value->stringResource1, c.string1);
    }
}

TEST(PeImage, DamagedProgramsAreRefusedWithTheReason)
{
    const PeSpec withStrings{false, u"T|C", {}};
    const auto good = BuildPe(withStrings);
    struct Case {
        const char* what;
        std::vector<BYTE> file;
        const char* reason;
    };
    auto sectionPastTheEnd = good;
    Put32(sectionPastTheEnd, PeSectionHeaderAt(withStrings, 1) + kPeSectionRawPointerField, 0x7FFFF000);
    auto peHeaderPastTheEnd = good;
    Put32(peHeaderPastTheEnd, 0x3C, 0xFFFFFFF0);
    auto notPe = good;
    notPe[kPeHeaderAt] = 'N';
    auto hugeSectionCount = good;
    hugeSectionCount[kPeHeaderAt + 6] = 0xFF;
    hugeSectionCount[kPeHeaderAt + 7] = 0xFF;
    auto stringsPastTheSection = good;
    Put32(stringsPastTheSection, 0x400 + 72 + 4, 0x10000);  // the size in the string data entry
    auto directoryPastTheSection = good;
    Put32(directoryPastTheSection, 0x400 + 20, 0x80000000 | 0x7FFFFFF0);  // where the string type leads
    const Case cases[] = {
        {"truncated in the PE headers", std::vector<BYTE>(good.begin(), good.begin() + 0x60), "cut short"},
        {"truncated in the section table", std::vector<BYTE>(good.begin(), good.begin() + 0x170), "cut short"},
        {"truncated in the DOS header", {'M', 'Z', 0, 0}, "DOS header"},
        {"section table pointing past the file", sectionPastTheEnd, "past the end of the file"},
        {"last section cut short", std::vector<BYTE>(good.begin(), good.end() - 1), "past the end of the file"},
        {"PE header offset past the file", peHeaderPastTheEnd, "past the end"},
        {"no PE signature", notPe, "no PE signature"},
        {"65535 sections", hugeSectionCount, "section table"},
        {"string block larger than its section", stringsPastTheSection, "string resource 1"},
        {"resource directory past its section", directoryPastTheSection, "resource directory"},
        {"not a program", {'B', 'M', 0, 0}, "MZ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto image = ReadPeImage(c.file);
        ASSERT_FALSE(image);
        EXPECT_NE(image.error.find(c.reason), std::string::npos) << image.error;
    }
}

TEST(SceneSource, EachKindOfFileGivesWhereItsSceneStarts)
{
    const auto vesperBlock = PatchableBlockBytes();
    auto linuxSaver = std::vector<BYTE>{0x7F, 'E', 'L', 'F'};
    linuxSaver.resize(300, 0);
    linuxSaver.insert(linuxSaver.end(), vesperBlock.begin(), vesperBlock.end());
    const auto linuxPacked = vesper::platform::PatchPatchableValues(linuxSaver, 600, "L|c");
    ASSERT_TRUE(linuxPacked);
    auto windowsVesper = vesper::platform::PatchPatchableValues(BuildPe({false, u"Nuit|toi", vesperBlock}), 0x600,
                                                                "W|c");
    ASSERT_TRUE(windowsVesper);

    struct Case {
        const char* what;
        std::vector<BYTE> file;
        SceneFileKind kind;
        std::optional<DWORD> sceneOffset;
        // String 1 of the string table: what Windows shows of a Windows saver.
        std::optional<std::string> peText;
    };
    const Case cases[] = {
        {"bare scene", kScene, SceneFileKind::bareScene, 0, std::nullopt},
        {"Vesper saver for Linux", *linuxPacked.value, SceneFileKind::vesperLinuxSaver, 600, std::nullopt},
        {"Vesper player without a scene", linuxSaver, SceneFileKind::vesperLinuxSaver, std::nullopt, std::nullopt},
        {"Vesper saver for Windows", WithScene(*windowsVesper.value), SceneFileKind::vesperWindowsSaver, 0x600,
         "Nuit|toi"},
        {"Windows saver with strings", WithScene(BuildPe({false, u"Aube|moi", {}})),
         SceneFileKind::foreignWindowsSaver, 0x600, "Aube|moi"},
        {"Windows saver without strings", WithScene(BuildPe({true, std::nullopt, {}})),
         SceneFileKind::foreignWindowsSaver, 0x400, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto source = ClassifySceneFile(c.file);
        ASSERT_TRUE(source) << source.error;
        EXPECT_EQ(source.value->kind, c.kind);
        EXPECT_EQ(source.value->sceneOffset, c.sceneOffset);
        EXPECT_EQ(source.value->peStringResource1, c.peText);
        EXPECT_EQ(source.value->block.has_value(), c.kind == SceneFileKind::vesperLinuxSaver ||
                                                       c.kind == SceneFileKind::vesperWindowsSaver);
    }
    EXPECT_EQ(ClassifySceneFile(*linuxPacked.value).value->block->stringResource1, "L|c");
}

TEST(SceneSource, FilesWithoutASceneAreRefusedWithTheReason)
{
    auto twoBlocks = PatchableBlockBytes();
    const auto block = PatchableBlockBytes();
    twoBlocks.insert(twoBlocks.end(), block.begin(), block.end());
    struct Case {
        const char* what;
        std::vector<BYTE> file;
        const char* reason;
    };
    const Case cases[] = {
        {"ELF program", {0x7F, 'E', 'L', 'F', 2, 1, 1, 0, 0, 0}, "not a Vesper saver"},
        {"script", {'#', '!', '/', 'b', 'i', 'n'}, "not a Vesper saver"},
        {"Windows program with nothing appended", BuildPe({false, u"T|C", {}}), "nothing after its image"},
        {"damaged Windows program", {'M', 'Z', 1, 2, 3}, "not a Windows program"},
        {"two patchable blocks", twoBlocks, "more than once"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto source = ClassifySceneFile(c.file);
        ASSERT_FALSE(source);
        EXPECT_NE(source.error.find(c.reason), std::string::npos) << source.error;
    }
}

TEST(SceneSource, AChosenSceneFileReplacesTheProgramsOwnScene)
{
    ScratchDir dir;
    CVesperDoc original;
    original.ResetToNewScene();
    original.sceneName = "choisie";
    WriteFile((dir / "chosen.scene").string(), StoreScene(original));
    ChooseSceneFile((dir / "chosen.scene").string());
    CVesperDoc doc;
    const BOOL loaded = doc.LoadEmbeddedScene();
    ChooseSceneFile(std::nullopt);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(doc.sceneName, "choisie");
}

}  // namespace
