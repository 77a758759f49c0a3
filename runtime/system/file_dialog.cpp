#include "runtime/system/file_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>

namespace runtime {

namespace {

FileDialogHandler& Handler() {
  static FileDialogHandler handler;
  return handler;
}

bool IsBlank(std::string_view s) {
  return s.find_first_not_of(" \t") == std::string_view::npos;
}

// Stored patterns "*.txt;*.log" as Qt reads them: "*.txt *.log".
QString QtPatterns(const std::string& patterns) {
  QStringList list;
  for (const QString& pattern : QString::fromStdString(patterns).split(u';')) {
    if (!pattern.trimmed().isEmpty()) list.append(pattern.trimmed());
  }
  return list.isEmpty() ? QStringLiteral("*") : list.join(u' ');
}

// "description (patterns)": Qt takes the patterns from the last parentheses, so a description
// holding its own, even full-width ones, is kept as it is.
QString NameFilter(const FileFilter& filter) {
  QString patterns = QtPatterns(filter.patterns);
  QString description = QString::fromStdString(filter.description);
  if (description.trimmed().isEmpty()) description = patterns;
  return description + QStringLiteral(" (") + patterns + u')';
}

QFileDialog::FileMode FileModeFor(const FileDialogRequest& request) {
  bool existing = !request.save && request.fileMustExist && !request.createPrompt;
  return existing ? QFileDialog::ExistingFile : QFileDialog::AnyFile;
}

void SetNameFilters(QFileDialog& dialog, const FileDialogRequest& request) {
  QStringList filters;
  for (const FileFilter& filter : request.filters) filters.append(NameFilter(filter));
  if (filters.isEmpty()) return;
  dialog.setNameFilters(filters);
  bool inRange = request.filterIndex >= 0 && request.filterIndex < filters.size();
  dialog.selectNameFilter(filters.at(inRange ? request.filterIndex : 0));
}

QString DefaultSuffix(const std::string& extension) {
  QString suffix = QString::fromStdString(extension).trimmed();
  while (suffix.startsWith(u'.')) suffix.remove(0, 1);
  return suffix;
}

QDir StartFolder(const std::string& folder) {
  QFileInfo info(QString::fromStdString(folder));
  return !folder.empty() && info.isDir() ? QDir(info.absoluteFilePath()) : QDir::current();
}

// A save dialog with a default ending: a type chosen that is one ending ("*.xqf") gives its
// ending to a name typed without one, so the file is of the type chosen. (Qt itself changes the
// ending of a name that has one.) The dialog names the type as shown, without its patterns.
void FollowChosenType(QFileDialog& dialog, const FileDialogRequest& request) {
  if (!request.save || DefaultSuffix(request.defaultExtension).isEmpty()) return;
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&dialog, filters = request.filters](const QString& chosen) {
                     const QStringList names = dialog.nameFilters();
                     for (qsizetype i = 0; i < names.size() && size_t(i) < filters.size(); ++i) {
                       const qsizetype details = names[i].lastIndexOf(QStringLiteral(" ("));
                       if (names[i] != chosen && (details < 0 || names[i].left(details) != chosen))
                         continue;
                       const QString pattern = QtPatterns(filters[size_t(i)].patterns);
                       if (pattern.startsWith(QStringLiteral("*.")) && !pattern.contains(u' ') &&
                           pattern.indexOf(u'*', 1) < 0)
                         dialog.setDefaultSuffix(pattern.mid(2));
                       return;
                     }
                   });
}

// The initial folder and file; a name holding a folder of its own starts there when it exists.
void SetInitialSelection(QFileDialog& dialog, const FileDialogRequest& request) {
  QDir folder = StartFolder(request.initialFolder);
  dialog.setDirectory(folder);
  if (request.fileName.empty()) return;
  QFileInfo name(folder, QString::fromStdString(request.fileName));
  if (name.isDir()) {
    dialog.setDirectory(name.absoluteFilePath());
    return;
  }
  if (name.absoluteDir().exists()) dialog.setDirectory(name.absoluteDir());
  dialog.selectFile(name.fileName());
}

// Qt's dialog with the two checks it has no option for. A refusal keeps the dialog open, as Qt's
// own refusals (a file that must exist, a replacement not confirmed) do.
class CheckingFileDialog : public QFileDialog {
 public:
  CheckingFileDialog(QWidget* parent, const FileDialogRequest& request)
      : QFileDialog(parent),
        createPrompt_(!request.save && request.createPrompt),
        pathMustExist_(request.pathMustExist || createPrompt_) {
    ConfigureFileDialog(*this, request);
  }

  void accept() override {
    QStringList files = selectedFiles();
    // A folder is entered rather than chosen; Qt does that.
    if (files.isEmpty() || QFileInfo(files.first()).isDir()) return QFileDialog::accept();
    QFileInfo chosen(files.first());
    if (pathMustExist_ && !chosen.absoluteDir().exists()) return RefuseMissingFolder(chosen);
    if (createPrompt_ && !chosen.exists() && !ConfirmCreation(chosen)) return;
    QFileDialog::accept();
  }

 private:
  void RefuseMissingFolder(const QFileInfo& chosen) {
    QMessageBox::warning(this, windowTitle(),
                         QStringLiteral("%1\n文件夹不存在。\n请检查所给的文件夹名称是否正确。")
                             .arg(QDir::toNativeSeparators(chosen.absolutePath())));
  }

  bool ConfirmCreation(const QFileInfo& chosen) {
    auto answer = QMessageBox::question(
        this, windowTitle(),
        QStringLiteral("%1\n文件不存在。\n要创建该文件吗？").arg(chosen.fileName()),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
  }

  bool createPrompt_;
  bool pathMustExist_;
};

}  // namespace

std::vector<FileFilter> ParseFileFilter(std::string_view utf8) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    std::size_t bar = utf8.find('|', start);
    fields.push_back(utf8.substr(start, bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  std::vector<FileFilter> filters;
  for (std::size_t i = 0; i < fields.size(); i += 2) {
    std::string_view description = fields[i];
    std::string_view patterns = i + 1 < fields.size() ? fields[i + 1] : std::string_view();
    if (description.empty() && patterns.empty()) continue;
    filters.push_back({std::string(description), IsBlank(patterns) ? "*" : std::string(patterns)});
  }
  return filters;
}

void ConfigureFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
  // First, so that everything after it configures Qt's own dialog.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  // The descriptions already say which files they show, as the stored lists are written.
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(FileModeFor(request));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
  if (!request.title.empty()) dialog.setWindowTitle(QString::fromStdString(request.title));
  SetNameFilters(dialog, request);
  dialog.setDefaultSuffix(DefaultSuffix(request.defaultExtension));
  FollowChosenType(dialog, request);
  SetInitialSelection(dialog, request);
}

void SetFileDialogHandler(FileDialogHandler handler) {
  Handler() = std::move(handler);
}

std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) {
  if (Handler()) return Handler()(request);
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return std::nullopt;
  // On the heap and guarded: the parent may go away while the dialog's loop runs, and takes the
  // dialog with it.
  QPointer<CheckingFileDialog> dialog =
      new CheckingFileDialog(QApplication::activeWindow(), request);
  bool accepted = dialog->exec() == QDialog::Accepted && dialog != nullptr;
  std::optional<std::string> chosen;
  if (accepted && !dialog->selectedFiles().isEmpty())
    chosen = dialog->selectedFiles().first().toStdString();
  delete dialog;
  return chosen;
}

}  // namespace runtime
