#include "runtime/system/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace runtime {

void CopyTextToClipboard(const std::string& text) {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return;
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

std::string ClipboardText() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return {};
  return QGuiApplication::clipboard()->text().toStdString();
}

}  // namespace runtime
