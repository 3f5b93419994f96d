// CObList: a doubly linked list of object pointers. Nodes are allocated in
// blocks of nBlockSize and recycled through a free list; the list never owns
// the objects it points to.
#pragma once

#include <memory>
#include <vector>

#include "framework/object.h"

using POSITION = struct __POSITION*;

class CObList : public CObject {
    DECLARE_DYNAMIC(CObList)
public:
    explicit CObList(int nBlockSize = 10);
    CObList(const CObList&) = delete;
    CObList& operator=(const CObList&) = delete;
    ~CObList() override;

    int GetCount() const { return m_nCount; }
    bool IsEmpty() const { return m_nCount == 0; }

    // Head and tail access; the list must not be empty.
    CObject*& GetHead();
    CObject* GetHead() const;
    CObject*& GetTail();
    CObject* GetTail() const;
    CObject* RemoveHead();
    CObject* RemoveTail();

    POSITION AddHead(CObject* newElement);
    POSITION AddTail(CObject* newElement);
    void RemoveAll();

    POSITION GetHeadPosition() const;
    POSITION GetTailPosition() const;
    // Return the element at position and move position on (null past the end).
    CObject*& GetNext(POSITION& position);
    CObject* GetNext(POSITION& position) const;
    CObject*& GetPrev(POSITION& position);
    CObject* GetPrev(POSITION& position) const;

    CObject*& GetAt(POSITION position);
    CObject* GetAt(POSITION position) const;
    void SetAt(POSITION position, CObject* newElement);
    void RemoveAt(POSITION position);

    // A null position inserts at the head (InsertBefore) or tail (InsertAfter).
    POSITION InsertBefore(POSITION position, CObject* newElement);
    POSITION InsertAfter(POSITION position, CObject* newElement);

    // Searches from the head, or from the node after startAfter; null if absent.
    POSITION Find(CObject* searchValue, POSITION startAfter = nullptr) const;
    // The position of the zero-based index, or null when out of range.
    POSITION FindIndex(int index) const;

private:
    struct CNode {
        CNode* pNext;
        CNode* pPrev;
        CObject* data;
    };

    CNode* NewNode(CNode* prev, CNode* next, CObject* element);
    void FreeNode(CNode* node);
    static CNode* NodeAt(POSITION position);
    static POSITION PositionOf(CNode* node);

    CNode* m_pNodeHead = nullptr;
    CNode* m_pNodeTail = nullptr;
    CNode* m_pNodeFree = nullptr;
    int m_nCount = 0;
    int m_nBlockSize;
    std::vector<std::unique_ptr<CNode[]>> m_blocks;
};
