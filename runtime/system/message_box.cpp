#include "runtime/system/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <cstdio>

namespace runtime {

namespace {

MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}

bool CanShowBoxes() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  return app != nullptr && QGuiApplication::platformName() != QLatin1String("offscreen") &&
         QGuiApplication::platformName() != QLatin1String("minimal");
}

QMessageBox::Icon QtIcon(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::kError:
      return QMessageBox::Critical;
    case BoxIcon::kWarning:
      return QMessageBox::Warning;
    case BoxIcon::kInformation:
      return QMessageBox::Information;
    case BoxIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
  Handler() = std::move(handler);
}

void ShowMessageBox(BoxIcon icon, const std::string& text, const std::string& caption) {
  if (Handler()) {
    Handler()(icon, text, caption);
    return;
  }
  if (CanShowBoxes()) {
    QMessageBox box(QtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.exec();
    return;
  }
  std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
}

void ShowErrorBox(const std::string& text, const std::string& caption) {
  ShowMessageBox(BoxIcon::kError, text, caption);
}

}  // namespace runtime
