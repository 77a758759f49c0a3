#include "runtime/system/fonts.h"

#include <QApplication>
#include <QByteArray>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QStringList>

extern "C" const unsigned char InterfaceFontData[];
extern "C" const unsigned long InterfaceFontData_size;

namespace runtime {

namespace {

// The family of the registered font, registering it the first time. The bytes are static, so Qt
// may keep pointing at them instead of copying a megabyte.
QString RegisteredFamily() {
  static int id = -1;
  if (id < 0) {
    std::span<const uint8_t> bytes = InterfaceFontBytes();
    id = QFontDatabase::addApplicationFontFromData(QByteArray::fromRawData(
        reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
  }
  return id < 0 ? QString() : QFontDatabase::applicationFontFamilies(id).value(0);
}

// The application font's families as faces the font database holds. Qt resolves a name it lacks
// (an alias such as "Sans Serif", which fontconfig maps to a face) only when the name stands
// alone; in a list it passes over it, and ours would end up drawing everything.
QStringList HeldFamilies(const QFont& font) {
  QStringList families;
  for (const QString& name : font.families())
    families.append(QFontDatabase::hasFamily(name) ? name : QFontInfo(QFont(name)).family());
  if (families.isEmpty()) families.append(QFontInfo(font).family());
  return families;
}

void AppendFamilyToApplicationFont(const QString& family) {
  QFont font = QGuiApplication::font();
  QStringList families = HeldFamilies(font);
  if (!families.contains(family)) families.append(family);
  if (families == font.families()) return;
  font.setFamilies(families);
  // QApplication's own setter also refreshes the widgets that exist already.
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr)
    QApplication::setFont(font);
  else
    QGuiApplication::setFont(font);
}

}  // namespace

std::span<const uint8_t> InterfaceFontBytes() {
  return {InterfaceFontData, std::size_t(InterfaceFontData_size)};
}

QString InstallInterfaceFont() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return {};
  QString family = RegisteredFamily();
  if (!family.isEmpty()) AppendFamilyToApplicationFont(family);
  return family;
}

}  // namespace runtime
