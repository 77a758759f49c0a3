// Checks the pictures and the font the program carries, by reading their bytes: the
// sprites must be the GIF layout the piece drawing relies on (white key at index 255,
// nothing white inside a disc), the board and logo baseline JPEGs of the right sizes,
// the icon and cursor the entries a window needs, the font every text of the program.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

std::string AssetPath(const std::string& name) {
  return std::string(XQ_SOURCE_DIR) + "/assets/" + name;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint16_t Le16(const Bytes& b, size_t at) {
  return uint16_t(b.at(at) | b.at(at + 1) << 8);
}
uint32_t Le32(const Bytes& b, size_t at) {
  return Le16(b, at) | uint32_t(Le16(b, at + 2)) << 16;
}
uint16_t Be16(const Bytes& b, size_t at) {
  return uint16_t(b.at(at) << 8 | b.at(at + 1));
}
struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

// What a sprite file holds, walked block by block.
struct Gif {
  int width = 0, height = 0;
  int global_entries = 0;
  std::vector<Rgb> palette;
  int images = 0;
  bool has_local_table = false;
  bool transparent_flag = false;
  int transparent_index = -1;
  bool trailer = false;
  std::vector<uint8_t> pixels;  // the first image, one index per pixel
};

// GIF LZW: just enough to read back the sprites, which are not interlaced.
std::vector<uint8_t> LzwDecode(const Bytes& data, int min_size, size_t count) {
  const int clear = 1 << min_size, end = clear + 1;
  std::vector<std::vector<uint8_t>> table;
  auto reset = [&] {
    table.assign(clear + 2, {});
    for (int i = 0; i < clear; ++i) table[i] = {uint8_t(i)};
  };
  reset();
  std::vector<uint8_t> out;
  int width = min_size + 1, prev = -1;
  size_t bit = 0;
  while (bit + width <= data.size() * 8 && out.size() < count) {
    int code = 0;
    for (int i = 0; i < width; ++i, ++bit) code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
    if (code == clear) {
      reset();
      width = min_size + 1;
      prev = -1;
      continue;
    }
    if (code == end) break;
    std::vector<uint8_t> entry;
    if (code < int(table.size())) {
      entry = table[code];
    } else if (code == int(table.size()) && prev >= 0) {
      entry = table[prev];
      entry.push_back(table[prev][0]);
    } else {
      return {};
    }
    if (prev >= 0 && table.size() < 4096) {
      auto grown = table[prev];
      grown.push_back(entry[0]);
      table.push_back(grown);
    }
    if (int(table.size()) == 1 << width && width < 12) ++width;
    out.insert(out.end(), entry.begin(), entry.end());
    prev = code;
  }
  return out;
}

std::optional<Gif> ParseGif(const Bytes& b) {
  if (b.size() < 13 || std::string(b.begin(), b.begin() + 6) != "GIF89a") return std::nullopt;
  Gif g;
  g.width = Le16(b, 6);
  g.height = Le16(b, 8);
  size_t at = 13;
  if (b[10] & 0x80) {
    g.global_entries = 2 << (b[10] & 7);
    for (int i = 0; i < g.global_entries; ++i, at += 3) {
      g.palette.push_back({b.at(at), b.at(at + 1), b.at(at + 2)});
    }
  }
  auto sub_blocks = [&](Bytes* into) {
    while (b.at(at) != 0) {
      size_t n = b[at++];
      if (into) into->insert(into->end(), b.begin() + at, b.begin() + at + n);
      at += n;
    }
    ++at;
  };
  while (at < b.size()) {
    uint8_t kind = b[at++];
    if (kind == 0x3B) {
      g.trailer = true;
      break;
    }
    if (kind == 0x21) {
      uint8_t label = b.at(at++);
      if (label == 0xF9 && b.at(at) == 4) {
        g.transparent_flag = b.at(at + 1) & 1;
        g.transparent_index = b.at(at + 4);
      }
      sub_blocks(nullptr);
    } else if (kind == 0x2C) {
      ++g.images;
      uint8_t flags = b.at(at + 8);
      g.has_local_table = flags & 0x80;
      at += 9;
      if (g.has_local_table) at += 3 * (2 << (flags & 7));
      int min_size = b.at(at++);
      Bytes data;
      sub_blocks(&data);
      if (g.images == 1) g.pixels = LzwDecode(data, min_size, size_t(g.width) * g.height);
    } else {
      return std::nullopt;
    }
  }
  return g;
}

std::string SpriteName(bool selected, int code) {
  char name[32];
  std::snprintf(name, sizeof name, "sprites/%s%02d.gif", selected ? "selected" : "piece", code);
  return name;
}

// Average colour and ink counts over the opaque pixels of a sprite.
struct SpriteLook {
  double luminance = 0, orange = 0;  // orange: red minus blue
  int green_ink = 0, red_ink = 0;
};

SpriteLook Look(const Gif& g) {
  SpriteLook look;
  int n = 0;
  for (uint8_t i : g.pixels) {
    if (i == g.transparent_index) continue;
    const Rgb& c = g.palette[i];
    look.luminance += 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
    look.orange += c.r - c.b;
    if (c.g > c.r * 3 / 2 && c.g > c.b + 30) ++look.green_ink;
    if (c.r * 2 > c.g * 5 && c.r * 2 > c.b * 5) ++look.red_ink;
    ++n;
  }
  look.luminance /= n;
  look.orange /= n;
  return look;
}

TEST(SpriteFiles, AreOneImageGifsKeyedOnWhiteIndex255) {
  for (bool selected : {false, true}) {
    for (int code = 1; code <= 14; ++code) {
      SCOPED_TRACE(SpriteName(selected, code));
      Bytes bytes = ReadFile(AssetPath(SpriteName(selected, code)));
      ASSERT_FALSE(bytes.empty());
      auto gif = ParseGif(bytes);
      ASSERT_TRUE(gif);
      EXPECT_EQ(gif->width, 44);
      EXPECT_EQ(gif->height, 44);
      EXPECT_EQ(gif->global_entries, 256);
      EXPECT_EQ(gif->images, 1);
      EXPECT_FALSE(gif->has_local_table);
      EXPECT_TRUE(gif->trailer);
      EXPECT_TRUE(gif->transparent_flag);
      ASSERT_EQ(gif->transparent_index, 255);
      EXPECT_EQ(gif->palette[255], (Rgb{255, 255, 255}));
      // Only the key may be white, so no pixel of a disc vanishes when drawn.
      for (int i = 0; i < 255; ++i) EXPECT_NE(gif->palette[i], (Rgb{255, 255, 255})) << i;
      // Small enough that decoding one for every draw costs nothing.
      EXPECT_LT(bytes.size(), 4000u);
    }
  }
}

TEST(SpriteFiles, ShowASolidDiscOnTheKeyColour) {
  for (bool selected : {false, true}) {
    for (int code = 1; code <= 14; ++code) {
      SCOPED_TRACE(SpriteName(selected, code));
      auto gif = ParseGif(ReadFile(AssetPath(SpriteName(selected, code))));
      ASSERT_TRUE(gif);
      ASSERT_EQ(gif->pixels.size(), 44u * 44u);
      auto at = [&](int x, int y) { return int(gif->pixels[y * 44 + x]); };
      // The disc is centred on (23, 23), a pixel left of and above the crossing of the
      // lines when the game puts the sprite at its cell's corner.
      for (auto [x, y] : {std::pair{0, 0}, {43, 0}, {0, 43}, {43, 43}, {0, 23}, {23, 0}}) {
        EXPECT_EQ(at(x, y), 255) << x << "," << y;
      }
      int holes = 0;
      for (int y = 0; y < 44; ++y) {
        for (int x = 0; x < 44; ++x) {
          int dx = x - 23, dy = y - 23;
          if (dx * dx + dy * dy <= 18 * 18 && at(x, y) == 255) ++holes;
        }
      }
      EXPECT_EQ(holes, 0);
    }
  }
}

TEST(SpriteFiles, InkBySideAndALighterMoreOrangeSelection) {
  for (int code = 1; code <= 14; ++code) {
    SCOPED_TRACE(code);
    auto normal = ParseGif(ReadFile(AssetPath(SpriteName(false, code))));
    auto selected = ParseGif(ReadFile(AssetPath(SpriteName(true, code))));
    ASSERT_TRUE(normal && selected);
    for (const Gif* g : {&*normal, &*selected}) {
      SpriteLook look = Look(*g);
      if (code <= 7) {
        EXPECT_GT(look.green_ink, 40);
        EXPECT_EQ(look.red_ink, 0);
      } else {
        EXPECT_GT(look.red_ink, 40);
        EXPECT_EQ(look.green_ink, 0);
      }
    }
    EXPECT_GT(Look(*selected).luminance, Look(*normal).luminance);
    EXPECT_GT(Look(*selected).orange, Look(*normal).orange + 10);
  }
}

// The frame header of a JPEG: which start-of-frame marker and what it says.
struct JpegFrame {
  int marker = 0, precision = 0, width = 0, height = 0, components = 0;
};

std::optional<JpegFrame> FirstFrame(const Bytes& b) {
  if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8) return std::nullopt;
  size_t at = 2;
  while (at + 4 <= b.size()) {
    if (b[at] != 0xFF) return std::nullopt;
    int marker = b[at + 1];
    size_t length = Be16(b, at + 2);
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      return JpegFrame{marker, b.at(at + 4), Be16(b, at + 7), Be16(b, at + 5), b.at(at + 9)};
    }
    at += 2 + length;
  }
  return std::nullopt;
}

TEST(PictureFiles, BoardAndLogoAreBaselineColourJpegs) {
  for (auto [name, w, h] : {std::tuple{"board.jpg", 436, 484}, {"logo.jpg", 136, 146}}) {
    SCOPED_TRACE(name);
    Bytes bytes = ReadFile(AssetPath(name));
    auto frame = FirstFrame(bytes);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->marker, 0xC0);  // baseline DCT
    EXPECT_EQ(frame->precision, 8);
    EXPECT_EQ(frame->width, w);
    EXPECT_EQ(frame->height, h);
    EXPECT_EQ(frame->components, 3);
    EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
    EXPECT_EQ(bytes[bytes.size() - 1], 0xD9);
  }
}

// One entry of an icon or cursor directory, with the bitmap it points at.
struct IconEntry {
  int width, height, field1, field2;
  uint32_t header_size;
  int32_t dib_width, dib_height;
};

std::vector<IconEntry> IconEntries(const Bytes& b, int type) {
  std::vector<IconEntry> entries;
  if (b.size() < 6 || Le16(b, 0) != 0 || Le16(b, 2) != type) return entries;
  for (int i = 0; i < Le16(b, 4); ++i) {
    size_t e = 6 + 16 * size_t(i);
    uint32_t size = Le32(b, e + 8), offset = Le32(b, e + 12);
    if (size_t(offset) + size > b.size()) return {};
    entries.push_back({b.at(e) ? b[e] : 256, b.at(e + 1) ? b[e + 1] : 256, Le16(b, e + 4),
                       Le16(b, e + 6), Le32(b, offset), int32_t(Le32(b, offset + 4)),
                       int32_t(Le32(b, offset + 8))});
  }
  return entries;
}

TEST(PictureFiles, IconHoldsA16AndA32Image) {
  auto entries = IconEntries(ReadFile(AssetPath("icon.ico")), 1);
  ASSERT_EQ(entries.size(), 2u);
  std::map<int, IconEntry> by_size;
  for (const auto& e : entries) {
    EXPECT_EQ(e.width, e.height);
    EXPECT_EQ(e.header_size, 40u);  // a plain bitmap, readable without a PNG decoder
    EXPECT_EQ(e.dib_width, e.width);
    EXPECT_EQ(e.dib_height, 2 * e.height);  // colour rows and the mask rows
    by_size.emplace(e.width, e);
  }
  EXPECT_TRUE(by_size.count(16));
  EXPECT_TRUE(by_size.count(32));
}

TEST(PictureFiles, CursorIsA32PixelHandWithItsHotSpotAt6And1) {
  auto entries = IconEntries(ReadFile(AssetPath("hand.cur")), 2);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].width, 32);
  EXPECT_EQ(entries[0].height, 32);
  EXPECT_EQ(entries[0].field1, 6);  // a cursor's hot spot x
  EXPECT_EQ(entries[0].field2, 1);  // and y
  EXPECT_EQ(entries[0].header_size, 40u);
  EXPECT_EQ(entries[0].dib_width, 32);
  EXPECT_EQ(entries[0].dib_height, 64);
}

// The font's coverage of the program's texts is checked where Qt draws with it (fonts_test).
TEST(InterfaceFont, IsAnOpenTypeFileWithItsLicence) {
  Bytes font = ReadFile(AssetPath("fonts/ui-subset.otf"));
  ASSERT_GE(font.size(), 4u);
  EXPECT_EQ(std::string(font.begin(), font.begin() + 4), "OTTO");
  EXPECT_FALSE(ReadFile(AssetPath("fonts/OFL.txt")).empty());
}

}  // namespace
