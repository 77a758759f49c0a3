#include "runtime/pictures/picture_commands.h"

#include <map>

#include "runtime/commands.h"
#include "runtime/lifecycle.h"
#include "runtime/text_codec.h"

namespace runtime {

namespace {

struct Registry {
  std::map<int32_t, PicturePtr> pictures;
  int32_t last = 0;
};

Registry& Pictures() {
  static Registry registry;
  return registry;
}

void FreeAllPictures() {
  Pictures().pictures.clear();
}

void CmdLoadPicture(ValueRecord* result, int32_t count, const ValueRecord* args) {
  *result = MakeInteger(0);
  if (count < 1) return;
  const ValueRecord& input = args[0];
  PicturePtr picture;
  if (input.kind == kind::kByteSet || input.kind == (kind::kByte | kind::kArrayFlag)) {
    picture = LoadPictureFromMemory(ByteSetBytes(PointerOf<const void>(input)));
  } else if (input.kind == kind::kText) {
    auto path = GbToUtf8(TextView(PointerOf<const char>(input)));
    if (path) picture = LoadPictureFromFile(*path);
  }
  *result = MakeInteger(RegisterPicture(std::move(picture)));
}

void CmdUnloadPicture(ValueRecord* result, int32_t count, const ValueRecord* args) {
  *result = ValueRecord{};
  if (count >= 1 && !IsArrayKind(args[0].kind) && IsNumericKind(args[0].kind))
    UnregisterPicture(TruncateToInteger(NumberArgument(args[0])));
}

}  // namespace

void RegisterPictureCommands() {
  RegisterCommand(CommandId::LoadPicture, CmdLoadPicture);
  RegisterCommand(CommandId::UnloadPicture, CmdUnloadPicture);
}

int32_t RegisterPicture(PicturePtr picture) {
  if (!picture) return 0;
  Registry& r = Pictures();
  if (r.last == INT32_MAX) return 0;
  if (r.pictures.empty() && r.last == 0) AddReleaseStep(FreeAllPictures);
  r.pictures[++r.last] = std::move(picture);
  return r.last;
}

const Picture* PictureForHandle(int32_t handle) {
  auto& pictures = Pictures().pictures;
  auto found = pictures.find(handle);
  return found == pictures.end() ? nullptr : found->second.get();
}

bool UnregisterPicture(int32_t handle) {
  return Pictures().pictures.erase(handle) != 0;
}

int32_t RegisteredPictureCount() {
  return int32_t(Pictures().pictures.size());
}

int32_t LoadPicture(const ByteSet& data) {
  return LowInteger(CallCommand(CommandId::LoadPicture, {data.Argument()}));
}

int32_t LoadPicture(const Text& fileName) {
  return LowInteger(CallCommand(CommandId::LoadPicture, {fileName.Argument()}));
}

void UnloadPicture(int32_t handle) {
  CallCommand(CommandId::UnloadPicture, {MakeInteger(handle)});
}

}  // namespace runtime
