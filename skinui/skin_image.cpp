#include "skinui/skin_image.h"

#include <climits>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_MAX_DIMENSIONS 4096
#include <stb_image.h>

namespace SkinUI {

namespace {

constexpr int kMaxDimension = 4096;

struct StbPixels {
  unsigned char* data = nullptr;
  ~StbPixels() { stbi_image_free(data); }
};

// Premultiplies one RGBA pixel and packs it as 0xAARRGGBB.
std::uint32_t Premultiply(const unsigned char* p) {
  const unsigned a = p[3];
  const unsigned r = (p[0] * a + 127) / 255;
  const unsigned g = (p[1] * a + 127) / 255;
  const unsigned b = (p[2] * a + 127) / 255;
  return (a << 24) | (r << 16) | (g << 8) | b;
}

}  // namespace

std::unique_ptr<SkinImage> DecodeSkinImage(const void* data, std::size_t size) {
  if (!data || size == 0 || size > INT_MAX) return nullptr;
  int width = 0;
  int height = 0;
  int channels = 0;
  const auto* bytes = static_cast<const stbi_uc*>(data);
  const int len = static_cast<int>(size);
  if (!stbi_info_from_memory(bytes, len, &width, &height, &channels)) return nullptr;
  if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension) return nullptr;
  StbPixels pixels;
  pixels.data = stbi_load_from_memory(bytes, len, &width, &height, &channels, 4);
  if (!pixels.data) return nullptr;
  auto image = std::make_unique<SkinImage>();
  image->width = width;
  image->height = height;
  image->pixels.resize(static_cast<std::size_t>(width) * height);
  for (std::size_t i = 0; i < image->pixels.size(); ++i) {
    const unsigned char* p = pixels.data + i * 4;
    image->pixels[i] = Premultiply(p);
    if (p[3] != 255) image->hasAlpha = true;
  }
  return image;
}

}  // namespace SkinUI
