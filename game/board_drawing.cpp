#include "game/board_drawing.h"

#include <array>

#include "game/units.h"
#include "runtime/commands.h"
#include "runtime/pictures/picture.h"
#include "runtime/pictures/picture_commands.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window_commands.h"

// The 28 sprites, compiled into the library from assets/sprites (game/CMakeLists.txt).
#define XQ_SPRITE_SYMBOLS(nn)                        \
  extern const unsigned char SpritePiece##nn[];      \
  extern const unsigned long SpritePiece##nn##_size; \
  extern const unsigned char SpriteSelected##nn[];   \
  extern const unsigned long SpriteSelected##nn##_size;
extern "C" {
XQ_SPRITE_SYMBOLS(01)
XQ_SPRITE_SYMBOLS(02)
XQ_SPRITE_SYMBOLS(03)
XQ_SPRITE_SYMBOLS(04)
XQ_SPRITE_SYMBOLS(05)
XQ_SPRITE_SYMBOLS(06)
XQ_SPRITE_SYMBOLS(07)
XQ_SPRITE_SYMBOLS(08)
XQ_SPRITE_SYMBOLS(09)
XQ_SPRITE_SYMBOLS(10)
XQ_SPRITE_SYMBOLS(11)
XQ_SPRITE_SYMBOLS(12)
XQ_SPRITE_SYMBOLS(13)
XQ_SPRITE_SYMBOLS(14)
}
#undef XQ_SPRITE_SYMBOLS

namespace game {

using namespace twoply;

namespace {

struct EmbeddedFile {
  const unsigned char* data;
  const unsigned long* size;
};

// Each code's normal and highlight sprite.
struct SpritePair {
  EmbeddedFile normal, highlight;
};

#define XQ_SPRITE_PAIR(nn)                           \
  SpritePair {                                       \
    {SpritePiece##nn, &SpritePiece##nn##_size}, {    \
      SpriteSelected##nn, &SpriteSelected##nn##_size \
    }                                                \
  }
constexpr SpritePair kSpriteFiles[kLastPieceCode] = {
    XQ_SPRITE_PAIR(01), XQ_SPRITE_PAIR(02), XQ_SPRITE_PAIR(03), XQ_SPRITE_PAIR(04),
    XQ_SPRITE_PAIR(05), XQ_SPRITE_PAIR(06), XQ_SPRITE_PAIR(07), XQ_SPRITE_PAIR(08),
    XQ_SPRITE_PAIR(09), XQ_SPRITE_PAIR(10), XQ_SPRITE_PAIR(11), XQ_SPRITE_PAIR(12),
    XQ_SPRITE_PAIR(13), XQ_SPRITE_PAIR(14)};
#undef XQ_SPRITE_PAIR

using SpriteSet = std::array<runtime::ByteSet, kLastPieceCode>;

// The sprites as byte-set constants of the program: made once in the constant area, never
// freed, handed to LoadPicture like any byte set.
SpriteSet MakeSpriteSet(bool highlight) {
  SpriteSet set;
  for (size_t i = 0; i < set.size(); ++i) {
    const EmbeddedFile& file = highlight ? kSpriteFiles[i].highlight : kSpriteFiles[i].normal;
    std::span<const uint8_t> bytes(file.data, size_t(*file.size));
    set[i] = runtime::ByteSet::Adopt(const_cast<void*>(runtime::MakeConstantByteSet(bytes)));
  }
  return set;
}

const runtime::ByteSet* SpriteData(int32_t code, bool highlight) {
  static const SpriteSet normal = MakeSpriteSet(false);
  static const SpriteSet highlighted = MakeSpriteSet(true);
  if (code < 1 || code > kLastPieceCode) return nullptr;
  return &(highlight ? highlighted : normal)[size_t(code - 1)];
}

int32_t DecodeSprite(int32_t code, bool highlight, Colour below) {
  // A Human playing black has the black sprites below: the two sides' sprites trade places.
  if (below == Colour::kBlack && code >= 1 && code <= kLastPieceCode)
    code = code > kHumanCodeOffset ? code - kHumanCodeOffset : code + kHumanCodeOffset;
  const runtime::ByteSet* data = SpriteData(code, highlight);
  return data != nullptr ? runtime::LoadPicture(*data) : 0;
}

int32_t CellLeft(Square s) {
  return (int32_t{s.col} - 1) * kCell;
}
int32_t CellTop(Square s) {
  return (int32_t{s.row} - 1) * kCell;
}

void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  runtime::DrawLine(BoardPanel, x1, y1, x2, y2);
}

void SetPenWidth(int32_t width) {
  runtime::SetIntegerProperty(BoardPanel, prop::kPenWidth, width);
}

// Ten passes of width 2: the vertical lines of both halves and one horizontal line each (the
// tenth pass puts its verticals at x 456, off the panel), then the two side lines over the river.
void DrawGrid(int32_t width, int32_t height) {
  SetPenWidth(2);
  for (int32_t i = 1; i <= 10; ++i) {
    int32_t v = 24 + kCell * (i - 1);
    Line(v, 24, v, 216);
    Line(v, 264, v, height - 28);
    Line(24, v, width - 28, v);
  }
  Line(24, 216, 24, 264);
  Line(408, 216, 408, 264);
}

void DrawFrame() {
  SetPenWidth(3);
  Line(19, 19, 19, 461);
  Line(413, 19, 413, 461);
  Line(19, 19, 413, 19);
  Line(19, 461, 413, 461);
}

void DrawPalaceDiagonals(int32_t height) {
  SetPenWidth(1);
  Line(168, 24, 264, 120);
  Line(168, 120, 264, 24);
  Line(168, height - 28, 264, height - 124);
  Line(264, height - 28, 168, height - 124);
}

}  // namespace

int32_t NormalSprite(int32_t code, Colour below) {
  return DecodeSprite(code, false, below);
}

int32_t HighlightSprite(int32_t code, Colour below) {
  return DecodeSprite(code, true, below);
}

void DrawEmptyBoard() {
  int32_t width = runtime::GetIntegerProperty(BoardPanel, prop::kWidth);
  int32_t height = runtime::GetIntegerProperty(BoardPanel, prop::kHeight);
  DrawGrid(width, height);
  DrawFrame();
  DrawPalaceDiagonals(height);
}

void DrawSquare(Square square, int32_t picture, int32_t n) {
  int32_t x = CellLeft(square), y = CellTop(square);
  runtime::CopyTo(CleanBoardPanel, x, y, n, n, BufferPanel, 0, 0);
  runtime::DrawPicture(BufferPanel, picture, 0, 0, kSprite, kSprite, -runtime::Rgb(255, 255, 255));
  runtime::CopyTo(BufferPanel, 0, 0, kSprite, kSprite, BoardPanel, x, y);
  runtime::UnloadPicture(picture);
}

void DrawAllPieces(const BoardArray& board, Colour below) {
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col) {
      int32_t picture = NormalSprite(board(row, col), below);
      if (picture != 0) DrawSquare(Square{uint8_t(col), uint8_t(row)}, picture, kCell);
    }
}

void HighlightSelection(Highlight& lit, Square square, bool earlierHighlighted, Colour below,
                        const BoardArray& board) {
  // The earlier piece comes back from the code recorded when it was highlighted, not from Board.
  if (earlierHighlighted) {
    int32_t earlier = NormalSprite(lit.code, below);
    if (earlier != 0) DrawSquare(lit.square, earlier, kSprite);
  }
  uint8_t code = At(board, square);
  int32_t picture = HighlightSprite(code, below);
  if (picture != 0) DrawSquare(square, picture, kSprite);
  lit = Highlight{square, code};
}

void DrawMove(Square from, Square to, Colour below) {
  int32_t picture = NormalSprite(At(Board, from), below);
  if (picture != 0) DrawSquare(to, picture, kCell);
  int32_t x = CellLeft(from), y = CellTop(from);
  runtime::CopyTo(CleanBoardPanel, x, y, kCell, kCell, BoardPanel, x, y);
}

void RestoreBoardCells() {
  // Through the 44 x 44 buffer, as every other cell drawing goes; the strip 44..47 of a cell
  // never carries a sprite, so what the buffer leaves out is already the empty board.
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col) {
      int32_t x = (col - 1) * kCell, y = (row - 1) * kCell;
      runtime::CopyTo(CleanBoardPanel, x, y, kCell, kCell, BufferPanel, 0, 0);
      runtime::CopyTo(BufferPanel, 0, 0, kCell, kCell, BoardPanel, x, y);
    }
}

void DrawNewBoard(Colour below) {
  runtime::DisableRedraw(BoardPanel);
  runtime::Clear(BoardPanel);
  DrawEmptyBoard();
  runtime::CopyTo(BoardPanel, 0, 0, kPanelWidth, kPanelHeight, CleanBoardPanel, 0, 0);
  DrawAllPieces(Board, below);
  runtime::AllowRedraw(BoardPanel);
}

void RedrawBoard(const BoardArray& board, Colour below) {
  runtime::SetLogicProperty(BoardPanel, prop::kVisible, false);
  RestoreBoardCells();
  DrawAllPieces(board, below);
  runtime::SetLogicProperty(BoardPanel, prop::kVisible, true);
}

namespace {

// A sprite decoded from the program's copy into a picture of its own.
runtime::PicturePtr SpritePicture(int32_t code, Colour below) {
  if (below == Colour::kBlack && code >= 1 && code <= kLastPieceCode)
    code = code > kHumanCodeOffset ? code - kHumanCodeOffset : code + kHumanCodeOffset;
  const runtime::ByteSet* data = SpriteData(code, false);
  if (data == nullptr) return nullptr;
  return runtime::LoadPictureFromMemory(data->Bytes());
}

}  // namespace

runtime::Surface BoardPicture(const BoardArray& board, Colour below) {
  runtime::Surface picture = runtime::PanelSurface(CleanBoardPanel);
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col)
      if (runtime::PicturePtr sprite = SpritePicture(board(row, col), below))
        runtime::PaintPicture(sprite.get(), picture, (col - 1) * kCell, (row - 1) * kCell, kSprite,
                              kSprite, -runtime::Rgb(255, 255, 255));
  return picture;
}

runtime::Surface PiecePicture(uint8_t code, Colour below) {
  const runtime::Surface board = runtime::PanelSurface(CleanBoardPanel);
  runtime::Surface picture(kSprite, kSprite);
  runtime::BlitSurface(board, runtime::Rect{0, 0, kSprite, kSprite}, picture, 0, 0,
                       runtime::kSourceCopy);
  if (runtime::PicturePtr sprite = SpritePicture(code, below))
    runtime::PaintPicture(sprite.get(), picture, 0, 0, kSprite, kSprite,
                          -runtime::Rgb(255, 255, 255));
  return picture;
}

// The hint's mark: four red corners inside the sprite's 44 x 44 pixels, drawn with the board
// panel's pen, whose width and colour are put back afterwards.
constexpr int32_t kMarkInset = 3;    // from the cell's corner
constexpr int32_t kMarkLength = 11;  // each arm of a corner
constexpr int32_t kMarkPen = 3;

void DrawHintMark(Square target) {
  const int32_t x = CellLeft(target), y = CellTop(target);
  const int32_t oldWidth = runtime::GetIntegerProperty(BoardPanel, prop::kPenWidth);
  const int32_t oldColour = runtime::GetIntegerProperty(BoardPanel, prop::kPenColour);
  runtime::SetIntegerProperty(BoardPanel, prop::kPenWidth, kMarkPen);
  runtime::SetIntegerProperty(BoardPanel, prop::kPenColour, runtime::Rgb(220, 20, 20));
  const int32_t lo = kMarkInset, hi = kSprite - 1 - kMarkInset;
  for (int32_t cx : {lo, hi})
    for (int32_t cy : {lo, hi}) {
      const int32_t dx = cx == lo ? kMarkLength : -kMarkLength;
      const int32_t dy = cy == lo ? kMarkLength : -kMarkLength;
      runtime::DrawLine(BoardPanel, x + cx, y + cy, x + cx + dx, y + cy);
      runtime::DrawLine(BoardPanel, x + cx, y + cy, x + cx, y + cy + dy);
    }
  runtime::SetIntegerProperty(BoardPanel, prop::kPenWidth, oldWidth);
  runtime::SetIntegerProperty(BoardPanel, prop::kPenColour, oldColour);
}

void EraseHintMark(Square target, Colour below) {
  const int32_t x = CellLeft(target), y = CellTop(target);
  runtime::CopyTo(CleanBoardPanel, x, y, kCell, kCell, BoardPanel, x, y);
  if (int32_t sprite = NormalSprite(At(Board, target), below); sprite != 0)
    DrawSquare(target, sprite, kCell);
}

}  // namespace game
