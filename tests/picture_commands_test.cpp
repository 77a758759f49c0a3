// LoadPicture and UnloadPicture through the command convention, and their handles.
#include "runtime/pictures/picture_commands.h"

#include <gtest/gtest.h>

#include "runtime/commands.h"
#include "runtime/text_codec.h"
#include "tests/support/picture_samples.h"

namespace {

using runtime::ByteSet;
using runtime::Text;

class PictureCommands : public testing::Test {
 protected:
  void SetUp() override { runtime::RegisterPictureCommands(); }
};

TEST_F(PictureCommands, LoadsByteSetsAndFilesIntoHandles) {
  const int32_t before = runtime::RegisteredPictureCount();
  ByteSet sprite(test_pictures::MakeSpriteGif());
  int32_t a = runtime::LoadPicture(sprite);
  ASSERT_GT(a, 0);
  const runtime::Picture* p = runtime::PictureForHandle(a);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->kind, runtime::kGifPicture);
  EXPECT_EQ(p->width, 44);

  Text name(runtime::Gb(std::string(XQ_SOURCE_DIR) + "/tests/data/pictures/colour.jpg"));
  int32_t b = runtime::LoadPicture(name);
  ASSERT_GT(b, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(runtime::PictureForHandle(b)->kind, runtime::kJpegPicture);
  EXPECT_EQ(runtime::RegisteredPictureCount(), before + 2);

  runtime::UnloadPicture(a);
  EXPECT_EQ(runtime::PictureForHandle(a), nullptr);
  EXPECT_NE(runtime::PictureForHandle(b), nullptr);
  runtime::UnloadPicture(a);  // twice: nothing happens
  runtime::UnloadPicture(b);
  EXPECT_EQ(runtime::RegisteredPictureCount(), before);
  // A new picture never takes an old handle.
  int32_t c = runtime::LoadPicture(sprite);
  EXPECT_GT(c, b);
  runtime::UnloadPicture(c);
}

TEST_F(PictureCommands, GiveZeroForEmptyWrongOrUndecodableInput) {
  const int32_t before = runtime::RegisteredPictureCount();
  EXPECT_EQ(runtime::LoadPicture(ByteSet()), 0);
  EXPECT_EQ(runtime::LoadPicture(Text()), 0);
  EXPECT_EQ(runtime::LoadPicture(ByteSet(test_pictures::Bytes{'B', 'M', 0, 0, 0})), 0);
  EXPECT_EQ(runtime::LoadPicture(Text("/no/such/picture.gif")), 0);
  auto direct = [](runtime::ValueRecord arg) {
    return runtime::LowInteger(runtime::CallCommand(runtime::CommandId::LoadPicture, {arg}));
  };
  EXPECT_EQ(direct(runtime::MakeInteger(5)), 0);
  EXPECT_EQ(direct(runtime::MakeDouble(1.5)), 0);
  EXPECT_EQ(direct(runtime::ValueRecord{}), 0);
  EXPECT_EQ(runtime::CallCommand(runtime::CommandId::LoadPicture, 0, nullptr).value, 0u);
  EXPECT_EQ(runtime::RegisteredPictureCount(), before);
  EXPECT_EQ(runtime::PictureForHandle(0), nullptr);
  EXPECT_EQ(runtime::PictureForHandle(-3), nullptr);
  runtime::UnloadPicture(0);
  runtime::UnloadPicture(123456);
  EXPECT_FALSE(runtime::UnregisterPicture(123456));
}

}  // namespace
