#include "framework/object_list.h"

#include <algorithm>
#include <cassert>

IMPLEMENT_DYNAMIC(CObList, CObject)

CObList::CObList(int nBlockSize) : m_nBlockSize(std::max(nBlockSize, 1)) {}

CObList::~CObList() = default;

CObList::CNode* CObList::NodeAt(POSITION position)
{
    return reinterpret_cast<CNode*>(position);
}

POSITION CObList::PositionOf(CNode* node)
{
    return reinterpret_cast<POSITION>(node);
}

CObList::CNode* CObList::NewNode(CNode* prev, CNode* next, CObject* element)
{
    if (!m_pNodeFree) {
        // Chain a fresh block of nodes onto the free list.
        auto& block = m_blocks.emplace_back(std::make_unique<CNode[]>(static_cast<std::size_t>(m_nBlockSize)));
        for (int i = m_nBlockSize - 1; i >= 0; --i) {
            block[i].pNext = m_pNodeFree;
            m_pNodeFree = &block[i];
        }
    }
    CNode* node = m_pNodeFree;
    m_pNodeFree = node->pNext;
    *node = CNode{next, prev, element};
    ++m_nCount;
    return node;
}

void CObList::FreeNode(CNode* node)
{
    node->pNext = m_pNodeFree;
    m_pNodeFree = node;
    --m_nCount;
    if (m_nCount == 0)
        RemoveAll();  // give the blocks back once the list is empty
}

void CObList::RemoveAll()
{
    m_blocks.clear();
    m_pNodeHead = m_pNodeTail = m_pNodeFree = nullptr;
    m_nCount = 0;
}

CObject*& CObList::GetHead()
{
    assert(m_pNodeHead);
    return m_pNodeHead->data;
}

CObject* CObList::GetHead() const
{
    assert(m_pNodeHead);
    return m_pNodeHead->data;
}

CObject*& CObList::GetTail()
{
    assert(m_pNodeTail);
    return m_pNodeTail->data;
}

CObject* CObList::GetTail() const
{
    assert(m_pNodeTail);
    return m_pNodeTail->data;
}

CObject* CObList::RemoveHead()
{
    assert(m_pNodeHead);
    CObject* element = m_pNodeHead->data;
    RemoveAt(PositionOf(m_pNodeHead));
    return element;
}

CObject* CObList::RemoveTail()
{
    assert(m_pNodeTail);
    CObject* element = m_pNodeTail->data;
    RemoveAt(PositionOf(m_pNodeTail));
    return element;
}

POSITION CObList::AddHead(CObject* newElement)
{
    return InsertBefore(GetHeadPosition(), newElement);
}

POSITION CObList::AddTail(CObject* newElement)
{
    return InsertAfter(GetTailPosition(), newElement);
}

POSITION CObList::GetHeadPosition() const
{
    return PositionOf(m_pNodeHead);
}

POSITION CObList::GetTailPosition() const
{
    return PositionOf(m_pNodeTail);
}

CObject*& CObList::GetNext(POSITION& position)
{
    CNode* node = NodeAt(position);
    position = PositionOf(node->pNext);
    return node->data;
}

CObject* CObList::GetNext(POSITION& position) const
{
    CNode* node = NodeAt(position);
    position = PositionOf(node->pNext);
    return node->data;
}

CObject*& CObList::GetPrev(POSITION& position)
{
    CNode* node = NodeAt(position);
    position = PositionOf(node->pPrev);
    return node->data;
}

CObject* CObList::GetPrev(POSITION& position) const
{
    CNode* node = NodeAt(position);
    position = PositionOf(node->pPrev);
    return node->data;
}

CObject*& CObList::GetAt(POSITION position)
{
    return NodeAt(position)->data;
}

CObject* CObList::GetAt(POSITION position) const
{
    return NodeAt(position)->data;
}

void CObList::SetAt(POSITION position, CObject* newElement)
{
    NodeAt(position)->data = newElement;
}

void CObList::RemoveAt(POSITION position)
{
    CNode* node = NodeAt(position);
    assert(node);
    (node->pPrev ? node->pPrev->pNext : m_pNodeHead) = node->pNext;
    (node->pNext ? node->pNext->pPrev : m_pNodeTail) = node->pPrev;
    FreeNode(node);
}

POSITION CObList::InsertBefore(POSITION position, CObject* newElement)
{
    CNode* next = NodeAt(position);
    if (!next)
        next = m_pNodeHead;
    CNode* prev = next ? next->pPrev : nullptr;
    CNode* node = NewNode(prev, next, newElement);
    (prev ? prev->pNext : m_pNodeHead) = node;
    (next ? next->pPrev : m_pNodeTail) = node;
    return PositionOf(node);
}

POSITION CObList::InsertAfter(POSITION position, CObject* newElement)
{
    CNode* prev = NodeAt(position);
    if (!prev)
        prev = m_pNodeTail;
    CNode* next = prev ? prev->pNext : nullptr;
    CNode* node = NewNode(prev, next, newElement);
    (prev ? prev->pNext : m_pNodeHead) = node;
    (next ? next->pPrev : m_pNodeTail) = node;
    return PositionOf(node);
}

POSITION CObList::Find(CObject* searchValue, POSITION startAfter) const
{
    CNode* node = startAfter ? NodeAt(startAfter)->pNext : m_pNodeHead;
    for (; node; node = node->pNext) {
        if (node->data == searchValue)
            return PositionOf(node);
    }
    return nullptr;
}

POSITION CObList::FindIndex(int index) const
{
    if (index < 0 || index >= m_nCount)
        return nullptr;
    CNode* node = m_pNodeHead;
    while (index-- > 0)
        node = node->pNext;
    return PositionOf(node);
}
