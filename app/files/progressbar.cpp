#include "app/files/progressbar.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <ostream>

namespace {

constexpr int kWidth = 30;

}  // namespace

ProgressBar::ProgressBar(std::ostream& out, std::string label, bool enabled, std::chrono::milliseconds delay)
    : m_out(out),
      m_label(std::move(label)),
      m_enabled(enabled),
      m_start(std::chrono::steady_clock::now()),
      m_delay(delay) {}

ProgressBar::~ProgressBar() {
  if (m_shown >= 0) m_out << '\n' << std::flush;
}

void ProgressBar::Update(double fraction) {
  if (!m_enabled) return;
  if (!(fraction >= 0.0)) fraction = 0.0;  // NaN as well
  const int percent = static_cast<int>(std::floor(std::min(fraction, 1.0) * 100.0));
  if (percent == m_shown) return;
  if (m_shown < 0 && std::chrono::steady_clock::now() - m_start < m_delay) return;
  Draw(percent);
}

void ProgressBar::Done() {
  if (m_shown < 0) return;
  if (m_shown != 100) Draw(100);
  m_out << '\n' << std::flush;
  m_shown = -1;
  m_enabled = false;
}

void ProgressBar::Draw(int percent) {
  const int filled = percent * kWidth / 100;
  m_out << '\r' << m_label << " [" << std::string(static_cast<std::size_t>(filled), '#')
        << std::string(static_cast<std::size_t>(kWidth - filled), '.') << "] " << std::setw(3) << percent
        << '%' << std::flush;
  m_shown = percent;
}
