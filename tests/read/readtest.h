#pragma once

#include <memory>
#include <sstream>
#include <string>

#include "host/xassert.h"
#include "host/xgeometry.h"
#include "host/xgeometryoptimizer.h"
#include "host/xmaterial.h"
#include "host/xstream.h"

namespace readtest {

// A host stream over a text, and what is left of it after a read.
class Text {
 public:
  explicit Text(const std::string& text) : m_buffer(text), m_stream(&m_buffer) {}
  xStream* get() { return &m_stream; }
  bool sound() const { return !m_stream.fail(); }
  // The next white-space-delimited word, or "" at the end.
  std::string NextWord() {
    std::string word;
    if (m_stream.fail()) return "<failed>";
    std::istream& in = m_stream;
    in >> word;
    return word;
  }

 private:
  std::stringbuf m_buffer;
  xStream m_stream;
};

// A geometry as the host hands it over, with a clean optimiser record and
// assertion count; the host library holds one material per Deneb colour.
class Part {
 public:
  Part() : m_pointer(&m_geometry) {
    xGeometryOptimizer::ResetRecord();
    xGlobalAssertReset();
  }
  xGeometry** get() { return &m_pointer; }
  xGeoContainer& sets() { return *m_geometry.GetContainer(); }
  int count() { return sets().GetSetCount(); }
  template <class T>
  T* set(int i) {
    return dynamic_cast<T*>(sets().GetSet(i));
  }
  void DropContainer() { m_geometry.GetContainer().Reset(); }

 private:
  xGeometry m_geometry;
  xGeometry* m_pointer;
};

// Fills the host's material library with one material per Deneb colour.
void AddDenebLibrary();

}  // namespace readtest
