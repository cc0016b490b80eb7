#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

// A one-line progress bar for long conversions. It draws nothing when
// disabled (standard error is no terminal) and nothing before `delay` has
// passed, so quick jobs stay silent.
class ProgressBar {
 public:
  ProgressBar(std::ostream& out, std::string label, bool enabled,
              std::chrono::milliseconds delay = std::chrono::milliseconds(400));
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;
  // Ends the line when a bar was drawn.
  ~ProgressBar();

  // `fraction` of the work is done (clamped to 0..1).
  void Update(double fraction);
  // Shows 100% and ends the line, when a bar was drawn.
  void Done();

 private:
  void Draw(int percent);

  std::ostream& m_out;
  std::string m_label;
  bool m_enabled;
  std::chrono::steady_clock::time_point m_start;
  std::chrono::milliseconds m_delay;
  int m_shown = -1;  // percentage on screen, -1 before the first drawing
};
