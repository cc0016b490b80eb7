// Reads the pictures that `xpdb render` writes, with a decoder of its own.
#pragma once

#include <png.h>

#include <string>

#include "app/render/image.h"

namespace apptest {

// A PNG file of any colour type as 8-bit RGB (transparency over white).
inline bool ReadPng(const std::string& path, Image& image, std::string& error) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) {
    error = path + ": " + png.message;
    return false;
  }
  png.format = PNG_FORMAT_RGB;
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.rgb.assign(PNG_IMAGE_SIZE(png), 0);
  const png_color white = {255, 255, 255};
  if (!png_image_finish_read(&png, &white, image.rgb.data(), 0, nullptr)) {
    error = path + ": " + png.message;
    png_image_free(&png);
    return false;
  }
  return true;
}

}  // namespace apptest
