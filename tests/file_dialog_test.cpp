// The file dialog: stored type lists, how a request sets up Qt's dialog, the real dialog answered
// the way a person would (typing a name and pressing the button), and the replaceable handler.
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
#include <fstream>

#include "tests/support/application.h"

using namespace runtime;
namespace fs = std::filesystem;

namespace {

TEST(ParseFileFilter, ReadsPairsAndNeverFails) {
  struct Case {
    std::string_view stored;
    std::vector<FileFilter> filters;
  };
  const Case cases[] = {
      {"", {}},
      {"象棋棋局文件（*.ces）|*.ces", {{"象棋棋局文件（*.ces）", "*.ces"}}},
      {"棋局|*.ces|日志|*.txt;*.log||", {{"棋局", "*.ces"}, {"日志", "*.txt;*.log"}}},
      {"棋局|*.ces|所有文件", {{"棋局", "*.ces"}, {"所有文件", "*"}}},
      {"所有文件||棋局| ", {{"所有文件", "*"}, {"棋局", "*"}}},
      {"|*.ces", {{"", "*.ces"}}},
      {"||||", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseFileFilter(c.stored), c.filters) << c.stored;
}

class FileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::TestApplication();
    folder_ = fs::temp_directory_path() /
              ("xq-dialog-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "子目录");
    std::ofstream(folder_ / "棋局.ces") << "x";
  }
  void TearDown() override {
    SetFileDialogHandler({});
    fs::remove_all(folder_);
  }
  std::string Path(const std::string& name) { return (folder_ / name).string(); }
  FileDialogRequest RecordRequest(bool save) {
    FileDialogRequest request;
    request.save = save;
    request.initialFolder = folder_.string();
    request.filters = ParseFileFilter("象棋棋局文件（*.ces）|*.ces");
    request.defaultExtension = ".ces";
    return request;
  }

  fs::path folder_;
};

TEST_F(FileDialogTest, RequestChoosesTheModeAndTheChecksQtMakes) {
  struct Case {
    bool save, fileMustExist, createPrompt, confirmOverwrite;
    QFileDialog::FileMode mode;
    bool asksBeforeReplacing;
  };
  const Case cases[] = {
      {false, false, false, false, QFileDialog::AnyFile, false},
      {false, true, false, false, QFileDialog::ExistingFile, false},
      {false, true, true, false, QFileDialog::AnyFile, false},
      {true, true, false, false, QFileDialog::AnyFile, false},
      {true, false, false, true, QFileDialog::AnyFile, true},
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
    EXPECT_EQ(!dialog.testOption(QFileDialog::DontConfirmOverwrite), c.asksBeforeReplacing);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
  }
}

TEST_F(FileDialogTest, RequestSetsTitleFiltersSuffixAndSelection) {
  FileDialogRequest request = RecordRequest(true);
  request.title = "保存棋局";
  request.filters = ParseFileFilter("象棋棋局文件（*.ces）|*.ces|日志|*.txt; *.log");
  request.filterIndex = 1;
  request.fileName = "新局";
  QFileDialog dialog;
  ConfigureFileDialog(dialog, request);
  EXPECT_EQ(dialog.windowTitle(), QString("保存棋局"));
  EXPECT_EQ(dialog.nameFilters(),
            QStringList({"象棋棋局文件（*.ces） (*.ces)", "日志 (*.txt *.log)"}));
  // The list shows the descriptions only (Qt reports the selection as shown).
  EXPECT_EQ(dialog.selectedNameFilter(), QString("日志"));
  EXPECT_EQ(dialog.defaultSuffix(), QString("ces"));
  EXPECT_EQ(dialog.directory().absolutePath().toStdString(), folder_.string());
  // A name without an extension comes back with the default one.
  EXPECT_EQ(dialog.selectedFiles(), QStringList(QString::fromStdString(Path("新局.ces"))));

  request.filterIndex = 7;
  request.fileName = "子目录";
  QFileDialog other;
  ConfigureFileDialog(other, request);
  EXPECT_EQ(other.selectedNameFilter(), QString("象棋棋局文件（*.ces）"));
  EXPECT_EQ(other.directory().absolutePath().toStdString(), Path("子目录"));
}

// Answers the modal widgets that come up while a dialog runs, one step a widget, in order. A step
// waiting for a widget that never comes fails the test and cancels the dialogs, so nothing hangs.
class Answerer {
 public:
  struct Step {
    bool box;  // a message box, or else the file dialog
    std::function<void(QWidget*)> act;
  };
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
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      return;
    }
    if (next_ >= steps_.size()) return;
    bool isBox = qobject_cast<QMessageBox*>(modal) != nullptr;
    if (isBox != steps_[next_].box || (!isBox && !qobject_cast<QFileDialog*>(modal))) return;
    ticks_ = 0;
    // Run from a timer of its own: a step may open a box, and Qt holds this timer back until its
    // handler returns, so the box could never be answered from inside it.
    QTimer::singleShot(0, modal, [act = steps_[next_++].act, modal] { act(modal); });
  }

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  int ticks_ = 0;
  QTimer timer_;
};

// Types a name into the dialog's name field and presses Open or Save.
Answerer::Step Type(const QString& name) {
  return {false, [name](QWidget* widget) {
            auto* edit = widget->findChild<QLineEdit*>("fileNameEdit");
            auto* buttons = widget->findChild<QDialogButtonBox*>("buttonBox");
            ASSERT_TRUE(edit != nullptr && buttons != nullptr);
            edit->setText(name);
            for (QAbstractButton* button : buttons->buttons())
              if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole) button->click();
          }};
}

// Presses a button of a message box, keeping its text.
Answerer::Step Answer(QMessageBox::StandardButton choice, QString* text) {
  return {true, [choice, text](QWidget* widget) {
            auto* box = static_cast<QMessageBox*>(widget);
            *text = box->text();
            ASSERT_NE(box->button(choice), nullptr);
            box->button(choice)->click();
          }};
}

Answerer::Step Cancel() {
  return {false, [](QWidget* widget) { static_cast<QFileDialog*>(widget)->reject(); }};
}

TEST_F(FileDialogTest, TypedNameGetsTheDefaultExtension) {
  FileDialogRequest request = RecordRequest(false);
  request.fileMustExist = true;
  Answerer answerer({Type("棋局")});
  EXPECT_EQ(ShowFileDialog(request), Path("棋局.ces"));
  EXPECT_TRUE(answerer.Done());
}

TEST_F(FileDialogTest, CancellingGivesNothing) {
  Answerer answerer({Cancel()});
  EXPECT_EQ(ShowFileDialog(RecordRequest(true)), std::nullopt);
  EXPECT_TRUE(answerer.Done());
}

TEST_F(FileDialogTest, MissingFolderIsRefusedAndTheDialogStaysOpen) {
  FileDialogRequest request = RecordRequest(true);
  request.pathMustExist = true;
  QString warning;
  Answerer answerer(
      {Type("无此目录/新局"), Answer(QMessageBox::Ok, &warning), Type("子目录/新局")});
  EXPECT_EQ(ShowFileDialog(request), Path("子目录/新局.ces"));
  EXPECT_TRUE(answerer.Done());
  EXPECT_TRUE(warning.contains("无此目录")) << warning.toStdString();
}

TEST_F(FileDialogTest, CreatePromptAsksBeforeNamingAMissingFile) {
  FileDialogRequest request = RecordRequest(false);
  request.fileMustExist = true;
  request.createPrompt = true;
  QString declined, accepted;
  Answerer answerer({Type("新局"), Answer(QMessageBox::No, &declined), Type("新局"),
                     Answer(QMessageBox::Yes, &accepted)});
  EXPECT_EQ(ShowFileDialog(request), Path("新局.ces"));
  EXPECT_TRUE(answerer.Done());
  EXPECT_TRUE(accepted.contains("新局.ces")) << accepted.toStdString();
  EXPECT_FALSE(fs::exists(folder_ / "新局.ces"));  // naming it is all the dialog does
}

TEST_F(FileDialogTest, HandlerAnswersInsteadOfTheDialog) {
  FileDialogRequest seen;
  SetFileDialogHandler([&](const FileDialogRequest& request) {
    seen = request;
    return std::optional<std::string>("/棋局/a.ces");
  });
  FileDialogRequest request = RecordRequest(true);
  request.title = "保存棋局";
  EXPECT_EQ(ShowFileDialog(request), "/棋局/a.ces");
  EXPECT_EQ(seen.title, "保存棋局");
  EXPECT_TRUE(seen.save);

  SetFileDialogHandler({});
  Answerer answerer({Cancel()});
  EXPECT_EQ(ShowFileDialog(request), std::nullopt);
  EXPECT_TRUE(answerer.Done());  // the real dialog again
}

}  // namespace
