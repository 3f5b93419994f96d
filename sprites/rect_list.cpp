#include "sprites/rect_list.h"

namespace {

constexpr int kRectNodeBlockSize = 10;

bool Intersect(const RECT& a, const RECT& b)
{
    RECT common;
    return IntersectRect(&common, &a, &b) != FALSE;
}

void GrowToUnion(RECT& into, const RECT& other)
{
    RECT merged;
    UnionRect(&merged, &into, &other);
    into = merged;
}

}  // namespace

CRectList::CRectList() : CObList(kRectNodeBlockSize) {}

CRectList::RectNode& CRectList::NodeOf(CObject* element)
{
    return *static_cast<RectNode*>(element);
}

RECT& CRectList::GetRectAt(POSITION pos) const
{
    return NodeOf(GetAt(pos)).rect;
}

RECT& CRectList::GetNextRect(POSITION& pos) const
{
    return NodeOf(GetNext(pos)).rect;
}

void CRectList::AddRect(const RECT* r)
{
    if (!IsEmpty()) {
        RECT& head = GetRectAt(GetHeadPosition());
        if (Intersect(head, *r)) {
            GrowToUnion(head, *r);
            return;
        }
    }
    AddHead(new RectNode(*r));
}

void CRectList::MergeOverlaps()
{
    // After each merge the grown rectangle may meet one already passed, so the
    // scan starts again from the head until a full pass merges nothing.
    bool merged = true;
    while (merged) {
        merged = false;
        for (POSITION a = GetHeadPosition(); a && !merged;) {
            RECT& rectA = GetNextRect(a);
            for (POSITION b = a; b;) {
                const POSITION posB = b;
                RECT& rectB = GetNextRect(b);
                if (Intersect(rectA, rectB)) {
                    GrowToUnion(rectA, rectB);
                    delete GetAt(posB);
                    RemoveAt(posB);
                    merged = true;
                    break;
                }
            }
        }
    }
}

void CRectList::DeleteAllRects()
{
    for (POSITION pos = GetHeadPosition(); pos;)
        delete GetNext(pos);
    RemoveAll();
}
