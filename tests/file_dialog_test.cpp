// The file dialog: stored type lists, how a request sets up Qt's dialog, and the real dialog
// answered as a person would, by typing a name and pressing buttons.
#include "runtime/system/file_dialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "runtime/system/translations.h"
#include "tests/support/application.h"

using namespace runtime;
namespace fs = std::filesystem;

namespace {

TEST(ParseFileFilter, ReadsPairsAndNeverFails) {
  const std::pair<std::string_view, std::vector<FileFilter>> cases[] = {
      {"", {}},
      {"||||", {}},
      {"象棋棋局文件（*.ces）|*.ces", {{"象棋棋局文件（*.ces）", "*.ces"}}},
      {"棋局|*.ces|日志|*.txt;*.log||", {{"棋局", "*.ces"}, {"日志", "*.txt;*.log"}}},
      {"所有文件||棋局| |无", {{"所有文件", "*"}, {"棋局", "*"}, {"无", "*"}}},
  };
  for (const auto& [stored, filters] : cases) EXPECT_EQ(ParseFileFilter(stored), filters) << stored;
}

class FileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::TestApplication();
    folder_ = fs::temp_directory_path() / ("xq-dialog-" + std::to_string(::getpid()));
    fs::create_directories(folder_ / "子目录");
    request_.initialFolder = folder_.string();
    request_.filters = ParseFileFilter("象棋棋局文件（*.ces）|*.ces|日志|*.txt; *.log");
    request_.defaultExtension = ".ces";
  }
  void TearDown() override {
    SetFileDialogHandler({});
    fs::remove_all(folder_);
  }
  std::string Path(const std::string& name) { return (folder_ / name).string(); }

  fs::path folder_;
  FileDialogRequest request_;
};

TEST_F(FileDialogTest, RequestSetsUpQtsDialog) {
  struct Case {
    bool save, fileMustExist, createPrompt, confirmOverwrite;
    QFileDialog::FileMode mode;
  };
  const Case cases[] = {
      {false, false, false, false, QFileDialog::AnyFile},
      {false, true, false, false, QFileDialog::ExistingFile},
      {false, true, true, false, QFileDialog::AnyFile},
      {true, true, false, false, QFileDialog::AnyFile},
      {true, false, false, true, QFileDialog::AnyFile},
  };
  for (const Case& c : cases) {
    FileDialogRequest request;
    request.save = c.save;
    request.fileMustExist = c.fileMustExist;
    request.createPrompt = c.createPrompt;
    request.confirmOverwrite = c.confirmOverwrite;
    QFileDialog dialog;
    ConfigureFileDialog(dialog, request);
    EXPECT_EQ(dialog.fileMode(), c.mode);
    EXPECT_EQ(dialog.acceptMode(), c.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog.testOption(QFileDialog::DontConfirmOverwrite), !c.confirmOverwrite);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
  }

  request_.title = "保存棋局";
  request_.filterIndex = 1;
  request_.fileName = "新局";
  QFileDialog dialog;
  ConfigureFileDialog(dialog, request_);
  EXPECT_EQ(dialog.windowTitle(), QString("保存棋局"));
  EXPECT_EQ(dialog.nameFilters(),
            QStringList({"象棋棋局文件（*.ces） (*.ces)", "日志 (*.txt *.log)"}));
  EXPECT_EQ(dialog.selectedNameFilter(), QString("日志"));  // shown without the patterns
  EXPECT_EQ(dialog.defaultSuffix(), QString("ces"));
  EXPECT_EQ(dialog.selectedFiles(), QStringList(QString::fromStdString(Path("新局.ces"))));

  request_.filterIndex = 7;
  request_.fileName = "子目录";
  QFileDialog other;
  ConfigureFileDialog(other, request_);
  EXPECT_EQ(other.selectedNameFilter(), QString("象棋棋局文件（*.ces）"));
  EXPECT_EQ(other.directory().absolutePath().toStdString(), Path("子目录"));

  // A save dialog's ending follows the type chosen when that type is one ending.
  FileDialogRequest save;
  save.save = true;
  save.defaultExtension = "pgn";
  save.filters = {{"PGN", "*.pgn"}, {"XQF", "*.xqf"}, {"所有文件", "*"}};
  QFileDialog saving;
  ConfigureFileDialog(saving, save);
  // Each step: the type chosen, as shown or in full, and the ending then ("所有文件" keeps the
  // one it had).
  const std::pair<const char*, const char*> steps[] = {
      {"XQF", "xqf"}, {"所有文件", "xqf"}, {"PGN (*.pgn)", "pgn"}};
  for (const auto& [chosen, ending] : steps) {
    emit saving.filterSelected(QString::fromUtf8(chosen));
    EXPECT_EQ(saving.defaultSuffix().toStdString(), ending) << chosen;
  }
}

// Answers the modal widgets that come up while a dialog runs, one step a widget, in order: the
// file dialog (box false) or a message box. A step whose widget never comes fails the test and
// cancels the dialog, so nothing hangs.
class Answerer {
 public:
  using Step = std::pair<bool, std::function<void(QWidget*)>>;
  explicit Answerer(std::vector<Step> steps) : steps_(std::move(steps)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    timer_.start(10);
  }
  bool Done() const { return next_ == steps_.size(); }

 private:
  void Tick() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    if (++ticks_ > 500) {
      ADD_FAILURE() << "no widget for step " << next_;
      static_cast<QDialog*>(modal)->reject();
    } else if (next_ < steps_.size() &&
               (qobject_cast<QMessageBox*>(modal) != nullptr) == steps_[next_].first) {
      ticks_ = 0;
      // From a timer of its own: a step may open a box, and Qt holds this timer back until its
      // handler returns, so the box could not be answered from inside it.
      QTimer::singleShot(0, modal, [act = steps_[next_++].second, modal] { act(modal); });
    }
  }

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  int ticks_ = 0;
  QTimer timer_;
};

// Types a name into the dialog's name field and presses Open or Save.
Answerer::Step Type(const QString& name) {
  return {false, [name](QWidget* dialog) {
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(name);
            auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
            for (QAbstractButton* button : buttons->buttons())
              if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole) button->click();
          }};
}

// Presses a button of a message box, keeping its text.
Answerer::Step Press(QMessageBox::StandardButton choice, QString* text) {
  return {true, [choice, text](QWidget* box) {
            *text = static_cast<QMessageBox*>(box)->text();
            static_cast<QMessageBox*>(box)->button(choice)->click();
          }};
}

TEST_F(FileDialogTest, MissingFolderIsRefusedAndTheDialogStaysOpen) {
  request_.save = true;
  request_.pathMustExist = true;
  QString warning;
  Answerer answerer({Type("无此目录/新局"), Press(QMessageBox::Ok, &warning), Type("子目录/新局")});
  EXPECT_EQ(ShowFileDialog(request_), Path("子目录/新局.ces"));
  EXPECT_TRUE(answerer.Done());
  EXPECT_TRUE(warning.contains("无此目录")) << warning.toStdString();
}

TEST_F(FileDialogTest, CreatePromptAsksBeforeNamingAMissingFile) {
  request_.fileMustExist = true;
  request_.createPrompt = true;
  QString declined, accepted;
  Answerer answerer({Type("新局"), Press(QMessageBox::No, &declined), Type("新局"),
                     Press(QMessageBox::Yes, &accepted)});
  EXPECT_EQ(ShowFileDialog(request_), Path("新局.ces"));
  EXPECT_TRUE(answerer.Done());
  EXPECT_TRUE(accepted.contains("新局.ces")) << accepted.toStdString();
  EXPECT_FALSE(fs::exists(folder_ / "新局.ces"));  // naming it is all the dialog does
}

TEST_F(FileDialogTest, HandlerAnswersInsteadOfTheDialogUntilCleared) {
  request_.title = "保存棋局";
  SetFileDialogHandler([](const FileDialogRequest& request) {
    return std::optional<std::string>("/棋局/" + request.title);
  });
  EXPECT_EQ(ShowFileDialog(request_), "/棋局/保存棋局");

  SetFileDialogHandler({});
  Answerer answerer({{false, [](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); }}});
  EXPECT_EQ(ShowFileDialog(request_), std::nullopt);
  EXPECT_TRUE(answerer.Done());
}

// Qt's own buttons read in Chinese once its catalogue is installed, whatever the locale; without
// the catalogue they stay English. Last in this program: the catalogue stays for good.
TEST_F(FileDialogTest, QtsButtonsReadInChineseWithItsCatalogue) {
  auto texts = [] {
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    QFileDialog dialog;
    FileDialogRequest request;
    request.save = true;
    ConfigureFileDialog(dialog, request);
    auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
    return QStringList{box.button(QMessageBox::Ok)->text(), box.button(QMessageBox::Cancel)->text(),
                       buttons->button(QDialogButtonBox::Save) != nullptr
                           ? buttons->button(QDialogButtonBox::Save)->text()
                           : buttons->buttons().value(0)->text()};
  };
  EXPECT_FALSE(InstallDialogTranslations((folder_ / "no-catalogue").string()));
  EXPECT_EQ(texts(), QStringList({"OK", "Cancel", "&Save"}));
  ASSERT_TRUE(InstallDialogTranslations()) << "Qt's translations (qt6-translations-l10n) missing";
  EXPECT_EQ(texts(), QStringList({"确定", "取消", "保存(&S)"}));
}

}  // namespace
