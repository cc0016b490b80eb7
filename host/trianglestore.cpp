#include "trianglestore.h"

#include <cmath>
#include <cstring>

TriangleStore::TriangleStore() = default;
TriangleStore::~TriangleStore() = default;

void TriangleStore::pushBack(const float* a, const float* b, const float* c) {
  m_vertices.insert(m_vertices.end(), a, a + 3);
  m_vertices.insert(m_vertices.end(), b, b + 3);
  m_vertices.insert(m_vertices.end(), c, c + 3);
}

const float* TriangleStore::getVertices() const { return m_vertices.data(); }
unsigned TriangleStore::size() const { return static_cast<unsigned>(m_vertices.size()); }
void TriangleStore::clear() { m_vertices.clear(); }
void TriangleStore::checkExtend() {
  if (m_vertices.capacity() - m_vertices.size() < 9) m_vertices.reserve(m_vertices.capacity() * 2 + 9);
}

TriangleStoreIndexed::TriangleStoreIndexed() = default;
TriangleStoreIndexed::~TriangleStoreIndexed() = default;

unsigned TriangleStoreIndexed::indexOf(const float* v) {
  Key key;
  std::memcpy(key.bits, v, sizeof key.bits);
  const auto next = static_cast<unsigned>(m_vertices.size());
  const auto [it, added] = m_shared.try_emplace(key, next);
  if (added) m_vertices.insert(m_vertices.end(), v, v + 3);
  return it->second;
}

void TriangleStoreIndexed::pushBack(const float* a, const float* b, const float* c) {
  const unsigned ia = indexOf(a), ib = indexOf(b), ic = indexOf(c);
  m_indices.push_back(ia);
  m_indices.push_back(ib);
  m_indices.push_back(ic);
}

unsigned TriangleStoreIndexed::size() const { return static_cast<unsigned>(m_indices.size()); }

void TriangleStoreIndexed::clear() {
  TriangleStore::clear();
  m_indices.clear();
  m_shared.clear();
}

void TriangleStoreIndexed::checkExtend() {
  TriangleStore::checkExtend();
  if (m_indices.capacity() - m_indices.size() < 3) m_indices.reserve(m_indices.capacity() * 2 + 3);
}

TriangleAdder::~TriangleAdder() = default;

void TriangleAdder::emit(const float* a, const float* b, const float* c) {
  const double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
  const double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
  const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
  if (nx == 0.0 && ny == 0.0 && nz == 0.0) return;
  m_store->pushBack(a, b, c);
}

void TriangleFanAdderWithPlanarCheck::pushVertex(const float* xyz) {
  if (m_count == 0) {
    std::memcpy(m_first, xyz, sizeof m_first);
  } else if (m_count >= 2) {
    emit(m_first, m_last, xyz);
  }
  std::memcpy(m_last, xyz, sizeof m_last);
  ++m_count;
}

void TriangleFanAdderWithPlanarCheck::endPrimitive() { m_count = 0; }

void QuadStripAdderWithPlanarCheck::pushVertex(const float* xyz) {
  if (m_count < 2) {
    std::memcpy(m_previous[m_count], xyz, sizeof m_previous[0]);
  } else if (m_count % 2 == 0) {
    std::memcpy(m_pending, xyz, sizeof m_pending);
  } else {
    // Quad 2i, 2i+1, 2i+3, 2i+2 split along 2i..2i+3.
    const float* v0 = m_previous[0];
    const float* v1 = m_previous[1];
    emit(v0, v1, xyz);
    emit(v0, xyz, m_pending);
    std::memcpy(m_previous[0], m_pending, sizeof m_pending);
    std::memcpy(m_previous[1], xyz, sizeof m_previous[1]);
  }
  ++m_count;
}

void QuadStripAdderWithPlanarCheck::endPrimitive() { m_count = 0; }
