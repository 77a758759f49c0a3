#include "runtime/system/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <cstdio>

namespace runtime {

namespace {

ErrorBoxHandler& Handler() {
  static ErrorBoxHandler handler;
  return handler;
}

bool CanShowBoxes() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  return app != nullptr && QGuiApplication::platformName() != QLatin1String("offscreen") &&
         QGuiApplication::platformName() != QLatin1String("minimal");
}

}  // namespace

void SetErrorBoxHandler(ErrorBoxHandler handler) {
  Handler() = std::move(handler);
}

void ShowErrorBox(const std::string& text, const std::string& caption) {
  if (Handler()) {
    Handler()(text, caption);
    return;
  }
  if (CanShowBoxes()) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
    return;
  }
  std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
}

}  // namespace runtime
