#pragma once

#include <memory>
#include <vector>

#include "xhostapi.h"
#include "xstring.h"

class XHOST_API xMaterial {
 public:
  const xTString<char>& GetName() const { return m_name; }
  void SetName(const char* name) { m_name = name; }
  const float* GetDiffuse() const { return m_diffuse; }
  const float* GetSpecular() const { return m_specular; }
  const float* GetAmbient() const { return m_ambient; }
  const float* GetEmissive() const { return m_emissive; }
  float GetShininess() const { return m_shininess; }
  void SetDiffuse(float r, float g, float b, float a) { Set(m_diffuse, r, g, b, a); }
  void SetSpecular(float r, float g, float b, float a) { Set(m_specular, r, g, b, a); }
  void SetAmbient(float r, float g, float b, float a) { Set(m_ambient, r, g, b, a); }
  void SetEmissive(float r, float g, float b, float a) { Set(m_emissive, r, g, b, a); }
  void SetShininess(float s) { m_shininess = s; }

 private:
  static void Set(float* c, float r, float g, float b, float a) {
    c[0] = r;
    c[1] = g;
    c[2] = b;
    c[3] = a;
  }
  xTString<char> m_name;
  float m_diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
  float m_specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  float m_ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
  float m_emissive[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  float m_shininess = 0.0f;
};

// The host material service: a library of named materials and a palette of
// simple system materials. Both own their materials, which live until the
// process ends: a replaced or cleared one stays valid for the sets that use it.
// Every call may come from any thread.
class XHOST_API xMatReader {
 public:
  // The library material of that name (exact match), or null.
  static xMaterial* FindMaterial(const xTString<char>& name, bool load);
  // The system material whose diffuse colour is nearest (Euclidean) to r, g, b.
  static xMaterial* GetClosestSimpleSystemMaterial(float r, float g, float b);

  // Takes ownership; a material of the same name is replaced.
  static void AddMaterial(xMaterial* material);
  static void ClearLibrary();
  static int GetLibrarySize();
};
