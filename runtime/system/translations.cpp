#include "runtime/system/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace runtime {

bool InstallDialogTranslations(const std::string& folder) {
  // One catalogue for the life of the program; a second call only reports what the first found.
  static QTranslator* installed = nullptr;
  if (installed != nullptr) return true;
  const QString where = folder.empty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath)
                                       : QString::fromStdString(folder);
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QStringLiteral("qtbase_zh_CN"), where) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return false;
  }
  installed = translator;
  // Sizes and dates in the file dialog follow too, as a Chinese desktop writes them.
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  return true;
}

}  // namespace runtime
