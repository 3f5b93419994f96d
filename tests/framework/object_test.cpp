// Run-time class records, the class registry and the document base.
#include <gtest/gtest.h>

#include <memory>

#include "framework/document.h"
#include "framework/exceptions.h"
#include "framework/object.h"

namespace registry_sample {

class CShape : public CObject {
    DECLARE_SERIAL(CShape)
public:
    int sides = 0;
};
IMPLEMENT_SERIAL(CShape, CObject, 3)

class CSquare : public CShape {
    DECLARE_SERIAL(CSquare)
public:
    CSquare() { sides = 4; }
};
IMPLEMENT_SERIAL(CSquare, CShape, 0)

// Known by its run-time class only: not creatable, not registered.
class CAbstractTool : public CObject {
    DECLARE_DYNAMIC(CAbstractTool)
public:
    virtual void Use() = 0;
};
IMPLEMENT_DYNAMIC(CAbstractTool, CObject)

class CCountingDoc : public CDocument {
    DECLARE_DYNCREATE(CCountingDoc)
public:
    void DeleteContents() override { ++emptied; }
    int emptied = 0;
};
IMPLEMENT_DYNCREATE(CCountingDoc, CDocument)

}  // namespace registry_sample

namespace {

using registry_sample::CAbstractTool;
using registry_sample::CCountingDoc;
using registry_sample::CShape;
using registry_sample::CSquare;

TEST(ClassRegistry, FindsCreatableClassesByExactName)
{
    EXPECT_EQ(CRuntimeClass::FromName("CSquare"), RUNTIME_CLASS(CSquare));
    EXPECT_EQ(CRuntimeClass::FromName("CCountingDoc"), RUNTIME_CLASS(CCountingDoc));
    for (const char* miss : {"csquare", "CSQUARE", "CSquare ", "CSquar", "CSquares", ""})
        EXPECT_EQ(CRuntimeClass::FromName(miss), nullptr) << '"' << miss << '"';
    // Classes that cannot be created are not in the table.
    EXPECT_EQ(CRuntimeClass::FromName("CAbstractTool"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("CObject"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("CArchiveException"), nullptr);
}

TEST(ClassRegistry, LookupTakesANameThatIsNotNulTerminated)
{
    const char buffer[] = "CSquareXYZ";
    EXPECT_EQ(CRuntimeClass::FromName(std::string_view(buffer, 7)), RUNTIME_CLASS(CSquare));
}

TEST(RuntimeClass, CreatesDefaultObjectsOfTheRightClassOnlyWhenCreatable)
{
    std::unique_ptr<CObject> square(RUNTIME_CLASS(CSquare)->CreateObject());
    ASSERT_NE(square, nullptr);
    EXPECT_EQ(square->GetRuntimeClass(), RUNTIME_CLASS(CSquare));
    EXPECT_EQ(static_cast<CSquare&>(*square).sides, 4);
    std::unique_ptr<CObject> document(CRuntimeClass::FromName("CCountingDoc")->CreateObject());
    ASSERT_NE(document, nullptr);
    EXPECT_TRUE(document->IsKindOf(RUNTIME_CLASS(CDocument)));
    EXPECT_EQ(RUNTIME_CLASS(CAbstractTool)->CreateObject(), nullptr);
    EXPECT_EQ(RUNTIME_CLASS(CObject)->CreateObject(), nullptr);
}

TEST(RuntimeClass, KindOfFollowsTheBaseChainUpwardsOnly)
{
    const CSquare square;
    const CShape shape;
    EXPECT_TRUE(square.IsKindOf(RUNTIME_CLASS(CSquare)));
    EXPECT_TRUE(square.IsKindOf(RUNTIME_CLASS(CShape)));
    EXPECT_TRUE(square.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(shape.IsKindOf(RUNTIME_CLASS(CSquare)));
    EXPECT_FALSE(square.IsKindOf(RUNTIME_CLASS(CDocument)));
    EXPECT_FALSE(square.IsKindOf(nullptr));
    // Serializable means a stored schema: IMPLEMENT_SERIAL classes only.
    EXPECT_TRUE(square.IsSerializable());
    EXPECT_TRUE(shape.IsSerializable());
    EXPECT_FALSE(RUNTIME_CLASS(CCountingDoc)->IsSerializable());
    EXPECT_FALSE(RUNTIME_CLASS(CAbstractTool)->IsSerializable());
    EXPECT_FALSE(RUNTIME_CLASS(CObject)->IsSerializable());

    const CArchiveException failure(CArchiveException::badClass);
    EXPECT_TRUE(failure.IsKindOf(RUNTIME_CLASS(CException)));
    EXPECT_FALSE(failure.IsKindOf(RUNTIME_CLASS(CFileException)));
    EXPECT_FALSE(failure.IsSerializable());
}

TEST(Document, NewSceneEmptiesTheDocumentThroughTheOverride)
{
    CCountingDoc document;
    CDocument& base = document;
    EXPECT_TRUE(base.ResetToNewScene());
    EXPECT_EQ(document.emptied, 1);
}

TEST(Exceptions, DescriptionsNameTheCauseAndWhereItHappened)
{
    const std::string archiveText = CArchiveException(CArchiveException::endOfFile, "scene.scr", 7).Describe();
    EXPECT_NE(archiveText.find("unexpected end of data"), std::string::npos) << archiveText;
    EXPECT_NE(archiveText.find("offset 7"), std::string::npos) << archiveText;
    EXPECT_NE(archiveText.find("scene.scr"), std::string::npos) << archiveText;
    EXPECT_NE(CArchiveException(CArchiveException::badClass, "", 12, "unknown class \"CFoo\"").Describe().find("CFoo"),
              std::string::npos);
    const std::string fileText = CFileException(CFileException::fileNotFound, 2, "/no/such.scr").Describe();
    EXPECT_NE(fileText.find("file not found"), std::string::npos) << fileText;
    EXPECT_NE(fileText.find("/no/such.scr"), std::string::npos) << fileText;
    EXPECT_NE(CMemoryException().Describe().find("memory"), std::string::npos);
    EXPECT_NE(CNotSupportedException("storing CFoo").Describe().find("storing CFoo"), std::string::npos);
}

}  // namespace
