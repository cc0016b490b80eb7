#include "trianglestore.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "xtriangle.h"

namespace {

constexpr std::size_t kMinSlots = 1024;

std::uint64_t Hash(const float* v) {
  std::uint32_t bits[3];
  std::memcpy(bits, v, sizeof bits);
  return ((std::uint64_t{bits[0]} << 32 | bits[1]) * 0x9E3779B97F4A7C15ULL) ^
         (std::uint64_t{bits[2]} * 0xC2B2AE3D27D4EB4FULL);
}

}  // namespace

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

TriangleStoreIndexed::TriangleStoreIndexed() { rehash(kMinSlots); }
TriangleStoreIndexed::~TriangleStoreIndexed() = default;

// Vertices are equal when their bits are: 0 and -0 stay apart.
unsigned TriangleStoreIndexed::indexOf(const float* v) {
  if (2 * (m_taken + 1) > m_slots.size()) rehash(2 * m_slots.size());
  const std::size_t mask = m_slots.size() - 1;
  for (std::size_t i = static_cast<std::size_t>(Hash(v) >> m_shift);; i = (i + 1) & mask) {
    const unsigned slot = m_slots[i];
    if (slot == 0) {
      const auto at = static_cast<unsigned>(m_vertices.size());
      m_vertices.push_back(v[0]);
      m_vertices.push_back(v[1]);
      m_vertices.push_back(v[2]);
      m_slots[i] = at / 3 + 1;
      ++m_taken;
      return at;
    }
    const unsigned at = (slot - 1) * 3;
    if (std::memcmp(&m_vertices[at], v, 3 * sizeof(float)) == 0) return at;
  }
}

void TriangleStoreIndexed::rehash(std::size_t slots) {
  m_slots.assign(slots, 0);
  m_shift = 64 - std::countr_zero(slots);
  const std::size_t mask = slots - 1;
  for (std::size_t at = 0; at + 2 < m_vertices.size(); at += 3) {
    std::size_t i = static_cast<std::size_t>(Hash(&m_vertices[at]) >> m_shift);
    while (m_slots[i] != 0) i = (i + 1) & mask;
    m_slots[i] = static_cast<unsigned>(at / 3 + 1);
  }
}

void TriangleStoreIndexed::pushBack(const float* a, const float* b, const float* c) {
  const unsigned ia = indexOf(a), ib = indexOf(b), ic = indexOf(c);
  m_indices.push_back(ia);
  m_indices.push_back(ib);
  m_indices.push_back(ic);
}

unsigned TriangleStoreIndexed::size() const { return static_cast<unsigned>(m_indices.size()); }

// The table keeps the size that the surface just cleared needed: the next is
// likely alike, and a table left by one huge surface would make every later
// clear slow.
void TriangleStoreIndexed::clear() {
  TriangleStore::clear();
  m_indices.clear();
  std::size_t slots = kMinSlots;
  while (slots < 2 * m_taken) slots *= 2;
  if (slots == m_slots.size())
    std::fill(m_slots.begin(), m_slots.end(), 0u);
  else
    rehash(slots);
  m_taken = 0;
}

TriangleAdder::~TriangleAdder() = default;

void TriangleAdder::emit(const float* a, const float* b, const float* c) {
  // The edges in single precision, as the points are.
  const xDVec3 u{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const xDVec3 v{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  if (xIsZero(xCross(u, v))) return;
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
