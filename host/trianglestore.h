#pragma once

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "xhostapi.h"

// Triangles as a flat array of x, y, z floats, three vertices per triangle.
class XHOST_API TriangleStore {
 public:
  TriangleStore();
  virtual ~TriangleStore();
  virtual void pushBack(const float* a, const float* b, const float* c);
  virtual const float* getVertices() const;
  virtual unsigned size() const;  // floats in the vertex array
  virtual void clear();           // empties without giving back the room
  virtual void checkExtend();

 protected:
  std::vector<float> m_vertices;
};

// Shared vertices plus three index entries per triangle. Each entry is the
// position of its vertex's x in the vertex array (3 x the vertex number).
// Bitwise equal vertices are stored once, so neighbouring triangles share them.
class XHOST_API TriangleStoreIndexed : public TriangleStore {
 public:
  TriangleStoreIndexed();
  ~TriangleStoreIndexed() override;
  void pushBack(const float* a, const float* b, const float* c) override;
  unsigned size() const override;  // entries in the index array
  void clear() override;
  void checkExtend() override;

  const unsigned* getIndices() const { return m_indices.data(); }
  unsigned vertexFloatCount() const { return static_cast<unsigned>(m_vertices.size()); }

 protected:
  std::vector<unsigned> m_indices;

 private:
  struct Key {
    unsigned bits[3];
    bool operator==(const Key& o) const {
      return bits[0] == o.bits[0] && bits[1] == o.bits[1] && bits[2] == o.bits[2];
    }
  };
  struct KeyHash {
    std::size_t operator()(const Key& k) const {
      return (static_cast<std::size_t>(k.bits[0]) * 73856093u) ^
             (static_cast<std::size_t>(k.bits[1]) * 19349663u) ^
             (static_cast<std::size_t>(k.bits[2]) * 83492791u);
    }
  };
  unsigned indexOf(const float* v);
  std::unordered_map<Key, unsigned, KeyHash> m_shared;
};

// Turns the vertices of one OpenGL primitive into triangles of a store.
class XHOST_API TriangleAdder {
 public:
  explicit TriangleAdder(TriangleStore* store) : m_store(store) {}
  virtual ~TriangleAdder();
  virtual void pushVertex(const float* xyz) = 0;
  virtual void endPrimitive() = 0;

 protected:
  // Pushes the triangle unless its corners lie on one line (zero area).
  void emit(const float* a, const float* b, const float* c);
  TriangleStore* m_store;
};

class XHOST_API TriangleFanAdderWithPlanarCheck : public TriangleAdder {
 public:
  explicit TriangleFanAdderWithPlanarCheck(TriangleStore* store) : TriangleAdder(store) {}
  void pushVertex(const float* xyz) override;
  void endPrimitive() override;

 private:
  float m_first[3] = {0, 0, 0};
  float m_last[3] = {0, 0, 0};
  int m_count = 0;
};

class XHOST_API QuadStripAdderWithPlanarCheck : public TriangleAdder {
 public:
  explicit QuadStripAdderWithPlanarCheck(TriangleStore* store) : TriangleAdder(store) {}
  void pushVertex(const float* xyz) override;
  void endPrimitive() override;

 private:
  float m_previous[2][3] = {{0, 0, 0}, {0, 0, 0}};  // last pair of the strip
  float m_pending[3] = {0, 0, 0};                   // first vertex of the next pair
  int m_count = 0;
};
