#include "runtime/windows/qt_image.h"

#include <bit>
#include <cstring>

namespace runtime {

QImage ToImage(const Surface& surface) {
  return ToImage(surface, QRect(0, 0, surface.Width(), surface.Height()));
}

QImage ToImage(const Surface& surface, QRect area) {
  static_assert(std::endian::native == std::endian::little,
                "0x00BBGGRR pixels are red-green-blue-x bytes in memory");
  QImage image(area.size(), QImage::Format_RGBX8888);
  for (int y = 0; y < area.height(); ++y) {
    const uint32_t* in = surface.Row(area.y() + y) + area.x();
    auto* out = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0; x < area.width(); ++x) out[x] = in[x] | 0xFF000000u;
  }
  return image;
}

QImage IconToImage(const IconImage& icon) {
  if (icon.width <= 0 || icon.height <= 0 ||
      icon.argb.size() != size_t(icon.width) * size_t(icon.height))
    return QImage();
  QImage image(icon.width, icon.height, QImage::Format_ARGB32);  // 0xAARRGGBB, as the icon keeps
  for (int32_t y = 0; y < icon.height; ++y)
    std::memcpy(image.scanLine(y), icon.argb.data() + size_t(y) * size_t(icon.width),
                size_t(icon.width) * 4);
  return image;
}

}  // namespace runtime
