// The core commands through the calling convention.
#include "runtime/commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "runtime/array.h"
#include "runtime/services.h"
#include "runtime/text_codec.h"
#include "tests/support/death.h"

using namespace runtime;

namespace {

ByteSet Bytes(std::vector<uint8_t> v) {
  return ByteSet(v);
}
std::vector<uint8_t> Vec(const ByteSet& b) {
  return {b.Bytes().begin(), b.Bytes().end()};
}
std::string Utf8(const Text& t) {
  return GbToUtf8Lossy(t.View());
}
Text TextOf(const ValueRecord& r) {
  return Text::Adopt(const_cast<char*>(TextResult(r)));
}

TEST(ArithmeticTest, IntDivideDropsTheFractionTowardZero) {
  EXPECT_EQ(IntDivide(7, 2), 3);
  EXPECT_EQ(IntDivide(-7, 2), -3);
  EXPECT_EQ(IntDivide(100, 48), 2);
  EXPECT_EQ(IntDivide(100, 3, 4), 8);  // 33, then 8
  EXPECT_EQ(IntDivide(-100, 3, -4), 8);
}

TEST(ArithmeticTest, RemainderKeepsTheSignOfTheDividend) {
  EXPECT_EQ(Remainder(-7, 2), -1);
  EXPECT_EQ(Remainder(7.5, 2), 1.5);
  EXPECT_EQ(Remainder(100, 30, 7), 3);
}

TEST(ArithmeticTest, OmittedTrailingArgumentsAreSkipped) {
  ValueRecord args[] = {MakeDouble(9), MakeInteger(2), ValueRecord{}};
  EXPECT_EQ(DoubleOf(CallCommand(CommandId::IntDivide, 3, args)), 4);
}

TEST(ArithmeticDeathTest, DivisionByZeroEndsTheProgram) {
  EXPECT_RUNTIME_ERROR(IntDivide(1, 0), "错误信息：不能整除于零");
  EXPECT_RUNTIME_ERROR(IntDivide(8, 2, 0), "错误信息：不能整除于零");
  EXPECT_RUNTIME_ERROR(Remainder(1, 0), "错误信息：不能求余数于零");
}

TEST(ArithmeticTest, AbsRgbAndTicks) {
  EXPECT_EQ(Abs(-2.5), 2.5);
  EXPECT_EQ(Abs(3), 3);
  EXPECT_EQ(Rgb(255, 255, 255), 16777215);
  EXPECT_EQ(Rgb(300, 0, 0), 300);          // red is not masked
  EXPECT_EQ(Rgb(0, 256 + 2, 0), 2 * 256);  // green is
  EXPECT_EQ(Rgb(1, 2, 3), 0x030201);
  int32_t a = TickCount(), b = TickCount();
  EXPECT_GE(static_cast<uint32_t>(b) - static_cast<uint32_t>(a), 0u);
  EXPECT_LT(static_cast<uint32_t>(b) - static_cast<uint32_t>(a), 60000u);
}

TEST(ArithmeticTest, TruncationTowardZero) {
  EXPECT_EQ(TruncateToInteger(2.9), 2);
  EXPECT_EQ(TruncateToInteger(-2.9), -2);
  EXPECT_EQ(TruncateToInteger(1e300), INT32_MIN);
  EXPECT_EQ(TruncateToInteger(NAN), INT32_MIN);
  EXPECT_EQ(IntegerResult(MakeDouble(-2.9)), -2);
}

TEST(ToTextTest, EveryInputKind) {
  EXPECT_EQ(Utf8(ToText(5)), "5");
  EXPECT_EQ(Utf8(ToText(-12)), "-12");
  EXPECT_EQ(Utf8(ToText(MakeByte(200))), "200");
  EXPECT_EQ(Utf8(ToText(MakeShort(-3))), "-3");
  EXPECT_EQ(Utf8(ToText(MakeLong(-9000000000LL))), "-9000000000");
  EXPECT_EQ(Utf8(ToText(MakeFloat(1.0f / 3))), "0.333333");
  EXPECT_EQ(Utf8(ToText(MakeDouble(0.1))), "0.1");
  EXPECT_EQ(Utf8(ToText(MakeDouble(1.0 / 3))), "0.3333333333333");
  EXPECT_EQ(Utf8(ToText(MakeLogic(true))), "真");
  EXPECT_EQ(Utf8(ToText(MakeLogic(false))), "假");
  Text abc(Gb("象棋"));
  EXPECT_EQ(Utf8(ToText(abc.Argument())), "象棋");
  ByteSet withZero = Bytes({'a', 'b', 0, 'c'});
  EXPECT_EQ(Utf8(ToText(withZero.Argument())), "ab");
  EXPECT_TRUE(ToText(MakePointer(kind::kText, EmptyTextArgument())).Empty());
  EXPECT_EQ(Utf8(ToText(0)), "0");
  EXPECT_TRUE(ToText(ValueRecord{}).Empty());  // anything else: empty
}

TEST(ToTextTest, DateTimeShowsOnlyTheTimePartsThatAreSet) {
  EXPECT_EQ(Utf8(ToText(MakeDateTime(0))), "1899年12月30日");
  EXPECT_EQ(Utf8(ToText(MakeDateTime(2.5))), "1900年1月1日12时");
  EXPECT_EQ(Utf8(ToText(MakeDateTime(45000 + (10 * 60 + 5) / 1440.0))), "2023年3月15日10时5分");
  EXPECT_EQ(Utf8(ToText(MakeDateTime(1 + 1.0 / 86400))), "1899年12月31日0时0分1秒");
  EXPECT_EQ(Utf8(ToText(MakeDateTime(-1.25))), "1899年12月29日6时");
  EXPECT_EQ(Utf8(ToText(MakeDateTime(kMinDateTime))), "100年1月1日");
  EXPECT_EQ(Utf8(ToText(MakeDateTime(kMaxDateTime))), "9999年12月31日");
}

TEST(ToBytesTest, MemoryOrderOfEachKind) {
  EXPECT_EQ(Vec(ToBytes(MakeInteger(1))), (std::vector<uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(Vec(ToBytes(MakeByte(7))), (std::vector<uint8_t>{7}));
  EXPECT_EQ(Vec(ToBytes(MakeShort(-2))), (std::vector<uint8_t>{0xFE, 0xFF}));
  EXPECT_EQ(ToBytes(MakeDouble(1.0)).Length(), 8);
  Text abc("abc");
  EXPECT_EQ(Vec(ToBytes(abc.Argument())), (std::vector<uint8_t>{'a', 'b', 'c'}));
  EXPECT_EQ(Vec(ToBytes(Text(Gb("象棋棋局")).Argument())),
            (std::vector<uint8_t>{0xcf, 0xf3, 0xc6, 0xe5, 0xc6, 0xe5, 0xbe, 0xd6}));
  Array<int16_t> shorts{2};
  shorts[1] = 1;
  shorts[2] = 0x0203;
  EXPECT_EQ(Vec(ToBytes(shorts.Argument())), (std::vector<uint8_t>{1, 0, 3, 2}));
  Array<int16_t> grid{2, 2};
  EXPECT_TRUE(ToBytes(grid.Argument()).Empty());
  EXPECT_TRUE(ToBytes(MakePointer(kind::kText, EmptyTextArgument())).Empty());
}

TEST(ByteSetTest, EmptyIsNull) {
  ByteSet none = Bytes({});
  EXPECT_TRUE(none.Empty());
  EXPECT_EQ(none.Block(), nullptr);
  EXPECT_EQ(BytesLength(none), 0);
  EXPECT_EQ(BytesLength(Bytes({1, 2, 3})), 3);
}

TEST(ByteSetTest, LeftAndMidClamp) {
  ByteSet ten = Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  EXPECT_EQ(BytesLeft(ten, 20), ten);
  EXPECT_TRUE(BytesLeft(ten, 0).Empty());
  EXPECT_TRUE(BytesLeft(ten, -5).Empty());
  EXPECT_EQ(Vec(BytesLeft(ten, 2)), (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(Vec(BytesMid(ten, 9, 5)), (std::vector<uint8_t>{9, 10}));
  EXPECT_EQ(Vec(BytesMid(ten, 0, 3)), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(Vec(BytesMid(ten, -100, 1)), (std::vector<uint8_t>{1}));
  EXPECT_TRUE(BytesMid(ten, 11, 3).Empty());
  EXPECT_TRUE(BytesMid(ten, 3, -1).Empty());
  EXPECT_TRUE(BytesMid(ByteSet(), 1, 3).Empty());
}

TEST(BytesGetTest, NumbersOfEveryKind) {
  ByteSet data = Bytes({0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08});
  EXPECT_EQ(BytesGet(data, kGetByte).kind, kind::kByte);
  EXPECT_EQ(IntegerResult(BytesGet(data, kGetByte)), 1);
  EXPECT_EQ(IntegerResult(BytesGet(data, kGetShort)), 0x0201);
  EXPECT_EQ(IntegerResult(BytesGet(data, kGetInteger)), 0x04030201);
  EXPECT_EQ(BytesGet(data, kGetLong).value, 0x0807060504030201u);
  EXPECT_EQ(IntegerResult(BytesGet(data, kGetInteger, 5)), 0x08070605);
  // Past the end the value is filled up with zero bytes.
  EXPECT_EQ(IntegerResult(BytesGet(data, kGetInteger, 7)), 0x0807);
  EXPECT_EQ(IntegerResult(BytesGet(data, kGetInteger, 9)), 0);
  // Below 1 nothing is read.
  EXPECT_EQ(IntegerResult(BytesGet(data, kGetInteger, 0)), 0);
  float f = 1.5f;
  double d = -2.25;
  ByteSet floats = ByteSet(std::span(reinterpret_cast<const uint8_t*>(&f), 4));
  ByteSet doubles = ByteSet(std::span(reinterpret_cast<const uint8_t*>(&d), 8));
  EXPECT_EQ(NumberResult(BytesGet(floats, kGetFloat)), 1.5);
  EXPECT_EQ(NumberResult(BytesGet(doubles, kGetDouble)), -2.25);
  EXPECT_EQ(BytesGet(data, kGetLogic).kind, kind::kLogic);
  EXPECT_EQ(LowInteger(BytesGet(data, kGetLogic)), 1);
  EXPECT_EQ(BytesGet(data, kGetRoutine).kind, kind::kRoutine);
}

TEST(BytesGetTest, DateTimeIsClampedToItsRange) {
  double huge = 1e12;
  ByteSet data = ByteSet(std::span(reinterpret_cast<const uint8_t*>(&huge), 8));
  ValueRecord r = BytesGet(data, kGetDateTime);
  EXPECT_EQ(r.kind, kind::kDateTime);
  EXPECT_EQ(DoubleOf(r), kMaxDateTime);
}

TEST(BytesGetTest, TextsAndPositionVariables) {
  ByteSet header = ToBytes(Text(Gb("象棋棋局")).Argument());
  Text text = TextOf(BytesGet(header, kGetText));
  EXPECT_EQ(text.View().size(), 8u);
  EXPECT_EQ(Utf8(text), "象棋棋局");

  ByteSet data = Bytes({'a', 'b', 0, 'c', 'd'});
  int32_t position = 1;
  EXPECT_EQ(TextOf(BytesGet(data, kGetText, &position)).View(), "ab");
  EXPECT_EQ(position, 4);
  EXPECT_EQ(TextOf(BytesGet(data, kGetText, &position)).View(), "cd");
  EXPECT_EQ(position, -1);  // the end was reached
  EXPECT_TRUE(TextOf(BytesGet(data, kGetText, &position)).Empty());
  EXPECT_EQ(position, -1);

  ByteSet four = Bytes({1, 2, 3, 4});
  position = 1;
  BytesGet(four, kGetShort, &position);
  EXPECT_EQ(position, 3);
  EXPECT_EQ(IntegerResult(BytesGet(four, kGetShort, &position)), 0x0403);
  EXPECT_EQ(position, -1);
}

TEST(BytesGetDeathTest, InvalidKind) {
  ByteSet data = Bytes({1});
  EXPECT_RUNTIME_ERROR(BytesGet(data, 99), "错误信息：“欲取出数据的类型”参数值无效");
  EXPECT_RUNTIME_ERROR(BytesGet(data, 0), "“欲取出数据的类型”参数值无效");
}

TEST(ResultKindDeathTest, NumbersAndTextsAreChecked) {
  EXPECT_RUNTIME_ERROR(NumberResult(MakePointer(kind::kText, "x")), "错误代码：2");
  EXPECT_RUNTIME_ERROR(TextResult(MakeInteger(1)), "错误代码：5");
}

TEST(CommandTest, OmittedInputGivesTheEmptyByteSet) {
  ValueRecord r = CallCommand(CommandId::ToBytes, {ValueRecord{}});
  EXPECT_EQ(r.value, 0u);
  EXPECT_EQ(r.kind, kind::kByteSet);
}

}  // namespace

TEST(CommandTest, MessageBoxHandsItsTextsToTheSystemInUtf8) {
  std::vector<std::string> shown;
  InstallMessageBox([&shown](BoxIcon icon, const std::string& text, const std::string& caption) {
    shown.push_back(std::to_string(int(icon)) + "|" + caption + "|" + text);
  });
  MessageBox(Text(Gb("棋局没有保存。")), Text(Gb("保存棋局")), kIconWarning);
  MessageBox(Text(), Text(), 99);
  InstallMessageBox(nullptr);
  EXPECT_EQ(shown, (std::vector<std::string>{
                       std::to_string(int(BoxIcon::kWarning)) + "|保存棋局|棋局没有保存。",
                       std::to_string(int(BoxIcon::kNone)) + "||"}));
}
