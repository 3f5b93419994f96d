// Object references in the archive: class records, tags, the object map and
// the failures of malformed streams.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "tests/framework/archive_test_support.h"

namespace sample {

// Counts the sample objects alive, so that tests see what a failed load frees.
struct LiveCounter {
    LiveCounter() { ++live; }
    LiveCounter(const LiveCounter&) { ++live; }
    ~LiveCounter() { --live; }
    static inline int live = 0;
};

// A picture-like object: a length and that many raw bytes.
class CDIB : public CObject {
    DECLARE_SERIAL(CDIB)
public:
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring()) {
            ar << static_cast<DWORD>(bits.size());
            ar.WriteBytes(bits.data(), static_cast<UINT>(bits.size()));
        } else {
            DWORD size = 0;
            ar >> size;
            bits.resize(size);
            ar.ReadBytes(bits.data(), size);
        }
    }
    archive_test::Bytes bits;
    LiveCounter counter;
};
IMPLEMENT_SERIAL(CDIB, CObject, 0)

// A sprite-like object with a picture stored in place, untagged.
class CSprite : public CObject {
    DECLARE_SERIAL(CSprite)
public:
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
            ar << x << y;
        else
            ar >> x >> y;
        picture.Serialize(ar);
    }
    LONG x = 0;
    LONG y = 0;
    CDIB picture;
};
IMPLEMENT_SERIAL(CSprite, CObject, 0)

class CAnimSprite : public CSprite {
    DECLARE_SERIAL(CAnimSprite)
public:
    void Serialize(CArchive& ar) override
    {
        CSprite::Serialize(ar);
        if (ar.IsStoring())
            ar << speed;
        else
            ar >> speed;
    }
    WORD speed = 0;
};
IMPLEMENT_SERIAL(CAnimSprite, CSprite, 0)

// An object with a nested reference, which need not be owned (it may point back).
class CLink : public CObject {
    DECLARE_SERIAL(CLink)
public:
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
            ar.StoreObject(next);
        else
            next = ar.LoadObject();
    }
    CObject* next = nullptr;
    LiveCounter counter;
};
IMPLEMENT_SERIAL(CLink, CObject, 0)

// Owns the objects it reads, as a list of sprites does: its destructor
// leaves them to its owner, FreeOwnedObjects frees them.
class CBag : public CObject {
    DECLARE_SERIAL(CBag)
public:
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring()) {
            ar << static_cast<WORD>(items.size());
            for (CObject* item : items)
                ar.StoreObject(item);
            return;
        }
        WORD count = 0;
        ar >> count;
        for (WORD i = 0; i < count; ++i)
            items.push_back(ar.LoadObject());
    }
    void FreeOwnedObjects() override
    {
        for (CObject* item : items)
            delete item;
        items.clear();
    }
    std::vector<CObject*> items;
    LiveCounter counter;
};
IMPLEMENT_SERIAL(CBag, CObject, 0)

// An object with no fields of its own.
class CLeaf : public CObject {
    DECLARE_SERIAL(CLeaf)
};
IMPLEMENT_SERIAL(CLeaf, CObject, 0)

// Registered for creation by name, but not serializable.
class CTestDoc : public CObject {
    DECLARE_DYNCREATE(CTestDoc)
    LiveCounter counter;
};
IMPLEMENT_DYNCREATE(CTestDoc, CObject)

// Its creation always runs out of memory.
class CUnbuildable : public CObject {
    DECLARE_SERIAL(CUnbuildable)
public:
    CUnbuildable() { throw std::bad_alloc(); }
};
IMPLEMENT_SERIAL(CUnbuildable, CObject, 0)

}  // namespace sample

namespace {

using namespace archive_test;
using sample::CAnimSprite;
using sample::CDIB;
using sample::CLeaf;
using sample::CLink;
using sample::CSprite;
using sample::CTestDoc;

Bytes Word(WORD value)
{
    return {static_cast<BYTE>(value & 0xFF), static_cast<BYTE>(value >> 8)};
}

Bytes ClassRecord(WORD schema, const std::string& name)
{
    return Concat({Word(0xFFFF), Word(schema), Word(static_cast<WORD>(name.size())), Text(name)});
}

class ArchiveObjects : public testing::Test {
protected:
    // Runs after the fixtures' own members are gone.
    ~ArchiveObjects() override
    {
        EXPECT_EQ(sample::LiveCounter::live, liveBefore) << "sample objects leaked or freed twice";
    }

    // Loads one object reference; the test owns the result.
    static std::unique_ptr<CObject> LoadOne(const Bytes& bytes, const CRuntimeClass* required = nullptr)
    {
        std::unique_ptr<CObject> object;
        Load(bytes, [&](CArchive& ar) { object.reset(ar.LoadObject(required)); });
        return object;
    }

    static CArchiveException LoadOneFailure(const Bytes& bytes, const CRuntimeClass* required = nullptr)
    {
        return LoadFailure(bytes, [&](CArchive& ar) { delete ar.LoadObject(required); });
    }

    const int liveBefore = sample::LiveCounter::live;
};

// ---- The picture and seventeen sprites ------------------------------------------

class ArchiveSampleScene : public ArchiveObjects {
protected:
    static constexpr int kSprites = 17;
    static constexpr std::size_t kPictureStart = 10;
    static constexpr std::size_t kFirstSpriteStart = kPictureStart + 4 + 3 + 4;  // picture fields, count
    static constexpr std::size_t kSpriteFields = 4 + 4 + 4 + 2 + 2;              // x, y, picture, speed

    void SetUp() override
    {
        background.bits = {1, 2, 3};
        for (int i = 0; i < kSprites; ++i) {
            auto sprite = std::make_unique<CAnimSprite>();
            sprite->x = i * 10;
            sprite->y = -i;
            sprite->speed = static_cast<WORD>(i + 1);
            sprite->picture.bits = {static_cast<BYTE>(i), 0xEE};
            sprites.push_back(std::move(sprite));
        }
        // The objects, then back references to the picture, the first and the last sprite, and null.
        stream = Store([&](CArchive& ar) {
            ar.StoreObject(&background);
            ar << DWORD(kSprites);
            for (const auto& sprite : sprites)
                ar.StoreObject(sprite.get());
            ar.StoreObject(&background);
            ar.StoreObject(sprites.front().get());
            ar.StoreObject(sprites.back().get());
            ar.StoreObject(nullptr);
        });
        objectsEnd = stream.size() - 8;
    }

    // Loads the stream up to the back references, then runs more on the same archive.
    void LoadScene(const Bytes& bytes, const std::function<void(CArchive&)>& more = {})
    {
        Load(bytes, [&](CArchive& ar) {
            loadedBackground.reset(ar.LoadObject(RUNTIME_CLASS(CDIB)));
            DWORD count = 0;
            ar >> count;
            for (DWORD i = 0; i < count; ++i)
                loadedSprites.emplace_back(static_cast<CSprite*>(ar.LoadObject(RUNTIME_CLASS(CSprite))));
            if (more)
                more(ar);
        });
    }

    Bytes ObjectsThen(const Bytes& tail) const
    {
        return Concat({Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(objectsEnd)), tail});
    }

    CDIB background;
    std::vector<std::unique_ptr<CAnimSprite>> sprites;
    Bytes stream;
    std::size_t objectsEnd = 0;
    std::unique_ptr<CObject> loadedBackground;
    std::vector<std::unique_ptr<CSprite>> loadedSprites;
};

TEST_F(ArchiveSampleScene, StoreWritesOneClassRecordPerClassThenClassIndexTags)
{
    EXPECT_EQ(Bytes(stream.begin(), stream.begin() + 10),
              (Bytes{0xFF, 0xFF, 0x00, 0x00, 0x04, 0x00, 'C', 'D', 'I', 'B'}));
    EXPECT_EQ(Bytes(stream.begin() + kFirstSpriteStart, stream.begin() + kFirstSpriteStart + 17),
              Concat({{0xFF, 0xFF, 0x00, 0x00, 0x0B, 0x00}, Text("CAnimSprite")}));
    std::size_t offset = kFirstSpriteStart + 17 + kSpriteFields;
    for (int i = 1; i < kSprites; ++i) {
        EXPECT_EQ(stream[offset], 0x03) << "sprite " << i + 1;
        EXPECT_EQ(stream[offset + 1], 0x80) << "sprite " << i + 1;
        offset += 2 + kSpriteFields;
    }
    EXPECT_EQ(offset, objectsEnd);
    // Picture at index 2, first sprite at 4, the seventeenth at 20.
    EXPECT_EQ(Bytes(stream.begin() + static_cast<std::ptrdiff_t>(objectsEnd), stream.end()),
              (Bytes{0x02, 0x00, 0x04, 0x00, 0x14, 0x00, 0x00, 0x00}));
}

TEST_F(ArchiveSampleScene, LoadGivesBackTheObjectsAndResolvesBackReferences)
{
    std::vector<CObject*> references;
    LoadScene(stream, [&](CArchive& ar) {
        for (int i = 0; i < 4; ++i)
            references.push_back(ar.LoadObject());
        EXPECT_EQ(ar.GetStreamPosition(), stream.size());
    });
    ASSERT_NE(loadedBackground, nullptr);
    EXPECT_EQ(static_cast<CDIB*>(loadedBackground.get())->bits, background.bits);
    ASSERT_EQ(loadedSprites.size(), 17u);
    for (int i = 0; i < kSprites; ++i) {
        ASSERT_TRUE(loadedSprites[i]->IsKindOf(RUNTIME_CLASS(CAnimSprite)));
        const auto& loaded = static_cast<const CAnimSprite&>(*loadedSprites[i]);
        EXPECT_EQ(loaded.x, sprites[i]->x);
        EXPECT_EQ(loaded.y, sprites[i]->y);
        EXPECT_EQ(loaded.speed, sprites[i]->speed);
        EXPECT_EQ(loaded.picture.bits, sprites[i]->picture.bits);
    }
    EXPECT_EQ(references, (std::vector<CObject*>{loadedBackground.get(), loadedSprites.front().get(),
                                                 loadedSprites.back().get(), nullptr}));
}

TEST_F(ArchiveSampleScene, NewObjectOfAKnownClassTakesTheNextIndex)
{
    // 0x8003 makes an eighteenth sprite at index 21, which 0x0015 then refers to.
    const Bytes extraSprite = Concat({Word(0x8003), Bytes(14, 0)});  // x, y, empty picture, speed
    std::unique_ptr<CObject> extra;
    CObject* reference = nullptr;
    LoadScene(ObjectsThen(Concat({extraSprite, Word(0x0015)})), [&](CArchive& ar) {
        extra.reset(ar.LoadObject(RUNTIME_CLASS(CSprite)));
        reference = ar.LoadObject();
    });
    ASSERT_NE(extra, nullptr);
    EXPECT_TRUE(extra->IsKindOf(RUNTIME_CLASS(CAnimSprite)));
    EXPECT_EQ(reference, extra.get());
}

TEST_F(ArchiveSampleScene, TagsNamingUnassignedIndexesOrEntriesOfTheWrongKindFailAsBadIndex)
{
    struct Case {
        WORD tag;
        const char* what;
    };
    const Case cases[] = {
        {0x0015, "object index not assigned yet"},
        {0x7FFF, "highest object index"},
        {0x0001, "object tag naming the CDIB class"},
        {0x0003, "object tag naming the CAnimSprite class"},
        {0x8015, "class index not assigned yet"},
        {0x8000, "class index 0, the null entry"},
        {0x8002, "class tag naming the picture object"},
        {0x8004, "class tag naming a sprite object"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        loadedBackground.reset();
        loadedSprites.clear();
        try {
            LoadScene(ObjectsThen(Word(c.tag)), [](CArchive& ar) { delete ar.LoadObject(); });
            ADD_FAILURE() << "the tag was accepted";
        } catch (const CArchiveException& failure) {
            EXPECT_EQ(failure.m_cause, CArchiveException::badIndex);
            EXPECT_EQ(failure.m_streamOffset, objectsEnd);
        }
    }
}

TEST_F(ArchiveSampleScene, ObjectOfTheWrongKindFailsAsBadClassAndIsFreed)
{
    // A new picture object, then a back reference to the picture, where sprites are required.
    for (const Bytes& tail : {Concat({Word(0x8001), Word(1), Word(0), {9, 9}}), Word(0x0002)}) {
        loadedBackground.reset();
        loadedSprites.clear();
        try {
            LoadScene(ObjectsThen(tail), [](CArchive& ar) { delete ar.LoadObject(RUNTIME_CLASS(CSprite)); });
            ADD_FAILURE() << "a picture was accepted as a sprite";
        } catch (const CArchiveException& failure) {
            EXPECT_EQ(failure.m_cause, CArchiveException::badClass);
            EXPECT_EQ(failure.m_streamOffset, objectsEnd);
        }
    }
}

// ---- Class records ----------------------------------------------------------

TEST_F(ArchiveObjects, NullTagGivesNullWithOrWithoutARequiredClass)
{
    EXPECT_EQ(LoadOne(Word(0)), nullptr);
    EXPECT_EQ(LoadOne(Word(0), RUNTIME_CLASS(CSprite)), nullptr);
}

TEST_F(ArchiveObjects, MalformedOrUnusableClassRecordsFailWithTheirCause)
{
    struct Case {
        std::string what;
        Bytes stream;
        int cause;
    };
    std::vector<Case> cases;
    // Names are matched exactly.
    for (const char* name : {"CAnimsprite", "canimsprite", "CANIMSPRITE", "CAnimSprite ", "CAnimSpriteX", "CAnim", ""})
        cases.push_back({std::string("name \"") + name + "\"", Concat({ClassRecord(0, name), Bytes(16, 0)}),
                         CArchiveException::badClass});
    // 64 characters are refused even when all their bytes are present.
    const std::string longName(64, 'C');
    cases.push_back({"64-character name", Concat({ClassRecord(0, longName), Bytes(100, 0)}), CArchiveException::badClass});
    cases.push_back({"63-character unknown name", Concat({ClassRecord(0, longName.substr(1)), Bytes(100, 0)}),
                     CArchiveException::badClass});
    const Bytes record = ClassRecord(0, "CAnimSprite");
    for (std::size_t length : {2u, 3u, 4u, 5u, 6u, 10u, 16u})
        cases.push_back({"record cut after " + std::to_string(length) + " bytes",
                         Bytes(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(length)),
                         CArchiveException::badClass});
    cases.push_back({"tag cut short", {0xFF}, CArchiveException::endOfFile});
    cases.push_back({"schema other than the registered one", Concat({ClassRecord(1, "CDIB"), Bytes(4, 0)}),
                     CArchiveException::badSchema});
    // A class registered for creation but not serializable is never created.
    for (WORD schema : {WORD{0}, WORD{0xFFFF}})
        cases.push_back({"CTestDoc with schema " + std::to_string(schema), ClassRecord(schema, "CTestDoc"),
                         CArchiveException::badClass});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CArchiveException failure = LoadOneFailure(c.stream);
        EXPECT_EQ(failure.m_cause, c.cause);
        EXPECT_EQ(failure.m_streamOffset, 0u);
        if (c.cause == CArchiveException::badSchema) {
            EXPECT_NE(failure.Describe().find("schema"), std::string::npos) << failure.Describe();
        }
    }
    EXPECT_NE(LoadOne(Concat({record, Bytes(16, 0)})), nullptr);
}

TEST_F(ArchiveObjects, ObjectThatCannotBeCreatedFailsWithAMemoryException)
{
    EXPECT_THROW(LoadOne(ClassRecord(0, "CUnbuildable")), CMemoryException);
}

TEST_F(ArchiveObjects, RequiredClassThatIsNotSerializableIsRefusedBeforeReading)
{
    CMemFile file(Word(0));
    CArchive ar(&file, CArchive::load);
    EXPECT_THROW(ar.LoadObject(RUNTIME_CLASS(CObject)), CNotSupportedException);
    EXPECT_THROW(ar.LoadObject(RUNTIME_CLASS(CTestDoc)), CNotSupportedException);
    EXPECT_EQ(ar.GetStreamPosition(), 0u);
}

TEST_F(ArchiveObjects, StoringAnObjectOfANonSerializableClassIsRefused)
{
    CTestDoc document;
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        EXPECT_THROW(ar.StoreObject(&document), CNotSupportedException);
    }
    EXPECT_TRUE(file.Bytes().empty());
}

// ---- Failures while an object reads itself ---------------------------------------

TEST_F(ArchiveObjects, ObjectWhoseFieldsAreCutShortIsFreedAndTheOffsetIsTheMissingFields)
{
    // CAnimSprite record, x present, y cut after two bytes.
    const Bytes stream = Concat({ClassRecord(0, "CAnimSprite"), {1, 0, 0, 0, 2, 0}});
    const CArchiveException failure = LoadOneFailure(stream);
    EXPECT_EQ(failure.m_cause, CArchiveException::endOfFile);
    EXPECT_EQ(failure.m_streamOffset, 17u + 4u);
}

TEST_F(ArchiveObjects, NestedObjectsAreFreedWhenTheInnerOneFails)
{
    // A link whose nested object is a link whose nested picture is cut short in its size.
    const Bytes stream = Concat({ClassRecord(0, "CLink"), Word(0x8001), ClassRecord(0, "CDIB"), {5, 0}});
    const CArchiveException failure = LoadOneFailure(stream);
    EXPECT_EQ(failure.m_cause, CArchiveException::endOfFile);
}

TEST_F(ArchiveObjects, AnObjectAbandonedByAFailedLoadFreesWhatItHadTaken)
{
    // A bag holding a complete picture (size 0), then a second picture cut
    // short; and a complete bag where a sprite is required. The fixture
    // checks that no picture or bag outlives either failure.
    const Bytes picture = Concat({Word(0x8003), {0, 0, 0, 0}});
    const Bytes bagHead = Concat({ClassRecord(0, "CBag"), Word(2), ClassRecord(0, "CDIB"), {0, 0, 0, 0}});
    const CArchiveException cut = LoadOneFailure(Concat({bagHead, Word(0x8003), {7, 0}}));
    EXPECT_EQ(cut.m_cause, CArchiveException::endOfFile);
    const CArchiveException wrongKind = LoadOneFailure(Concat({bagHead, picture}), RUNTIME_CLASS(CSprite));
    EXPECT_EQ(wrongKind.m_cause, CArchiveException::badClass);
}

TEST_F(ArchiveObjects, AnObjectThatLoadsKeepsWhatItTook)
{
    const Bytes stream = Concat({ClassRecord(0, "CBag"), Word(2), ClassRecord(0, "CDIB"), {1, 0, 0, 0, 7},
                                 Word(0x8003), {0, 0, 0, 0}});
    const int liveBefore = sample::LiveCounter::live;
    const std::unique_ptr<CObject> loaded = LoadOne(stream);
    auto* bag = dynamic_cast<sample::CBag*>(loaded.get());
    ASSERT_NE(bag, nullptr);
    ASSERT_EQ(bag->items.size(), 2u);
    EXPECT_EQ(static_cast<CDIB*>(bag->items[0])->bits, Bytes{7});
    EXPECT_EQ(sample::LiveCounter::live, liveBefore + 3);
    bag->FreeOwnedObjects();
}

// ---- Round trips ------------------------------------------------------------

TEST_F(ArchiveObjects, CycleOfReferencesRoundTripsThroughABackReference)
{
    CLink first;
    CLink second;
    first.next = &second;
    second.next = &first;
    const Bytes bytes = Store([&](CArchive& ar) { ar.StoreObject(&first); });
    EXPECT_EQ(bytes, Concat({ClassRecord(0, "CLink"), Word(0x8001), Word(0x0002)}));

    std::unique_ptr<CObject> loaded = LoadOne(bytes);
    ASSERT_NE(loaded, nullptr);
    auto* loadedFirst = static_cast<CLink*>(loaded.get());
    ASSERT_NE(loadedFirst->next, nullptr);
    auto* loadedSecond = static_cast<CLink*>(loadedFirst->next);
    EXPECT_EQ(loadedSecond->next, loadedFirst);
    delete loadedSecond;
}

TEST_F(ArchiveObjects, StreamPositionCountsEveryByteOfTheObjects)
{
    CAnimSprite sprite;
    sprite.picture.bits.assign(500, 0x42);
    Bytes bytes;
    {
        CMemFile file;
        CArchive ar(&file, CArchive::store, 128);
        ar.StoreObject(&sprite);
        ar.StoreObject(&sprite);
        EXPECT_EQ(ar.GetStreamPosition(), 17u + 4 + 4 + 4 + 500 + 2 + 2);
        ar.Close();
        bytes = file.Bytes();
    }
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load, 128);
    std::unique_ptr<CObject> loaded(ar.LoadObject(RUNTIME_CLASS(CSprite)));
    EXPECT_EQ(ar.LoadObject(), loaded.get());
    EXPECT_EQ(ar.GetStreamPosition(), bytes.size());
    EXPECT_EQ(static_cast<CSprite&>(*loaded).picture.bits, sprite.picture.bits);
}

// ---- The bound of the object map ------------------------------------------------

// A CLeaf class record (index 1) and its object (2), then `more` further leaves.
Bytes LeavesStream(int more)
{
    Bytes stream = ClassRecord(0, "CLeaf");
    for (int i = 0; i < more; ++i) {
        const Bytes tag = Word(0x8001);
        stream.insert(stream.end(), tag.begin(), tag.end());
    }
    return stream;
}

std::vector<std::unique_ptr<CObject>> LoadLeaves(CArchive& ar, int count)
{
    std::vector<std::unique_ptr<CObject>> leaves;
    for (int i = 0; i < count; ++i)
        leaves.emplace_back(ar.LoadObject());
    return leaves;
}

TEST_F(ArchiveObjects, LoadingAcceptsAClassAtTheLastIndexThatATagCanName)
{
    // Entries 0..32765 in use: the CDIB class takes 32766 (tag 0xFFFE), its object 32767.
    const Bytes stream = Concat({LeavesStream(32763), ClassRecord(0, "CDIB"), Bytes(4, 0), Word(0xFFFE),
                                 Bytes(4, 0), Word(0x7FFF)});
    Load(stream, [](CArchive& ar) {
        auto leaves = LoadLeaves(ar, 32764);
        std::unique_ptr<CObject> lastClassObject(ar.LoadObject(RUNTIME_CLASS(CDIB)));
        std::unique_ptr<CObject> viaClassTag(ar.LoadObject(RUNTIME_CLASS(CDIB)));
        EXPECT_NE(viaClassTag, nullptr);
        EXPECT_EQ(ar.LoadObject(), lastClassObject.get());
    });
}

TEST_F(ArchiveObjects, LoadingRefusesANewClassOnceTheMapIsFull)
{
    const Bytes stream = Concat({LeavesStream(32764), ClassRecord(0, "CDIB"), Bytes(4, 0)});
    const CArchiveException failure = LoadFailure(stream, [](CArchive& ar) {
        auto leaves = LoadLeaves(ar, 32765);
        delete ar.LoadObject();
    });
    EXPECT_EQ(failure.m_cause, CArchiveException::badIndex);
    EXPECT_EQ(failure.m_streamOffset, stream.size() - 14);
}

TEST_F(ArchiveObjects, StoringRefusesTheEntryThatWouldPassTheBound)
{
    std::vector<CLeaf> leaves(32765);
    CDIB picture;
    // Class 1 and objects 2..32765 fit; one more object, or one more class, does not.
    for (const CObject* extra : {static_cast<const CObject*>(&leaves.back()), static_cast<const CObject*>(&picture)}) {
        CMemFile file;
        CArchive ar(&file, CArchive::store | CArchive::bNoFlushOnDelete);
        for (int i = 0; i < 32764; ++i)
            ar.StoreObject(&leaves[i]);
        try {
            ar.StoreObject(extra);
            ADD_FAILURE() << extra->GetRuntimeClass()->m_lpszClassName << " stored past the bound";
        } catch (const CArchiveException& failure) {
            EXPECT_EQ(failure.m_cause, CArchiveException::badIndex);
        }
    }
}

}  // namespace
