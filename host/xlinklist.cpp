#include "xlinklist.h"

xDLinkNode::~xDLinkNode() = default;

xDLinkList::~xDLinkList() { Clear(); }

void xDLinkList::Append(xDLinkNode* node) {
  node->m_next = nullptr;
  if (m_tail)
    m_tail->m_next = node;
  else
    m_head = node;
  m_tail = node;
  ++m_count;
}

void xDLinkList::Clear() {
  for (xDLinkNode* node = m_head; node;) {
    xDLinkNode* next = node->m_next;
    delete node;
    node = next;
  }
  m_head = m_tail = nullptr;
  m_count = 0;
}
