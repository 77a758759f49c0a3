// Drawing the board and the pieces on the main window's three panels: the lines once per new
// game, then square by square, each square composed in the buffer panel from the clean copy of
// the empty board and a sprite.
#pragma once

#include <cstdint>

#include "game/twoply/board.h"
#include "runtime/pictures/surface.h"

namespace game {

// Geometry of the board panel (the cells are in game/board.h): 44-pixel sprites at the cells'
// top-left corners.
inline constexpr int32_t kSprite = 44;
inline constexpr int32_t kPanelWidth = 436;
inline constexpr int32_t kPanelHeight = 484;

// Where the highlight sprite was drawn last, and the code of the piece highlighted there; kept
// by the one who draws the board.
struct Highlight {
  twoply::Square square{0, 0};
  int16_t code = 0;
};

// Every piece is drawn in the colours of the side below, `below` (the Human's): red unless he
// plays black, when every piece is drawn in the other side's colours.

// A new picture decoded from the embedded sprite of `code` (1..14), or 0 for any other code or
// data that does not decode. The caller unloads it after drawing.
int32_t NormalSprite(int32_t code, twoply::Colour below = twoply::Colour::kRed);
int32_t HighlightSprite(int32_t code, twoply::Colour below = twoply::Colour::kRed);

// The lines of the board on BoardPanel: the grid with pen width 2, the frame with 3, the palace
// diagonals with 1.
void DrawEmptyBoard();
// The clean cell of `square` into the buffer, the picture over it with white transparent, the
// buffer's 44 x 44 pixels onto the board; then the picture is unloaded. `n` is the size of the
// clean cell fetched, 48 or 44.
void DrawSquare(twoply::Square square, int32_t picture, int32_t n);
// The normal sprite of every occupied square of `board`.
void DrawAllPieces(const twoply::BoardArray& board, twoply::Colour below = twoply::Colour::kRed);
// Turns the earlier highlight `lit` back to normal when there is one (a piece was selected
// before) and highlights `square`, the piece taken from `board` (Board, or a position shown while
// replaying); `lit` then holds the new one.
void HighlightSelection(Highlight& lit, twoply::Square square, bool earlierHighlighted,
                        twoply::Colour below = twoply::Colour::kRed,
                        const twoply::BoardArray& board = twoply::Board);
// Shows a move before Board changes: the mover's sprite on `to`, the clean cell on `from`.
void DrawMove(twoply::Square from, twoply::Square to, twoply::Colour below = twoply::Colour::kRed);
// Every cell of BoardPanel back to the empty board.
void RestoreBoardCells();

// The whole board at a new game, with the panel's redraw suspended: background, lines, the copy
// to CleanBoardPanel, the pieces.
void DrawNewBoard(twoply::Colour below = twoply::Colour::kRed);
// The whole board after Board was replaced (or an earlier position, replayed), with the panel
// hidden meanwhile.
void RedrawBoard(const twoply::BoardArray& board = twoply::Board,
                 twoply::Colour below = twoply::Colour::kRed);

// The board as a picture of its own, for a window that shows a board apart from the main window's
// panel (the editor): the empty board of CleanBoardPanel (drawn by the first new game) with the
// pieces of `board` in the colours of the side below.
runtime::Surface BoardPicture(const twoply::BoardArray& board,
                              twoply::Colour below = twoply::Colour::kRed);
// One piece's sprite on the board's wood at the top-left cell, 44 x 44 pixels.
runtime::Surface PiecePicture(uint8_t code, twoply::Colour below = twoply::Colour::kRed);

// The hint's target marked with four red corners, and the mark taken off: the clean cell and the
// piece Board has there.
void DrawHintMark(twoply::Square target);
void EraseHintMark(twoply::Square target, twoply::Colour below = twoply::Colour::kRed);

}  // namespace game
