#pragma once
// Decoded skin images: 32-bit pixels, premultiplied alpha, BGRA byte order
// (the layout AlphaBlend expects), rows top to bottom.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace SkinUI {

struct SkinImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // width * height, 0xAARRGGBB premultiplied
  bool hasAlpha = false;              // some pixel is not fully opaque
};

// Decodes a PNG (or any format stb_image reads). Returns nullptr on failure or
// for images larger than 4096 x 4096.
std::unique_ptr<SkinImage> DecodeSkinImage(const void* data, std::size_t size);

}  // namespace SkinUI
