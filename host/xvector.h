#pragma once

#include "xhostapi.h"

struct xFVector {
  float x = 0.0f, y = 0.0f, z = 0.0f;
  xFVector() = default;
  xFVector(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
};

struct xVector {
  double x = 0.0, y = 0.0, z = 0.0, w = 1.0;
  xVector() = default;
  xVector(double x_, double y_, double z_, double w_ = 1.0) : x(x_), y(y_), z(z_), w(w_) {}
  explicit xVector(const xFVector& v) : x(v.x), y(v.y), z(v.z) {}
  void Set(double x_, double y_, double z_) {
    x = x_;
    y = y_;
    z = z_;
  }
  explicit operator xFVector() const {
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
  }
};

// A frame: the N, O and A axes and the position, as columns of a 4x4
// homogeneous matrix; the identity by default.
class xMatrix {
 public:
  void SetN(double x, double y, double z) { SetColumn(0, x, y, z); }
  void SetO(double x, double y, double z) { SetColumn(1, x, y, z); }
  void SetA(double x, double y, double z) { SetColumn(2, x, y, z); }
  void SetPosition(double x, double y, double z) { SetColumn(3, x, y, z); }
  double At(int row, int column) const { return m[row][column]; }

 private:
  void SetColumn(int c, double x, double y, double z) {
    m[0][c] = x;
    m[1][c] = y;
    m[2][c] = z;
  }
  double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};
