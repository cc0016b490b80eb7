#include "app/convert/weld.h"

#include <bit>
#include <stdexcept>
#include <utility>

namespace {

std::uint32_t Bits(float v) {
  // Adding 0 turns -0 into +0 and leaves every other finite value alone.
  return std::bit_cast<std::uint32_t>(v + 0.0f);
}

std::uint64_t Hash(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  std::uint64_t h = (static_cast<std::uint64_t>(x) << 32 | y) * 0x9E3779B97F4A7C15ULL;
  h ^= (h >> 29) + z * 0xBF58476D1CE4E5B9ULL;
  h *= 0x94D049BB133111EBULL;
  return h ^ (h >> 31);
}

std::size_t TableSize(std::size_t points) {
  std::size_t size = 16;
  while (size < 2 * points) size *= 2;
  return size;
}

}  // namespace

PositionWeld::PositionWeld(std::size_t expected) {
  // Welded meshes hold about a sixth of their corners as points; the table
  // grows when that guess is short.
  const std::size_t guess = expected / 4;
  m_slots.assign(TableSize(guess), 0);
  m_mask = m_slots.size() - 1;
  m_points.reserve(3 * guess);
}

std::uint32_t PositionWeld::Add(float x, float y, float z) {
  const std::uint32_t bx = Bits(x), by = Bits(y), bz = Bits(z);
  for (std::size_t slot = Hash(bx, by, bz) & m_mask;; slot = (slot + 1) & m_mask) {
    const std::uint32_t entry = m_slots[slot];
    if (entry == 0) {
      if (PointCount() >= 0xFFFFFFFEu) throw std::length_error("more than 4 294 967 294 distinct points");
      const auto index = static_cast<std::uint32_t>(PointCount());
      m_points.insert(m_points.end(), {x + 0.0f, y + 0.0f, z + 0.0f});
      m_slots[slot] = index + 1;
      if (2 * PointCount() > m_slots.size()) Grow();
      return index;
    }
    const float* p = &m_points[3 * static_cast<std::size_t>(entry - 1)];
    if (std::bit_cast<std::uint32_t>(p[0]) == bx && std::bit_cast<std::uint32_t>(p[1]) == by &&
        std::bit_cast<std::uint32_t>(p[2]) == bz)
      return entry - 1;
  }
}

void PositionWeld::Grow() {
  m_slots.assign(2 * m_slots.size(), 0);
  m_mask = m_slots.size() - 1;
  for (std::size_t i = 0; i < PointCount(); ++i) {
    const float* p = &m_points[3 * i];
    std::size_t slot = Hash(std::bit_cast<std::uint32_t>(p[0]), std::bit_cast<std::uint32_t>(p[1]),
                            std::bit_cast<std::uint32_t>(p[2])) &
                       m_mask;
    while (m_slots[slot] != 0) slot = (slot + 1) & m_mask;
    m_slots[slot] = static_cast<std::uint32_t>(i + 1);
  }
}

std::vector<float> PositionWeld::TakePoints() {
  std::vector<float> points = std::move(m_points);
  *this = PositionWeld();
  return points;
}
