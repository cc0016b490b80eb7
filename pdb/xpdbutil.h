#pragma once

#include "api/xpdbapi.h"
#include "host/xgeometry.h"
#include "host/xmaterial.h"
#include "host/xstream.h"
#include "host/xtqtable.h"
#include "host/xtrimesh.h"
#include "host/xvector.h"
#include "pdb/colour/denebcolours.h"

// Operations that every PDB version shares. Reading operations report
// failure as a status or a bool; only the plug-in boundary throws.
class XPDB_API xPdbUtil {
 public:
  // Status codes of a read and their texts.
  static const char* ExplainStatus(int status);

  // Coordinate systems, after the header of every version.
  static bool SkipCoorsyses(xStream* stream, int version);
  static bool ReadCoorsyses(xStream* stream, xGeometry** geometry, int version);

  // Sections and blocks that are read past.
  static bool SkipCurves(xStream* stream, int version);
  static bool SkipLines(xStream* stream);
  static bool SkipTexts(xStream* stream, int extraLines);
  static bool SkipTextures(xStream* stream);

  // NURBS surfaces; tessellated and added when a geometry is given.
  static bool SkipSurfaces(xStream* stream, int version, xGeometry** geometry);
  static bool isValidOuterPoint(xTQTable<float>& loop, float u, float v);
  static bool isValidInnerPoint(xTQTable<float>& loop, float u, float v);
  static int ReadSurfaceObject(xStream* stream, xGeometry** geometry, const int colour);

  // Builds a mesh from points and polygons.
  class XPDB_API ObjectReader {
   public:
    virtual ~ObjectReader();
    virtual void Start() = 0;
    virtual void SetPointCount(int count) = 0;
    virtual xVector GetPoint(int index) = 0;
    virtual void AddPoint(const xVector& point) = 0;
    virtual void SetPolygonCount(int count) = 0;
    virtual void BeginPolygon() = 0;
    virtual void AddVertex(int index) = 0;
    virtual void EndPolygon() = 0;
    virtual xGeoSet* Finish() = 0;
  };

  // Fan-triangulates each polygon into one xTriMesh.
  class XPDB_API TriMeshReader : public ObjectReader {
   public:
    TriMeshReader();
    ~TriMeshReader() override;
    void Start() override;
    void SetPointCount(int count) override;
    xVector GetPoint(int index) override;
    void AddPoint(const xVector& point) override;
    void SetPolygonCount(int count) override;
    void BeginPolygon() override;
    void AddVertex(int index) override;
    void EndPolygon() override;
    xGeoSet* Finish() override;

    // For a mesh that is at hand whole, as the tessellator's: the same as
    // AddPoint for each of `count` x, y, z triples, and as BeginPolygon,
    // AddVertex(entry / stride) for each of three entries, EndPolygon for
    // each of `count` triples of index entries.
    void AddPoints(const float* xyz, int count);
    void AddTriangles(const unsigned* entries, int count, unsigned stride);

   private:
    xTriMesh* m_mesh = nullptr;  // owned until Finish
    xTQTable<int> m_corners;
    int m_expectedPoints = 0;  // the counts announced, for making room
    int m_expectedTriangles = 0;
  };

  // One object record; returns the last set it added, or null.
  static xGeoSet* ReadObject(xStream* stream, xGeometry** geometry, int version, int fileVersion,
                             int& status);

  // Deneb colours: an index of the table to material and back.
  static const char* DenebMaterials[xpdb::kColourCount];
  static const char* DenebMaterialName(int index);
  static void SetBaseColor(int index, xVector& colour);
  static xMaterial* GetDenebMaterial(int index);
  static int GetDenebIndex(xMaterial* material);
  static xMaterial* NewMaterial(int index);
  static double VectDist(const float* rgb, xVector& colour);
  static double DistFromDenebColor(const float* rgb, int index);
};
