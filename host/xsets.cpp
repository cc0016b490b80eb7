#include "xframeset.h"
#include "xpointset.h"

xPointSet::~xPointSet() = default;
xFrameSet::~xFrameSet() = default;

void xFrameSet::AddFrame(xFrame* frame) {
  if (frame) m_frames.emplace_back(frame);
}
