#include "runtime/system/settings.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <memory>

namespace runtime {

namespace {

std::string& SettingsFile() {
  static std::string path;
  return path;
}

// One INI file on every platform, so the place is the same whatever the desktop prefers:
// $XDG_CONFIG_HOME/xiangqi/xiangqi.ini unless a file was named.
std::unique_ptr<QSettings> OpenSettings() {
  if (!SettingsFile().empty())
    return std::make_unique<QSettings>(QString::fromStdString(SettingsFile()),
                                       QSettings::IniFormat);
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                     QStringLiteral("xiangqi"), QStringLiteral("xiangqi"));
}

QString KeyOf(std::string_view key) {
  return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

}  // namespace

std::optional<int32_t> ReadSetting(std::string_view key) {
  QVariant value = OpenSettings()->value(KeyOf(key));
  if (!value.isValid()) return std::nullopt;
  bool ok = false;
  int number = value.toString().toInt(&ok);
  if (!ok) return std::nullopt;
  return number;
}

void WriteSetting(std::string_view key, int32_t value) {
  auto settings = OpenSettings();
  settings->setValue(KeyOf(key), value);
  settings->sync();
}

std::optional<std::string> ReadTextSetting(std::string_view key) {
  QVariant value = OpenSettings()->value(KeyOf(key));
  if (!value.isValid()) return std::nullopt;
  // A text edited by hand with a comma outside quotes reads back as a list; it was one text.
  if (value.typeId() == QMetaType::QStringList)
    return value.toStringList().join(QStringLiteral(", ")).toStdString();
  return value.toString().toStdString();
}

void WriteTextSetting(std::string_view key, std::optional<std::string> value) {
  auto settings = OpenSettings();
  if (value)
    settings->setValue(KeyOf(key), QString::fromStdString(*value));
  else
    settings->remove(KeyOf(key));
  settings->sync();
}

void UseSettingsFile(const std::string& path) {
  SettingsFile() = path;
}

}  // namespace runtime
