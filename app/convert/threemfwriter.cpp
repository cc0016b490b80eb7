#include "app/convert/threemfwriter.h"

#include <assimp/scene.h>

#include <cmath>
#include <cstdio>

#include "app/convert/meshtext.h"
#include "app/convert/zipwriter.h"

namespace {

constexpr const char* kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"model\" ContentType=\"application/vnd.ms-package.3dmanufacturing-3dmodel+xml\"/>"
    "</Types>\n";
constexpr const char* kRelationships =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Target=\"/3D/3dmodel.model\" Id=\"rel0\" "
    "Type=\"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\"/>"
    "</Relationships>\n";

unsigned Byte(float channel) {
  if (!(channel > 0.0f)) return 0;
  if (channel >= 1.0f) return 255;
  return static_cast<unsigned>(std::lround(channel * 255.0f));
}

void Escaped(std::string& out, const char* text) {
  for (const char* p = text; *p; ++p) switch (*p) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Control characters have no place in XML 1.0 text.
        if (static_cast<unsigned char>(*p) >= 0x20 || *p == '\t') out += *p;
    }
}

void Attribute(std::string& out, const char* name, float value) {
  out += ' ';
  out += name;
  out += "=\"";
  meshtext::Number(out, std::isfinite(value) ? value : 0.0f);
  out += '"';
}

void Attribute(std::string& out, const char* name, unsigned value) {
  out += ' ';
  out += name;
  out += "=\"";
  meshtext::Number(out, value);
  out += '"';
}

}  // namespace

bool Write3mf(const aiScene& scene, std::string& bytes, std::string& error) {
  std::string model =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<model unit=\"millimeter\" xml:lang=\"en-US\" "
      "xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\">\n<resources>\n";
  // Resource 1 is the materials, one base per scene material; objects follow.
  if (scene.mNumMaterials > 0) {
    model += "<basematerials id=\"1\">\n";
    for (unsigned i = 0; i < scene.mNumMaterials; ++i) {
      aiString name;
      scene.mMaterials[i]->Get(AI_MATKEY_NAME, name);
      aiColor4D diffuse(1, 1, 1, 1);
      scene.mMaterials[i]->Get(AI_MATKEY_COLOR_DIFFUSE, diffuse);
      char colour[16];
      std::snprintf(colour, sizeof colour, "#%02X%02X%02XFF", Byte(diffuse.r), Byte(diffuse.g),
                    Byte(diffuse.b));
      model += "<base name=\"";
      Escaped(model, name.C_Str());
      model += "\" displaycolor=\"";
      model += colour;
      model += "\"/>\n";
    }
    model += "</basematerials>\n";
  }
  std::string build = "<build>\n";
  unsigned id = 2;
  for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
    const aiMesh& mesh = *scene.mMeshes[m];
    if (!(mesh.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) || mesh.mNumFaces == 0) continue;
    const bool material = mesh.mMaterialIndex < scene.mNumMaterials;
    model += "<object";
    Attribute(model, "id", id);
    model += " name=\"";
    Escaped(model, mesh.mName.C_Str());
    model += "\" type=\"model\"";
    std::string property;
    if (material) {
      Attribute(property, "pid", 1u);
      Attribute(model, "pid", 1u);
      Attribute(model, "pindex", mesh.mMaterialIndex);
    }
    model += ">\n<mesh>\n<vertices>\n";
    for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
      model += "<vertex";
      Attribute(model, "x", mesh.mVertices[v].x);
      Attribute(model, "y", mesh.mVertices[v].y);
      Attribute(model, "z", mesh.mVertices[v].z);
      model += "/>\n";
    }
    model += "</vertices>\n<triangles>\n";
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      const aiFace& face = mesh.mFaces[f];
      if (face.mNumIndices != 3) continue;
      model += "<triangle";
      Attribute(model, "v1", face.mIndices[0]);
      Attribute(model, "v2", face.mIndices[1]);
      Attribute(model, "v3", face.mIndices[2]);
      // Readers differ in whether they take the object's material or the
      // triangle's: both are there.
      if (material) {
        model += property;
        Attribute(model, "p1", mesh.mMaterialIndex);
      }
      model += "/>\n";
    }
    model += "</triangles>\n</mesh>\n</object>\n";
    build += "<item";
    Attribute(build, "objectid", id);
    build += "/>\n";
    ++id;
  }
  model += "</resources>\n" + build + "</build>\n</model>\n";

  ZipWriter zip;
  return zip.Add("[Content_Types].xml", kContentTypes, error) &&
         zip.Add("_rels/.rels", kRelationships, error) && zip.Add("3D/3dmodel.model", model, error) &&
         zip.Finish(bytes, error);
}
