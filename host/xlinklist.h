#pragma once

#include "xhostapi.h"

class XHOST_API xDLinkNode {
 public:
  virtual ~xDLinkNode();
  xDLinkNode* GNextNode() const { return m_next; }

 private:
  friend class xDLinkList;
  xDLinkNode* m_next = nullptr;
};

// A list that owns its nodes, appended at the tail and walked from the head.
class XHOST_API xDLinkList {
 public:
  xDLinkList() = default;
  xDLinkList(const xDLinkList&) = delete;
  xDLinkList& operator=(const xDLinkList&) = delete;
  ~xDLinkList();

  int GCount() const { return m_count; }
  xDLinkNode* GBeginNode() const { return m_head; }
  void Append(xDLinkNode* node);
  void Clear();

 private:
  xDLinkNode* m_head = nullptr;
  xDLinkNode* m_tail = nullptr;
  int m_count = 0;
};

template <class T>
class xTDLinkList : public xDLinkList {
 public:
  T* GBegin() const { return static_cast<T*>(GBeginNode()); }
  static T* GNext(const T* node) { return static_cast<T*>(node->GNextNode()); }
};
