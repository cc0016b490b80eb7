#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "host/xassert.h"
#include "host/xgeometry.h"
#include "host/xgeometryoptimizer.h"
#include "host/xmaterial.h"
#include "host/xstream.h"
#include "pdb/xpdbutil.h"

// Helpers of the reader tests: texts as host streams, and the host's geometry.
namespace parttest {

class Text {
 public:
  explicit Text(const std::string& text) : m_buffer(text), m_stream(&m_buffer) {}
  xStream* get() { return &m_stream; }
  // The next white-space-delimited word, "" at the end, "<failed>" after a failure.
  std::string NextWord() {
    std::string word;
    if (m_stream.fail()) return "<failed>";
    static_cast<std::istream&>(m_stream) >> word;
    return word;
  }

 private:
  std::stringbuf m_buffer;
  xStream m_stream;
};

// A geometry as the host hands it over, with a fresh optimiser record and assertion count;
// set() is null past the end.
class Part {
 public:
  Part() : m_pointer(&m_geometry) { xGeometryOptimizer::ResetRecord(), xGlobalAssertReset(); }
  xGeometry** get() { return &m_pointer; }
  int count() { return m_geometry.GetContainer()->GetSetCount(); }
  template <class T>
  T* set(int i) {
    return i >= 0 && i < count() ? dynamic_cast<T*>(m_geometry.GetContainer()->GetSet(i)) : nullptr;
  }
  void DropContainer() { m_geometry.GetContainer().Reset(); }

 private:
  xGeometry m_geometry;
  xGeometry* m_pointer;
};

// As in a session, the host library holds one material per Deneb colour.
inline void AddDenebLibrary() {
  for (int index = 4; index <= 35; ++index) xMatReader::AddMaterial(xPdbUtil::NewMaterial(index));
}

// A file of the source tree's examples, or of another folder of it.
inline std::string Example(const std::string& name, const std::string& folder = "examples/") {
  std::ifstream file(std::string(XPDB_SOURCE_DIR) + "/" + folder + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace parttest
