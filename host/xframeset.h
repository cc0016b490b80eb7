#pragma once

#include <memory>
#include <vector>

#include "xgeoset.h"
#include "xvector.h"

class XHOST_API xFrame {
 public:
  explicit xFrame(const xMatrix& matrix) : m_matrix(matrix) {}
  const xMatrix& GetMatrix() const { return m_matrix; }

 private:
  xMatrix m_matrix;
};

// Coordinate frames; the set owns its frames.
class XHOST_API xFrameSet : public xGeoSet {
 public:
  ~xFrameSet() override;
  int GetType() const override { return xGeoTypeFrameSet; }
  void AddFrame(xFrame* frame);
  int GetFrameCount() const { return static_cast<int>(m_frames.size()); }
  const xFrame* GetFrame(int i) const { return m_frames[static_cast<std::size_t>(i)].get(); }

 private:
  std::vector<std::unique_ptr<xFrame>> m_frames;
};
