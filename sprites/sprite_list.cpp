#include "sprites/sprite_list.h"

#include <cstdint>
#include <string>

#include "framework/exceptions.h"
#include "framework/file.h"
#include "sprites/sprite.h"

IMPLEMENT_SERIAL(CSpriteList, CObList, 0)

namespace {

constexpr int kSpriteNodeBlockSize = 10;

}  // namespace

CSpriteList::CSpriteList() : CObList(kSpriteNodeBlockSize)
{
    observer.ownerList = this;
}

void CSpriteList::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << static_cast<DWORD>(GetCount());
        for (POSITION pos = GetHeadPosition(); pos;)
            ar.StoreObject(GetNext(pos));
        return;
    }
    // Nothing is reserved from the count: a count beyond what the stream holds
    // ends at the end of the data.
    DWORD count = 0;
    ar >> count;
    for (DWORD i = 0; i < count; ++i) {
        const std::uint64_t elementOffset = ar.GetStreamPosition();
        auto* sprite = static_cast<CSprite*>(ar.LoadObject(RUNTIME_CLASS(CSprite)));
        // A null reference, or a back reference to a sprite already listed,
        // would put a null or the same sprite twice into the list: the stream
        // names no new sprite where one is required.
        if (!AddSprite(sprite))
            throw CArchiveException(CArchiveException::badIndex, ar.GetFile() ? ar.GetFile()->GetFilePath() : std::string(),
                                    elementOffset, sprite ? "a sprite listed twice" : "no sprite where one is required");
    }
}

int CSpriteList::AddSprite(CSprite* sprite)
{
    if (!sprite || sprite->owner == &observer)
        return 0;
    sprite->SetOwner(&observer);
    AddTail(sprite);
    return 1;
}

CSprite* CSpriteList::RemoveSprite(CSprite* sprite)
{
    const POSITION pos = sprite ? Find(sprite) : nullptr;
    if (!pos)
        return nullptr;
    RemoveAt(pos);
    sprite->SetOwner(nullptr);
    return sprite;
}

void CSpriteList::MoveToTail(CSprite* sprite)
{
    if (RemoveSprite(sprite))
        AddSprite(sprite);
}

void CSpriteList::DeleteAllSprites()
{
    for (POSITION pos = GetHeadPosition(); pos;)
        delete GetNext(pos);
    RemoveAll();
}

void CSpriteList::FreeOwnedObjects()
{
    DeleteAllSprites();
}
