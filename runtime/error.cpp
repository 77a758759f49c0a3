#include "runtime/error.h"

#include <array>

#include "runtime/lifecycle.h"
#include "runtime/services.h"
#include "runtime/text_codec.h"

namespace runtime {

namespace {

int errorsInProgress = 0;

constexpr std::array<const char*, 12> kMessages = {
    "",
    "数组成员引用下标超出定义范围",
    "未得到所需要的数值型数据",
    "引用数组成员时维数不为1且不等于该数组目前所具有的维数",
    "数组成员引用下标必须大于等于1",
    "数据或数组类型不匹配",
    "调用DLL命令后发现堆栈错误",
    "子语句参数未返回数据或者返回了非系统基本类型或数组型数据",
    "被比较数据只能使用等于或不等于命令比较",
    "“多项选择”命令的索引值参数小于零或超出了所提供参数表范围",
    "“重定义数组”命令的数组维定义参数值必须大于零或单维时大于等于零",
    "所提供参数的数据类型不符合要求",
};

}  // namespace

std::string ErrorMessage(int32_t code) {
  if (code < 1 || code > 11) return {};
  return Gb(kMessages[static_cast<size_t>(code)]);
}

std::string BuildErrorText(int32_t code, std::string_view gbMessage) {
  std::string text = Gb("运行时出错!") + "\r\n\r\n";
  if (code != 0) text += Gb("错误代码：") + std::to_string(code) + "\r\n\r\n";
  if (!gbMessage.empty()) text += Gb("错误信息：") + std::string(gbMessage) + "\r\n";
  return text;
}

void RaiseError(int32_t code) {
  ReportRuntimeError(code, ErrorMessage(code));
}

void RaiseCommandError(std::string_view gbMessage) {
  ReportRuntimeError(0, gbMessage);
}

void ReportRuntimeError(int32_t code, std::string_view gbMessage) {
  // A second error raised while the first box is open (from a repaint, say) shows no box of its
  // own: the program is already on its way out.
  if (++errorsInProgress == 1)
    ReportErrorText(GbToUtf8Lossy(BuildErrorText(code, gbMessage)), "错误");
  ForgetCleanup();
  ExitAfterError();
}

int ErrorsInProgress() {
  return errorsInProgress;
}

}  // namespace runtime
