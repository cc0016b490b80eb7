#pragma once

#include <cstddef>
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

  const unsigned* getIndices() const { return m_indices.data(); }
  unsigned vertexFloatCount() const { return static_cast<unsigned>(m_vertices.size()); }

 protected:
  std::vector<unsigned> m_indices;

 private:
  unsigned indexOf(const float* v);
  void rehash(std::size_t slots);

  // Open addressing over the stored vertices: a slot holds 1 + the vertex
  // number, 0 when free; at most half the slots are taken.
  std::vector<unsigned> m_slots;
  std::size_t m_taken = 0;
  int m_shift = 64;  // 64 - log2 of the slot count
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
  using TriangleAdder::TriangleAdder;
  void pushVertex(const float* xyz) override;
  void endPrimitive() override;

 private:
  float m_first[3] = {0, 0, 0};
  float m_last[3] = {0, 0, 0};
  int m_count = 0;
};

class XHOST_API QuadStripAdderWithPlanarCheck : public TriangleAdder {
 public:
  using TriangleAdder::TriangleAdder;
  void pushVertex(const float* xyz) override;
  void endPrimitive() override;

 private:
  float m_previous[2][3] = {{0, 0, 0}, {0, 0, 0}};  // last pair of the strip
  float m_pending[3] = {0, 0, 0};                   // first vertex of the next pair
  int m_count = 0;
};
