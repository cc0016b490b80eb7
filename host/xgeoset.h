#pragma once

#include <string>

#include "xhostapi.h"

class xMaterial;

// Type codes returned by xGeoSet::GetType.
enum xGeoSetType : int {
  xGeoTypePolyMesh = 1,
  xGeoTypeLineSet = 2,
  xGeoTypePointSet = 3,
  xGeoTypeFrameSet = 6,
  xGeoTypeTriMesh = 8,
  xGeoTypeCompactLineSet = 9,
};

// Identifier of a point or polygon inside its set.
class XHOST_API xGeoData {
 public:
  int GetId() const { return m_id; }
  void SetId(int id) { m_id = id; }

 private:
  int m_id = 0;
};

class XHOST_API xLayer {
 public:
  explicit xLayer(const char* name) : m_name(name ? name : "") {}
  const char* GetName() const { return m_name.c_str(); }

 private:
  std::string m_name;
};

// The host's layers; they live until the process ends.
class XHOST_API xLayerControl {
 public:
  static xLayer* FindLayer(const char* name);
  static xLayer* AddLayer(const char* name);
};

class XHOST_API xGeoSet {
 public:
  xGeoSet() = default;
  xGeoSet(const xGeoSet&) = delete;
  xGeoSet& operator=(const xGeoSet&) = delete;
  virtual ~xGeoSet();

  virtual int GetType() const = 0;
  virtual xMaterial* GetMaterial() const { return m_material; }
  virtual void SetMaterial(xMaterial* material) { m_material = material; }
  virtual void SetMaterialMode(int mode) { m_materialMode = mode; }
  virtual int GetMaterialMode() const { return m_materialMode; }
  // Brings derived data up to date after a change of the set's content.
  virtual void Refresh(bool full);

  xLayer* GetLayer() const { return m_layer; }
  void SetLayer(xLayer* layer) { m_layer = layer; }

 private:
  xMaterial* m_material = nullptr;  // host-owned
  int m_materialMode = 0;
  xLayer* m_layer = nullptr;
};
