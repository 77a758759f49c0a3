// Decoding and drawing the pictures the game uses most: a piece sprite on every draw, the board.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/pictures/gif_decoder.h"
#include "runtime/pictures/picture.h"
#include "runtime/pictures/surface.h"

namespace {

std::vector<uint8_t> ReadAsset(const std::string& name) {
  std::string here = __FILE__;
  std::string root = here.substr(0, here.rfind('/')) + "/../assets/";
  std::ifstream in(root + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void DecodeSprite(benchmark::State& state) {
  const std::vector<uint8_t> gif = ReadAsset("sprites/piece08.gif");
  if (!runtime::DecodeGif(gif)) state.SkipWithError("no sprite");
  for (auto _ : state) {
    runtime::PicturePtr p = runtime::LoadPictureFromMemory(gif);
    benchmark::DoNotOptimize(p.get());
  }
}
BENCHMARK(DecodeSprite);

void DrawSpriteTransparent(benchmark::State& state) {
  runtime::PicturePtr sprite = runtime::LoadPictureFromMemory(ReadAsset("sprites/piece08.gif"));
  runtime::Surface surface(436, 484, 0x80B0D0);
  for (auto _ : state) {
    runtime::PaintPicture(sprite.get(), surface, 100, 100, -1, -1, -0xFFFFFF);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(DrawSpriteTransparent);

void DecodeBoard(benchmark::State& state) {
  const std::vector<uint8_t> jpeg = ReadAsset("board.jpg");
  for (auto _ : state) {
    runtime::PicturePtr p = runtime::LoadPictureFromMemory(jpeg);
    benchmark::DoNotOptimize(p.get());
  }
}
BENCHMARK(DecodeBoard)->Unit(benchmark::kMicrosecond);

void DrawBoardBackground(benchmark::State& state) {
  runtime::PicturePtr board = runtime::LoadPictureFromMemory(ReadAsset("board.jpg"));
  runtime::Surface surface(436, 484, 0);
  for (auto _ : state) {
    runtime::DrawBackgroundPicture(board.get(), surface, {0, 0, 436, 484},
                                   runtime::kBackgroundTopLeft);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(DrawBoardBackground)->Unit(benchmark::kMicrosecond);

}  // namespace
