// The document loads a scene from every kind of file that can hold one, and
// reports a file without a scene as a failed load (with its message box,
// recorded here).
#include <gtest/gtest.h>

#include "scene/vesper_doc.h"
#include "tests/scene/message_box_recorder.h"
#include "tests/scene/scene_test_support.h"
#include "tests/support/pe_builder.h"
#include "tests/support/test_data.h"

namespace {

using namespace vesper::test;

TEST(SceneSource, TheDocumentLoadsTheSameSceneFromEveryKindOfFile)
{
    ScratchDir dir;
    CVesperDoc original;
    original.ResetToNewScene();
    original.sceneName = "Aube";
    original.SetBackground(MakeDIB(8, 4, 4, 16));
    const auto scene = StoreScene(original);
    original.DeleteContents();

    auto foreign = BuildPe({false, u"T|C", {}});
    foreign.insert(foreign.end(), scene.begin(), scene.end());
    WriteFile((dir / "bare.scene").string(), scene);
    WriteFile((dir / "old.scr").string(), foreign);
    for (const char* name : {"bare.scene", "old.scr"}) {
        SCOPED_TRACE(name);
        CVesperDoc doc;
        ASSERT_TRUE(doc.LoadSceneOfAnyFile((dir / name).string()));
        EXPECT_EQ(doc.sceneName, "Aube");
        EXPECT_EQ(StoreScene(doc), scene);
        doc.DeleteContents();
    }

    // A file without a scene fails as a load does: emptied, recorded, one box.
    WriteFile((dir / "program").string(), {0x7F, 'E', 'L', 'F', 2, 1, 1, 0});
    for (const char* name : {"program", "absent"}) {
        SCOPED_TRACE(name);
        MessageBoxRecorder boxes;
        CVesperDoc doc;
        EXPECT_FALSE(doc.LoadSceneOfAnyFile((dir / name).string()));
        ASSERT_TRUE(doc.LastLoadFailure());
        EXPECT_NE(doc.LastLoadFailure()->description.find((dir / name).string()), std::string::npos);
        EXPECT_EQ(boxes.boxes.size(), 1u);
    }
}
}  // namespace
