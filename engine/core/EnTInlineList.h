#pragma once
#include <cstdint>
#include <utility>

// Position of a list walk; null when the walk is over.
using EnTListIterator = void*;

// A two-word list embedded in its owner (the property and effect lists of scene objects): the
// first element lives in the owner itself, so a list of one element costs no allocation.
// EnPointer elements hold one reference each; raw pointers hold none.
template <class T>
class EnTInlineList {
public:
    struct Node {
        T m_element{};
        Node* m_pNext = nullptr;
    };

    EnTInlineList() = default;
    EnTInlineList(const EnTInlineList&) = delete;
    EnTInlineList& operator=(const EnTInlineList&) = delete;
    ~EnTInlineList() { RemoveAll(); }

    bool IsEmpty() const { return IsNull(m_kHead.m_element) && !m_kHead.m_pNext; }

    // An empty element is ignored.
    void AddHead(T element) {
        if (IsNull(element)) return;
        if (IsNull(m_kHead.m_element) && !m_kHead.m_pNext) {
            m_kHead.m_element = std::move(element);
            return;
        }
        Node* pNode = new Node;
        pNode->m_element = std::move(m_kHead.m_element);
        pNode->m_pNext = m_kHead.m_pNext;
        m_kHead.m_element = std::move(element);
        m_kHead.m_pNext = pNode;
    }

    // Removes the first slot holding the element; false when none does.
    bool Remove(const T& element) {
        if (IsNull(element)) return false;
        if (m_kHead.m_element == element) {
            if (Node* pNext = m_kHead.m_pNext) {
                m_kHead.m_element = std::move(pNext->m_element);
                m_kHead.m_pNext = pNext->m_pNext;
                delete pNext;
            } else {
                m_kHead.m_element = T();
            }
            return true;
        }
        for (Node* pPrev = &m_kHead; pPrev->m_pNext; pPrev = pPrev->m_pNext) {
            Node* pNode = pPrev->m_pNext;
            if (pNode->m_element == element) {
                pPrev->m_pNext = pNode->m_pNext;
                delete pNode;
                return true;
            }
        }
        return false;
    }

    void RemoveAll() {
        while (Node* pNode = m_kHead.m_pNext) {
            m_kHead.m_pNext = pNode->m_pNext;
            delete pNode;
        }
        m_kHead.m_element = T();
    }

    // Non-empty elements over the embedded slot and every node.
    uint32_t ItemsInList() const {
        uint32_t uiCount = 0;
        for (const Node* p = &m_kHead; p; p = p->m_pNext)
            if (!IsNull(p->m_element)) uiCount++;
        return uiCount;
    }

    const T& GetHead() const { return m_kHead.m_element; }
    EnTListIterator GetHeadPos() const { return IsEmpty() ? nullptr : const_cast<Node*>(&m_kHead); }
    // The element at the position; the position moves to the next node.
    const T& GetNext(EnTListIterator& pos) const {
        const Node* pNode = static_cast<const Node*>(pos);
        pos = pNode->m_pNext;
        return pNode->m_element;
    }

private:
    static bool IsNull(const T& element) { return element == T(); }

    Node m_kHead;
};
