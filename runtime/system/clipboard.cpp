#include "runtime/system/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace runtime {

namespace {

QClipboard* Clipboard() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
  return QGuiApplication::clipboard();
}

}  // namespace

void CopyTextToClipboard(const std::string& text) {
  if (QClipboard* clipboard = Clipboard()) clipboard->setText(QString::fromStdString(text));
}

void CopyTextsToClipboard(const std::string& text,
                          const std::vector<std::pair<std::string, std::string>>& formats) {
  QClipboard* clipboard = Clipboard();
  if (clipboard == nullptr) return;
  auto* data = new QMimeData;
  data->setText(QString::fromStdString(text));
  for (const auto& [type, value] : formats)
    data->setData(QString::fromStdString(type), QByteArray::fromStdString(value));
  clipboard->setMimeData(data);  // the clipboard owns it from here
}

std::string ClipboardText() {
  QClipboard* clipboard = Clipboard();
  return clipboard != nullptr ? clipboard->text().toStdString() : std::string();
}

std::string ClipboardData(const std::string& mimeType) {
  QClipboard* clipboard = Clipboard();
  const QMimeData* data = clipboard != nullptr ? clipboard->mimeData() : nullptr;
  if (data == nullptr) return {};
  return data->data(QString::fromStdString(mimeType)).toStdString();
}

}  // namespace runtime
