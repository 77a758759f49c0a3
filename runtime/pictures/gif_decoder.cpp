#include "runtime/pictures/gif_decoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace runtime {

namespace {

constexpr int kMaxCodes = 4096;
constexpr int kMaxCodeWidth = 12;

uint16_t Word(const uint8_t* p) {
  return uint16_t(p[0] | p[1] << 8);
}

// Skips a chain of sub-blocks that starts at `pos` (a length byte); false when a block runs past
// the data or the chain has no terminator.
bool SkipSubBlocks(std::span<const uint8_t> d, size_t& pos) {
  for (;;) {
    if (pos >= d.size()) return false;
    size_t length = d[pos++];
    if (length == 0) return true;
    if (length > d.size() - pos) return false;
    pos += length;
  }
}

// Codes of the LZW stream, least significant bit first, read across the image's sub-blocks.
class CodeReader {
 public:
  CodeReader(std::span<const uint8_t> d, size_t pos) : d_(d), next_(pos) {}

  // -1 when the stream has no more codes: at its terminator, or where a sub-block runs past the
  // data.
  int Read(int width) {
    while (count_ < width) {
      if (at_ == end_) {
        if (ended_ || broken_) return -1;
        if (next_ >= d_.size()) return Break();
        size_t length = d_[next_];
        if (length == 0) {
          ended_ = true;
          return -1;
        }
        if (length > d_.size() - next_ - 1) return Break();
        at_ = next_ + 1;
        end_ = at_ + length;
        next_ = end_;
      }
      bits_ |= uint32_t(d_[at_++]) << count_;
      count_ += 8;
    }
    int code = int(bits_ & ((1u << width) - 1));
    bits_ >>= width;
    count_ -= width;
    return code;
  }

 private:
  int Break() {
    broken_ = true;
    return -1;
  }
  std::span<const uint8_t> d_;
  size_t next_;  // the next sub-block's length byte
  size_t at_ = 0, end_ = 0;
  uint32_t bits_ = 0;
  int count_ = 0;
  bool ended_ = false, broken_ = false;
};

// The dictionary lives in the picture's block after the pixels: prefixes and lengths as 16-bit
// words, then suffixes and first bytes, 4096 of each.
class Dictionary {
 public:
  explicit Dictionary(uint8_t* base)
      : prefix_(base),
        length_(base + 2 * kMaxCodes),
        suffix_(base + 4 * kMaxCodes),
        first_(base + 5 * kMaxCodes) {
    std::memset(base, 0, kGifDictionarySize);
  }
  int Length(int c) const { return Word16(length_, c); }
  uint8_t First(int c) const { return first_[c]; }
  void Set(int c, int prefix, int length, uint8_t suffix, uint8_t first) {
    const uint16_t p = uint16_t(prefix), l = uint16_t(length);
    std::memcpy(prefix_ + 2 * c, &p, 2);
    std::memcpy(length_ + 2 * c, &l, 2);
    suffix_[c] = suffix;
    first_[c] = first;
  }
  // Writes the `length` last bytes of code c's string, last byte at out[length - 1].
  void Write(int c, int length, uint8_t* out) const {
    for (int k = length - 1; k >= 0; --k) {
      out[k] = suffix_[c];
      c = Word16(prefix_, c);
    }
  }

 private:
  static int Word16(const uint8_t* words, int i) {
    uint16_t v;
    std::memcpy(&v, words + 2 * i, 2);
    return v;
  }
  uint8_t* prefix_;
  uint8_t* length_;
  uint8_t* suffix_;
  uint8_t* first_;
};

// The most pixels an LZW stream in `bytes` bytes could give: within one dictionary the k-th code
// stands for at most k pixels, and no string is longer than the dictionary.
int64_t MostPixels(size_t bytes, int minimumSize) {
  const int64_t codes = int64_t(bytes) * 8 / (minimumSize + 1);
  if (codes <= kMaxCodes) return codes * (codes + 1) / 2;
  return int64_t{kMaxCodes} * (kMaxCodes + 1) / 2 + (codes - kMaxCodes) * kMaxCodes;
}

// Decodes the LZW stream into `out` in file order (rows packed). False on a code that is not yet
// defined, a bad minimum code size, sub-blocks past the data, or a stream that ends before the
// last pixel; data after the last pixel is not read.
bool DecodeLzw(std::span<const uint8_t> d, size_t pos, int minimumSize, Dictionary& dict,
               uint8_t* out, size_t total) {
  if (minimumSize < 1 || minimumSize > 8) return false;
  const int clear = 1 << minimumSize;
  const int end = clear + 1;
  for (int c = 0; c < clear; ++c) dict.Set(c, 0, 1, uint8_t(c), uint8_t(c));
  int next = clear + 2;
  int width = minimumSize + 1;
  int previous = -1;
  uint8_t spill[kMaxCodes];  // a string that runs past the last pixel
  CodeReader reader(d, pos);

  size_t at = 0;
  while (at < total) {
    const int code = reader.Read(width);
    if (code < 0) return false;
    if (code == clear) {
      next = clear + 2;
      width = minimumSize + 1;
      previous = -1;
      continue;
    }
    if (code == end) return false;

    int length;
    uint8_t firstByte;
    const bool fits = [&] {
      if (code < next && (code < clear || code > end)) {
        length = dict.Length(code);
        firstByte = dict.First(code);
        return true;
      }
      if (code == next && previous >= 0) {
        // The string being defined: the previous one and its own first byte.
        length = dict.Length(previous) + 1;
        firstByte = dict.First(previous);
        return true;
      }
      return false;  // a code the dictionary does not hold yet
    }();
    if (!fits) return false;
    uint8_t* target = size_t(length) <= total - at ? out + at : spill;
    if (code == next) {
      dict.Write(previous, length - 1, target);
      target[length - 1] = firstByte;
    } else {
      dict.Write(code, length, target);
    }
    if (target == spill) std::memcpy(out + at, spill, total - at);

    if (previous >= 0 && next < kMaxCodes) {
      dict.Set(next, previous, dict.Length(previous) + 1, firstByte, dict.First(previous));
      ++next;
    }
    // Codes widen once the next entry would not fit. Tested after the first code too, which
    // matters only for a minimum size of 1: its first entry (4) already needs three bits.
    if (next >= (1 << width) && width < kMaxCodeWidth) ++width;
    previous = code;
    at += std::min(size_t(length), total - at);
  }
  return true;
}

// Moves rows from file order to their places: every 8th row from 0, every 8th from 4, every 4th
// from 2, every 2nd from 1.
void Deinterlace(uint8_t* pixels, int32_t width, int32_t height) {
  static constexpr int kStart[4] = {0, 4, 2, 1};
  static constexpr int kStep[4] = {8, 8, 4, 2};
  const size_t w = size_t(width);
  std::vector<uint8_t> fileOrder(pixels, pixels + w * size_t(height));
  const uint8_t* row = fileOrder.data();
  for (int pass = 0; pass < 4; ++pass)
    for (int32_t y = kStart[pass]; y < height; y += kStep[pass], row += w)
      std::memcpy(pixels + size_t(y) * w, row, w);
}

}  // namespace

PicturePtr DecodeGif(std::span<const uint8_t> d, GifDetails* details) {
  GifDetails found;
  if (d.size() <= 13) return nullptr;
  if (std::memcmp(d.data(), "GIF8", 4) != 0 || (d[4] != '7' && d[4] != '9') || d[5] != 'a')
    return nullptr;
  const uint8_t screenFlags = d[10];
  size_t pos = 13;
  const uint8_t* globalTable = nullptr;
  int32_t globalCount = 0;
  if (screenFlags & 0x80) {
    globalCount = 2 << (screenFlags & 7);
    if (size_t(globalCount) * 3 > d.size() - pos) return nullptr;
    globalTable = d.data() + pos;
    pos += size_t(globalCount) * 3;
  }

  // One walk over the blocks up to the first image. Reaching the trailer (or a zero byte, which
  // an animation player treats alike) means the file holds no image: rewinding would only walk
  // the same blocks again.
  for (;;) {
    if (pos >= d.size()) return nullptr;
    const uint8_t introducer = d[pos];
    if (introducer == 0x2C) break;
    if (introducer != 0x21 || d.size() - pos < 2) return nullptr;
    const uint8_t label = d[pos + 1];
    pos += 2;
    if (label == 0xF9) {
      if (pos < d.size() && d[pos] >= 4 && d.size() - pos > 4) {
        const uint8_t* g = d.data() + pos + 1;
        found.disposal = (g[0] >> 2) & 7;
        found.transparent = g[0] & 1;
        found.delay = Word(g + 1);
        found.transparentIndex = g[3];
      }
    } else if (label != 0x01 && label != 0xFE && label != 0xFF) {
      return nullptr;
    }
    if (!SkipSubBlocks(d, pos)) return nullptr;
  }

  if (d.size() - pos < 10) return nullptr;
  const uint8_t* descriptor = d.data() + pos + 1;
  const int32_t width = Word(descriptor + 4);
  const int32_t height = Word(descriptor + 6);
  const uint8_t flags = descriptor[8];
  pos += 10;
  if (!PictureSizeAllowed(width, height)) return nullptr;
  const uint8_t* table = globalTable;
  int32_t count = globalCount;
  if (flags & 0x80) {
    count = 2 << (flags & 7);
    if (size_t(count) * 3 > d.size() - pos) return nullptr;
    table = d.data() + pos;
    pos += size_t(count) * 3;
  }
  if (pos >= d.size()) return nullptr;
  const int minimumSize = d[pos++];
  found.interlaced = flags & 0x40;
  found.localPalette = flags & 0x80;
  if (found.transparent && found.transparentIndex < count) {
    const uint8_t* e = table + 3 * found.transparentIndex;
    found.transparentColour = e[0] | e[1] << 8 | uint32_t(e[2]) << 16;
  }

  const int64_t pixels = int64_t{width} * height;
  if (minimumSize < 1 || minimumSize > 8 || pixels > MostPixels(d.size() - pos, minimumSize))
    return nullptr;
  PicturePtr picture =
      NewPicture(kGifPicture, width, height, pixels + kPaletteHeaderSize + kGifDictionarySize);
  WritePaletteHeader(picture->data, width, height, table, table ? count : 0);
  uint8_t* pixelData = picture->data + kPaletteHeaderSize;
  std::memset(pixelData, 0, size_t(pixels));
  Dictionary dict(pixelData + pixels);
  if (!DecodeLzw(d, pos, minimumSize, dict, pixelData, size_t(pixels))) return nullptr;
  if (found.interlaced) Deinterlace(pixelData, width, height);
  if (details != nullptr) *details = found;
  return picture;
}

}  // namespace runtime
