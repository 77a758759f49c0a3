#include "runtime/windows/common_dialog.h"

#include "runtime/lifecycle.h"
#include "runtime/text_codec.h"
#include "runtime/windows/property_indexes.h"

namespace runtime {

namespace {

enum DialogKind : int32_t { kOpenDialog = 0, kSaveDialog = 1 };

}  // namespace

CommonDialog::CommonDialog(WindowUnit* window, UnitRecord& record) : Unit(window, record) {}

FileDialogRequest CommonDialog::Request() const {
  using namespace dialog_property;
  FileDialogRequest request;
  request.save = Number(kKind) == kSaveDialog;
  request.title = GbToUtf8Lossy(Bytes(kTitle));
  request.fileName = GbToUtf8Lossy(Bytes(kFileName));
  request.initialFolder = GbToUtf8Lossy(Bytes(kInitialFolder));
  // "The current folder" is the user's, not the program's own folder the runtime works in (which
  // an installed program cannot even write to).
  if (request.initialFolder.empty()) request.initialFolder = StartingFolder();
  request.filters = ParseFileFilter(GbToUtf8Lossy(Bytes(kFilter)));
  request.filterIndex = Number(kFilterIndex);
  request.defaultExtension = GbToUtf8Lossy(Bytes(kDefaultExtension));
  request.fileMustExist = Flag(kFileMustExist);
  request.confirmOverwrite = Flag(kConfirmOverwrite);
  request.pathMustExist = Flag(kPathMustExist);
  request.createPrompt = Flag(kCreatePrompt);
  return request;
}

bool CommonDialog::Show() {
  const int32_t kind = Number(dialog_property::kKind);
  if (kind != kOpenDialog && kind != kSaveDialog) return false;
  std::optional<std::string> chosen = ShowFileDialog(Request());
  if (!chosen) return false;
  // Every file name the system hands back has a GB18030 spelling.
  std::optional<std::string> name = Utf8ToGb(*chosen);
  if (!name) return false;
  Store(dialog_property::kFileName, std::move(*name));
  return true;
}

std::unique_ptr<Unit> CreateCommonDialog(WindowUnit* window, UnitRecord& record, QWidget*) {
  return std::make_unique<CommonDialog>(window, record);
}

}  // namespace runtime
