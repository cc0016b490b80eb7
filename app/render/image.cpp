#include "app/render/image.h"

#include <png.h>

bool EncodePng(const Image& image, std::vector<unsigned char>& bytes, std::string& error) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgb.size() !=
          static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3) {
    error = "the image has no pixels";
    return false;
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGB;
  // Room for the worst case, which is little more than the raw pixels.
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(png);
  bytes.resize(size);
  if (png_image_write_to_memory(&png, bytes.data(), &size, 0, image.rgb.data(), 0, nullptr)) {
    bytes.resize(size);
    return true;
  }
  error = std::string("cannot encode the PNG: ") + png.message;
  png_image_free(&png);
  return false;
}
