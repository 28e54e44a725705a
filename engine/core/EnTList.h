#pragma once
#include <cstdint>
#include <utility>

#include "engine/core/EnAssert.h"

// Position of a list walk; null when the walk is over.
using EnTListIterator = void*;

// The engine's doubly linked list. Nodes come from the list's own pool, allocated a block of
// nodes at a time, and removed nodes go back to the pool until the list is destroyed.
template <class T>
class EnTList {
public:
    struct Node {
        T m_element{};
        Node* m_pNext = nullptr;
        Node* m_pPrev = nullptr;
    };

    explicit EnTList(uint32_t uiNodesPerBlock = 16)
        : m_uiNodesPerBlock(uiNodesPerBlock > 0 ? uiNodesPerBlock : 1) {}
    EnTList(const EnTList&) = delete;
    EnTList& operator=(const EnTList&) = delete;
    ~EnTList() {
        while (Block* pBlock = m_pBlocks) {
            m_pBlocks = pBlock->m_pNext;
            delete[] pBlock->m_pNodes;
            delete pBlock;
        }
    }

    uint32_t GetCount() const { return m_uiCount; }
    bool IsEmpty() const { return m_uiCount == 0; }

    void AddTail(T element) {
        Node* pNode = NewNode();
        pNode->m_element = std::move(element);
        pNode->m_pNext = nullptr;
        pNode->m_pPrev = m_pTail;
        if (m_pTail)
            m_pTail->m_pNext = pNode;
        else
            m_pHead = pNode;
        m_pTail = pNode;
        m_uiCount++;
    }
    void AddHead(T element) {
        Node* pNode = NewNode();
        pNode->m_element = std::move(element);
        pNode->m_pPrev = nullptr;
        pNode->m_pNext = m_pHead;
        if (m_pHead)
            m_pHead->m_pPrev = pNode;
        else
            m_pTail = pNode;
        m_pHead = pNode;
        m_uiCount++;
    }

    // Removing from an empty list is reported and answers an empty element.
    T RemoveHead() {
        EN_ASSERT(m_pHead);
        if (!m_pHead) return T();
        Node* pNode = m_pHead;
        m_pHead = pNode->m_pNext;
        if (m_pHead)
            m_pHead->m_pPrev = nullptr;
        else
            m_pTail = nullptr;
        return FreeNode(pNode);
    }
    T RemoveTail() {
        EN_ASSERT(m_pTail);
        if (!m_pTail) return T();
        Node* pNode = m_pTail;
        m_pTail = pNode->m_pPrev;
        if (m_pTail)
            m_pTail->m_pNext = nullptr;
        else
            m_pHead = nullptr;
        return FreeNode(pNode);
    }

    // Removes the first node holding the element; true when a non-empty element was removed.
    bool Remove(const T& element) {
        if (element == T()) return false;
        for (Node* p = m_pHead; p; p = p->m_pNext) {
            if (p->m_element == element) {
                if (p == m_pHead)
                    RemoveHead();
                else if (p == m_pTail)
                    RemoveTail();
                else {
                    p->m_pPrev->m_pNext = p->m_pNext;
                    p->m_pNext->m_pPrev = p->m_pPrev;
                    FreeNode(p);
                }
                return true;
            }
        }
        return false;
    }

    // Removes the node at the position and moves the position to the next node.
    T RemovePos(EnTListIterator& pos) {
        Node* pNode = static_cast<Node*>(pos);
        if (!pNode) return T();
        if (pNode == m_pHead) {
            pos = pNode->m_pNext;
            m_pHead = pNode->m_pNext;
            if (m_pHead)
                m_pHead->m_pPrev = nullptr;
            else
                m_pTail = nullptr;
        } else if (pNode == m_pTail) {
            pos = nullptr;
            m_pTail = pNode->m_pPrev;
            if (m_pTail)
                m_pTail->m_pNext = nullptr;
            else
                m_pHead = nullptr;
        } else {
            pos = pNode->m_pNext;
            pNode->m_pPrev->m_pNext = pNode->m_pNext;
            pNode->m_pNext->m_pPrev = pNode->m_pPrev;
        }
        return FreeNode(pNode);
    }

    void RemoveAll() {
        while (m_pHead) RemoveHead();
    }

    EnTListIterator GetHeadPos() const { return m_pHead; }
    EnTListIterator GetTailPos() const { return m_pTail; }
    const T& GetHead() const { return m_pHead ? m_pHead->m_element : Empty(); }
    const T& GetTail() const { return m_pTail ? m_pTail->m_element : Empty(); }
    const T& Get(EnTListIterator pos) const { return static_cast<Node*>(pos)->m_element; }
    // The element at the position; the position moves on (towards the tail or the head).
    const T& GetNext(EnTListIterator& pos) const {
        Node* pNode = static_cast<Node*>(pos);
        pos = pNode->m_pNext;
        return pNode->m_element;
    }
    const T& GetPrev(EnTListIterator& pos) const {
        Node* pNode = static_cast<Node*>(pos);
        pos = pNode->m_pPrev;
        return pNode->m_element;
    }

private:
    struct Block {
        Block* m_pNext = nullptr;
        Node* m_pNodes = nullptr;
    };

    static const T& Empty() {
        static const T s_empty{};
        return s_empty;
    }

    Node* NewNode() {
        if (!m_pFree) {
            Block* pBlock = new Block;
            pBlock->m_pNodes = new Node[m_uiNodesPerBlock];
            for (uint32_t i = 0; i + 1 < m_uiNodesPerBlock; i++)
                pBlock->m_pNodes[i].m_pNext = &pBlock->m_pNodes[i + 1];
            pBlock->m_pNext = m_pBlocks;
            m_pBlocks = pBlock;
            m_pFree = pBlock->m_pNodes;
        }
        Node* pNode = m_pFree;
        m_pFree = pNode->m_pNext;
        return pNode;
    }

    T FreeNode(Node* pNode) {
        T element = std::move(pNode->m_element);
        pNode->m_element = T();
        pNode->m_pPrev = nullptr;
        pNode->m_pNext = m_pFree;
        m_pFree = pNode;
        m_uiCount--;
        return element;
    }

    uint32_t m_uiCount = 0;
    Node* m_pHead = nullptr;
    Node* m_pTail = nullptr;
    Node* m_pFree = nullptr;
    Block* m_pBlocks = nullptr;
    uint32_t m_uiNodesPerBlock;
};
