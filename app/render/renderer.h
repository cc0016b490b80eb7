#pragma once

#include <cstdint>
#include <string>

#include "app/render/image.h"
#include "app/render/renderscene.h"

// Every pixel that nothing covers.
inline constexpr std::uint8_t kBackground[3] = {240, 240, 240};

enum class RenderStatus {
  kOk,
  kNoContext,  // the host's render platform has no OpenGL context
  kTooLarge,   // wider or higher than the context can draw
  kFailed,     // the context could not make or fill the picture
};

// Draws `scene` off screen, in the host's OpenGL context, into an image of
// width x height; anything but kOk comes with the reason in `error`.
RenderStatus RenderImage(const ProjectedScene& scene, int width, int height, Image& image,
                         std::string& error);
