// The pictures the program carries, through the loader and onto a surface as the game draws them.
#include <gtest/gtest.h>

#include <cstdio>

#include "runtime/pictures/gif_decoder.h"
#include "runtime/pictures/picture.h"
#include "runtime/pictures/surface.h"

namespace {

std::string Asset(const std::string& name) {
  return std::string(XQ_SOURCE_DIR) + "/assets/" + name;
}

TEST(AssetPictures, EverySpriteIsAGifWhoseWhiteCornersStayTransparent) {
  constexpr uint32_t kBackground = 0x2050A0;
  for (const char* set : {"piece", "selected"})
    for (int code = 1; code <= 14; ++code) {
      char name[64];
      std::snprintf(name, sizeof name, "sprites/%s%02d.gif", set, code);
      SCOPED_TRACE(name);
      runtime::PicturePtr sprite = runtime::LoadPictureFromFile(Asset(name));
      ASSERT_TRUE(sprite);
      EXPECT_EQ(sprite->kind, runtime::kGifPicture);
      EXPECT_EQ(sprite->width, 44);
      EXPECT_EQ(sprite->height, 44);
      EXPECT_EQ(sprite->dataSize, 44 * 44 + 25640);

      runtime::Surface board(60, 60, kBackground);
      runtime::PaintPicture(sprite.get(), board, 8, 8, -1, -1, -0xFFFFFF);
      for (auto [x, y] : {std::pair{8, 8}, {51, 8}, {8, 51}, {51, 51}})
        EXPECT_EQ(board.Pixel(x, y), kBackground) << x << "," << y;
      EXPECT_NE(board.Pixel(30, 30), kBackground);
      for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) ASSERT_NE(board.Pixel(x, y), 0xFFFFFFu) << x << "," << y;
    }
}

TEST(AssetPictures, BoardLogoIconAndCursorLoadAtTheirSizes) {
  struct Row {
    const char* file;
    runtime::PictureKind kind;
    int32_t width, height;
  };
  for (Row row : {Row{"board.jpg", runtime::kJpegPicture, 436, 484},
                  Row{"logo.jpg", runtime::kJpegPicture, 136, 146},
                  Row{"icon.ico", runtime::kIconPicture, 32, 32},
                  Row{"hand.cur", runtime::kCursorPicture, 32, 32}}) {
    runtime::PicturePtr p = runtime::LoadPictureFromFile(Asset(row.file));
    ASSERT_TRUE(p) << row.file;
    EXPECT_EQ(p->kind, row.kind) << row.file;
    EXPECT_EQ(p->width, row.width) << row.file;
    EXPECT_EQ(p->height, row.height) << row.file;
  }
  runtime::PicturePtr cursor = runtime::LoadPictureFromFile(Asset("hand.cur"));
  ASSERT_TRUE(cursor);
  EXPECT_EQ(cursor->icon->hotX, 6);
  EXPECT_EQ(cursor->icon->hotY, 1);
}

}  // namespace
