// Runtime arrays: 1-based access, the order of the index tests, redimensioning, constants.
#include "runtime/array.h"

#include <gtest/gtest.h>

#include "runtime/text_codec.h"
#include "tests/support/death.h"

using runtime::Array;
using runtime::ErrorMessage;
using runtime::Gb;
using runtime::GbToUtf8Lossy;

namespace {

std::string CodeLine(int code) {
  return "错误代码：" + std::to_string(code) + "\r\n\r\n错误信息：" +
         GbToUtf8Lossy(ErrorMessage(code));
}

Array<uint8_t> NumberedBoard() {
  Array<uint8_t> board{10, 9};
  for (int i = 1; i <= 90; ++i) board[i] = static_cast<uint8_t>(i);
  return board;
}

TEST(ArrayTest, BoardIsRowMajorAndOneBased) {
  Array<uint8_t> board = NumberedBoard();
  EXPECT_EQ(board.Dimensions(), 2);
  EXPECT_EQ(board.Size(1), 10);
  EXPECT_EQ(board.Size(2), 9);
  EXPECT_EQ(board(1, 1), 1);
  EXPECT_EQ(board(1, 9), 9);
  EXPECT_EQ(board(2, 1), 10);
  EXPECT_EQ(board(10, 9), 90);  // the last element
  EXPECT_EQ(board[90], 90);     // one index reaches every element as a flat row
}

TEST(ArrayTest, NewArraysAreZero) {
  Array<int32_t> list{4, 70};
  for (int i = 1; i <= 280; ++i) ASSERT_EQ(list[i], 0);
}

TEST(ArrayTest, IndexesComputedInDoublesAreTruncated) {
  Array<uint8_t> board = NumberedBoard();
  EXPECT_EQ(board(2.9, 1.5), 10);
  EXPECT_EQ(board[90.99], 90);
}

TEST(ArrayDeathTest, IndexErrorsCarryTheirCodes) {
  Array<uint8_t> board = NumberedBoard();
  EXPECT_RUNTIME_ERROR(board(0, 5), CodeLine(4));
  EXPECT_RUNTIME_ERROR(board(11, 5), CodeLine(1));
  EXPECT_RUNTIME_ERROR(board(10, 10), CodeLine(1));
  EXPECT_RUNTIME_ERROR(board[91], CodeLine(1));
  EXPECT_RUNTIME_ERROR(board[0], CodeLine(4));
  EXPECT_RUNTIME_ERROR(board(0.5, 1), CodeLine(4));  // truncates to 0
  Array<int16_t> row{5};
  EXPECT_RUNTIME_ERROR(row(1, 1), CodeLine(3));
  Array<int16_t> cube{2, 2, 2};
  EXPECT_RUNTIME_ERROR(cube(1, 1), CodeLine(3));
}

TEST(ArrayDeathTest, BelowOneIsTestedBeforeTheIndexCount) {
  Array<int16_t> row{5};
  EXPECT_RUNTIME_ERROR(row(0, 1, 1), CodeLine(4));
  EXPECT_RUNTIME_ERROR(row(1, 1, 1), CodeLine(3));
}

TEST(ArrayTest, ThreeIndexesWalkRowMajor) {
  Array<int32_t> cube{2, 3, 4};
  cube(2, 3, 4) = 7;
  cube(1, 2, 1) = 5;
  EXPECT_EQ(cube[24], 7);
  EXPECT_EQ(cube[5], 5);
}

TEST(ArrayTest, CopyIsDeep) {
  Array<uint8_t> board = NumberedBoard();
  Array<uint8_t> copy = board;
  copy(1, 1) = 99;
  EXPECT_EQ(board(1, 1), 1);
  board = copy;
  EXPECT_EQ(board(1, 1), 99);
  EXPECT_NE(board.Block(), copy.Block());
}

TEST(ArrayTest, RedimensionKeepsOrZeroesElements) {
  Array<int32_t> list{3};
  list[1] = 11;
  list[3] = 33;
  list.Redim({5}, true);
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list[1], 11);
  EXPECT_EQ(list[3], 33);
  EXPECT_EQ(list[5], 0);
  list.Redim({2, 2});
  EXPECT_EQ(list.Dimensions(), 2);
  EXPECT_EQ(list(2, 2), 0);
  list.Redim({0});  // a single dimension may be empty
  EXPECT_EQ(list.Count(), 0);
}

TEST(ArrayDeathTest, RedimensionRefusesBadSizes) {
  Array<int32_t> list{3};
  EXPECT_RUNTIME_ERROR(list.Redim({-1}), CodeLine(10));
  EXPECT_RUNTIME_ERROR(list.Redim({2, 0}), CodeLine(10));
  Array<int32_t> empty{0};
  EXPECT_RUNTIME_ERROR(empty[1], CodeLine(1));
}

TEST(ArrayTest, ConstantArrayIsCopiedBeforeTheFirstChange) {
  const int32_t header[3] = {2, 2, 2};
  uint8_t bytes[sizeof header + 4];
  std::memcpy(bytes, header, sizeof header);
  const uint8_t elements[4] = {1, 2, 3, 4};
  std::memcpy(bytes + sizeof header, elements, 4);
  const void* constant = runtime::MakeConstant(bytes, sizeof bytes);

  Array<uint8_t> fixed = Array<uint8_t>::FromConstant(constant);
  const Array<uint8_t>& reader = fixed;
  EXPECT_EQ(reader(2, 1), 3);
  EXPECT_EQ(fixed.Block(), constant);  // reading leaves it where it is
  fixed(2, 1) = 30;
  EXPECT_NE(fixed.Block(), constant);
  EXPECT_EQ(fixed(2, 1), 30);
  EXPECT_EQ(static_cast<const uint8_t*>(constant)[sizeof header + 2], 3);  // the constant is intact
}

TEST(ArrayTest, MakeArrayWritableLeavesHeapBlocksAlone) {
  void* heap = runtime::NewArrayBlock(std::vector<int32_t>{4}, 2);
  void* variable = heap;
  runtime::MakeArrayWritable(2, variable);
  EXPECT_EQ(variable, heap);
  runtime::RuntimeFree(variable);
}

}  // namespace

namespace {

TEST(ArrayTest, EightByteElementsStayAligned) {
  Array<double> row{3};
  Array<double> cube{2, 2, 2};
  row[3] = 1.5;
  cube(2, 2, 2) = 2.5;
  EXPECT_EQ(reinterpret_cast<uintptr_t>(&row[1]) % alignof(double), 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(&cube(1, 1, 1)) % alignof(double), 0u);
  EXPECT_EQ(row[3] + cube[8], 4.0);
}

TEST(ArrayDeathTest, EightByteElementsRefuseAnEvenDimensionCount) {
  EXPECT_DEATH(Array<double>({2, 2}), "odd number of dimensions");
  Array<int64_t> list{4};
  EXPECT_DEATH(list.Redim({2, 2}), "odd number of dimensions");
}

}  // namespace
