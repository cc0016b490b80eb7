#pragma once

#include <memory>
#include <utility>

#include "xmessage.h"

// Common part of smart references: access to an empty one throws.
class XHOST_API xSmartPtr {
 public:
  [[noreturn]] static void ThrowEmpty();
};

// A shared reference; GetPtr and -> throw xSmartPtrException when empty.
template <class T>
class xTSmartRefPtr : public xSmartPtr {
 public:
  xTSmartRefPtr() = default;
  explicit xTSmartRefPtr(T* object) : m_object(object) {}
  explicit xTSmartRefPtr(std::shared_ptr<T> object) : m_object(std::move(object)) {}

  T* GetPtr() const {
    if (!m_object) ThrowEmpty();
    return m_object.get();
  }
  T* operator->() const { return GetPtr(); }
  T& operator*() const { return *GetPtr(); }
  bool IsEmpty() const { return !m_object; }
  void Reset() { m_object.reset(); }
  void Reset(T* object) { m_object.reset(object); }

 private:
  std::shared_ptr<T> m_object;
};
