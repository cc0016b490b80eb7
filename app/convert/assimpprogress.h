#pragma once

#include <assimp/ProgressHandler.hpp>

#include "app/files/progressbar.h"

// Feeds Assimp's progress reports into a part of a progress bar. Assimp
// reports each call's work from 0; each call gets its own part of the bar.
class AssimpProgress : public Assimp::ProgressHandler {
 public:
  explicit AssimpProgress(ProgressBar& bar) : m_bar(bar) {}

  // Reports of 0..`scale` from now on fill `from` to `to` of the bar.
  void Phase(double from, double to, double scale = 1.0) {
    m_from = from;
    m_to = to;
    m_scale = scale;
  }
  bool Update(float fraction) override {
    if (fraction >= 0.0f) m_bar.Update(m_from + (m_to - m_from) * fraction / m_scale);
    return true;
  }

 private:
  ProgressBar& m_bar;
  double m_from = 0.0, m_to = 1.0, m_scale = 1.0;
};
