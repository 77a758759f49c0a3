#include "tests/support/picture_samples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>

namespace test_pictures {

Ppm ReadPpm(const Bytes& bytes) {
  Ppm ppm;
  std::string text(bytes.begin(), bytes.end());
  size_t at = 0;
  auto field = [&]() -> long {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    size_t start = at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
    return start == at ? -1 : std::stol(text.substr(start, at - start));
  };
  if (text.compare(0, 2, "P6") != 0) return ppm;
  at = 2;
  long w = field(), h = field(), max = field();
  ++at;  // the one whitespace byte before the samples
  if (w <= 0 || h <= 0 || max != 255 || text.size() - at < size_t(w * h * 3)) return ppm;
  ppm.width = int32_t(w);
  ppm.height = int32_t(h);
  for (long i = 0; i < w * h; ++i, at += 3)
    ppm.colours.push_back(bytes[at] | bytes[at + 1] << 8 | uint32_t(bytes[at + 2]) << 16);
  return ppm;
}

namespace {

int BitLength(int n) {
  int bits = 0;
  while (n > 0) {
    ++bits;
    n >>= 1;
  }
  return bits;
}

}  // namespace

Bytes EncodeLzw(const Bytes& pixels, int m, bool clearWhenFull) {
  const int clear = 1 << m, end = clear + 1;
  std::vector<std::pair<int, int>> codes;
  std::map<int, int> dict;
  int next = clear + 2;
  auto width = [&] { return std::min(12, std::max(m + 1, BitLength(next - 1))); };
  codes.push_back({clear, m + 1});
  if (!pixels.empty()) {
    int prefix = pixels[0];
    for (size_t i = 1; i < pixels.size(); ++i) {
      int key = prefix * 256 + pixels[i];
      auto found = dict.find(key);
      if (found != dict.end()) {
        prefix = found->second;
        continue;
      }
      codes.push_back({prefix, width()});
      if (next < 4096) {
        dict[key] = next++;
      } else if (clearWhenFull) {
        codes.push_back({clear, width()});
        dict.clear();
        next = clear + 2;
      }
      prefix = pixels[i];
    }
    codes.push_back({prefix, width()});
  }
  codes.push_back({end, width()});
  return PackCodes(codes);
}

Bytes PackCodes(const std::vector<std::pair<int, int>>& codes) {
  Bytes out;
  uint32_t bits = 0;
  int count = 0;
  for (auto [code, width] : codes) {
    bits |= uint32_t(code) << count;
    count += width;
    while (count >= 8) {
      out.push_back(uint8_t(bits));
      bits >>= 8;
      count -= 8;
    }
  }
  if (count > 0) out.push_back(uint8_t(bits));
  return out;
}

Bytes SubBlocks(const Bytes& data) {
  Bytes out;
  for (size_t at = 0; at < data.size(); at += 255) {
    size_t n = std::min<size_t>(255, data.size() - at);
    out.push_back(uint8_t(n));
    out.insert(out.end(), data.begin() + long(at), data.begin() + long(at + n));
  }
  out.push_back(0);
  return out;
}

namespace {

void PutWord(Bytes& b, int v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}

int TableBits(size_t entries) {
  int bits = 0;
  while ((size_t{2} << bits) < entries) ++bits;
  return bits;
}

}  // namespace

Bytes GifHeader(int32_t width, int32_t height, const Bytes& globalTable) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  PutWord(b, width);
  PutWord(b, height);
  b.push_back(globalTable.empty() ? 0 : uint8_t(0xF0 | TableBits(globalTable.size() / 3)));
  b.push_back(0);  // background
  b.push_back(0);  // aspect
  b.insert(b.end(), globalTable.begin(), globalTable.end());
  return b;
}

void AppendImage(Bytes& gif, const GifImage& image) {
  gif.push_back(0x2C);
  PutWord(gif, 0);
  PutWord(gif, 0);
  PutWord(gif, image.width);
  PutWord(gif, image.height);
  uint8_t flags = image.interlaced ? 0x40 : 0;
  if (!image.localTable.empty()) flags |= uint8_t(0x80 | TableBits(image.localTable.size() / 3));
  gif.push_back(flags);
  gif.insert(gif.end(), image.localTable.begin(), image.localTable.end());
  gif.push_back(uint8_t(image.minimumCodeSize));
  Bytes blocks = SubBlocks(image.lzw);
  gif.insert(gif.end(), blocks.begin(), blocks.end());
}

void AppendGraphicControl(Bytes& gif, bool transparent, uint8_t index, int delay) {
  gif.insert(gif.end(), {0x21, 0xF9, 4, uint8_t(transparent ? 0x09 : 0x08)});
  PutWord(gif, delay);
  gif.push_back(index);
  gif.push_back(0);
}

void AppendComment(Bytes& gif, const std::string& text) {
  gif.insert(gif.end(), {0x21, 0xFE});
  Bytes blocks = SubBlocks(Bytes(text.begin(), text.end()));
  gif.insert(gif.end(), blocks.begin(), blocks.end());
}

Bytes MakeSpriteGif() {
  Bytes table(256 * 3);
  for (int i = 0; i < 255; ++i) {  // wood shades from light to dark
    table[3 * i] = uint8_t(230 - i / 2);
    table[3 * i + 1] = uint8_t(170 - i / 2);
    table[3 * i + 2] = uint8_t(90 - i / 3);
  }
  table[765] = table[766] = table[767] = 255;  // 255: the white key colour
  Bytes pixels(44 * 44);
  for (int y = 0; y < 44; ++y)
    for (int x = 0; x < 44; ++x) {
      int dx = 2 * x - 43, dy = 2 * y - 43;
      pixels[size_t(y * 44 + x)] = dx * dx + dy * dy <= 42 * 42 ? uint8_t((x + y) * 2) : 255;
    }
  Bytes gif = GifHeader(44, 44, table);
  AppendGraphicControl(gif, true, 255);
  AppendImage(gif, GifImage{44, 44, {}, false, 8, EncodeLzw(pixels, 8)});
  gif.push_back(0x3B);
  return gif;
}

}  // namespace test_pictures
