// The dirty-rectangle list of a stage: rectangles added during one tick,
// merged where they overlap, recomposed and then deleted.
#pragma once

#include "framework/object_list.h"
#include "platform/win32.h"

class CRectList : public CObList {
public:
    CRectList();
    CRectList(const CRectList&) = delete;
    CRectList& operator=(const CRectList&) = delete;

    // Copies *r into the list: grows the head rectangle when the two
    // intersect, otherwise puts a new rectangle at the head.
    void AddRect(const RECT* r);

    // Merges intersecting rectangles until no two of the list intersect.
    void MergeOverlaps();

    // Deletes every rectangle and empties the list. Destroying the list does
    // not delete the rectangles, so the owner calls this first.
    void DeleteAllRects();

    // The rectangle at pos; GetNextRect also advances pos like GetNext.
    RECT& GetRectAt(POSITION pos) const;
    RECT& GetNextRect(POSITION& pos) const;

private:
    // A list element: the list holds object pointers, so each rectangle lives
    // in a small object of its own.
    struct RectNode final : CObject {
        explicit RectNode(const RECT& r) : rect(r) {}
        RECT rect;
    };
    static RectNode& NodeOf(CObject* element);
};
