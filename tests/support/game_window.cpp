#include "tests/support/game_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <deque>
#include <stdexcept>

#include "game/controller.h"
#include "game/handlers.h"
#include "game/play/session.h"
#include "game/units.h"
#include "game/window_host.h"
#include "runtime/pictures/picture.h"
#include "runtime/system/message_box.h"
#include "runtime/system/settings.h"
#include "runtime/text_codec.h"
#include "runtime/windows/draw_panel.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window_commands.h"
#include "runtime/windows/window_manager.h"
#include "runtime/windows/window_template.h"
#include "runtime/windows/window_unit.h"
#include "tests/support/application.h"
#include "ui/extra_windows.h"

namespace testing_support {

namespace {

std::deque<std::optional<std::string>>& Answers() {
  static std::deque<std::optional<std::string>> answers;
  return answers;
}

std::vector<runtime::FileDialogRequest>& Requests() {
  static std::vector<runtime::FileDialogRequest> requests;
  return requests;
}

std::vector<std::string>& Boxes() {
  static std::vector<std::string> boxes;
  return boxes;
}

// Each test program keeps its settings in a file of its own, never in the user's.
std::string SettingsPath() {
  return QDir::temp()
      .filePath(
          QStringLiteral("xiangqi-test-settings-%1.ini").arg(QCoreApplication::applicationPid()))
      .toStdString();
}

std::string DataPath() {
  return QDir::temp()
      .filePath(QStringLiteral("xiangqi-test-data-%1").arg(QCoreApplication::applicationPid()))
      .toStdString();
}

std::optional<std::string> AnswerDialog(const runtime::FileDialogRequest& request) {
  Requests().push_back(request);
  if (Answers().empty()) return std::nullopt;
  std::optional<std::string> answer = Answers().front();
  Answers().pop_front();
  return answer;
}

void StartOnce() {
  static bool started = false;
  if (started) return;
  started = true;
  TestApplication();
  game::RegisterHandlers(&Host());
  runtime::InitWindowSystem();
  runtime::LoadWindowTemplate();
  runtime::SetFileDialogHandler(AnswerDialog);
  runtime::UseSettingsFile(SettingsPath());
  // The games the window keeps go to a folder of the test's own, never the user's.
  setenv("XDG_DATA_HOME", DataPath().c_str(), 1);
  runtime::SetMessageBoxHandler(
      [](runtime::BoxIcon, const std::string& text, const std::string& caption) {
        Boxes().push_back(caption + "|" + text);
      });
}

QWidget& WidgetOf(const runtime::UnitRef& ref) {
  runtime::Unit* unit = runtime::LiveUnit(ref.window, ref.unit);
  if (unit == nullptr || unit->Widget() == nullptr) throw std::runtime_error("unit not loaded");
  return *unit->Widget();
}

void SendMouse(QWidget& widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
  QMouseEvent event(type, at, widget.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(&widget, &event);
}

runtime::PicturePtr SpriteFromFile(int32_t code, bool highlight) {
  char name[64];
  std::snprintf(name, sizeof name, "%s/assets/sprites/%s%02d.gif", XQ_SOURCE_DIR,
                highlight ? "selected" : "piece", code);
  return runtime::LoadPictureFromFile(name);
}

}  // namespace

game::MainWindowHost& Host() {
  static game::MainWindowHost host;
  return host;
}

game::WindowGame& Window() {
  if (Host().Game() == nullptr) throw std::runtime_error("the main window has no game");
  return *Host().Game();
}

game::Session& Game() {
  return Window().Game();
}

void StartGame() {
  StartOnce();
  Host().Setup() = game::WindowSetup{};
  Host().Setup().extraWindows = ui::MakeExtraWindows;
  Answers().clear();
  Requests().clear();
  Boxes().clear();
  QFile::remove(QString::fromStdString(SettingsPath()));
  QDir(QString::fromStdString(DataPath())).removeRecursively();
  game::CreateGlobals();
  runtime::LoadStartWindow(game::kMainWindowId);
  SettleEvents();
}

void RestartGameKeepingSettings() {
  StopGame();
  game::CreateGlobals();
  runtime::LoadStartWindow(game::kMainWindowId);
  SettleEvents();
}

void StopGame() {
  for (runtime::WindowRecord& record : runtime::LoadedWindowTemplate().windows)
    if (auto* window = static_cast<runtime::WindowUnit*>(record.object))
      runtime::DestroyWindow(*window);
  // The last window's end posts the quit message; the next test's windows must not see it, and
  // it must not be carried out either, or every later modal dialog would return at once.
  QCoreApplication::removePostedEvents(QCoreApplication::instance(), QEvent::Quit);
  SettleEvents();
  QCoreApplication::removePostedEvents(QCoreApplication::instance(), QEvent::Quit);
}

bool WaitFor(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  // A short sleep between rounds: a busy loop here would take a core from the searches the test
  // waits for.
  while (!done() && timer.elapsed() < 30000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!done()) QThread::msleep(1);
  }
  return done();
}

void SettleEvents() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

void PressBoard(int32_t x, int32_t y) {
  QWidget& board = WidgetOf(game::BoardPanel);
  QPointF at(x, y);
  SendMouse(board, QEvent::MouseButtonPress, at, Qt::LeftButton);
  SendMouse(board, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

void PressSquare(int32_t col, int32_t row) {
  PressBoard((col - 1) * 48 + 24, (row - 1) * 48 + 24);
}

void ClickButton(const runtime::UnitRef& button) {
  static_cast<QAbstractButton&>(WidgetOf(button)).click();
  SettleEvents();
}

std::string Caption(const runtime::UnitRef& label) {
  return runtime::GbToUtf8Lossy(runtime::GetTextProperty(label, game::prop::kCaption).View());
}

runtime::Surface PanelPixels(const runtime::UnitRef& panel) {
  runtime::Surface pixels = runtime::PanelSurface(panel);
  if (pixels.Width() == 0) throw std::runtime_error("not a loaded drawing panel");
  return pixels;
}

runtime::Surface ExpectedBoard(const twoply::BoardArray& board,
                               std::optional<twoply::Square> highlighted) {
  runtime::Surface expected = PanelPixels(game::CleanBoardPanel);
  for (int32_t row = 1; row <= twoply::kRows; ++row)
    for (int32_t col = 1; col <= twoply::kCols; ++col) {
      int32_t code = board(row, col);
      if (code < 1 || code > twoply::kLastPieceCode) continue;
      bool lit = highlighted && highlighted->row == row && highlighted->col == col;
      runtime::PicturePtr sprite = SpriteFromFile(code, lit);
      if (!sprite) throw std::runtime_error("a sprite file does not decode");
      runtime::PaintPicture(sprite.get(), expected, (col - 1) * 48, (row - 1) * 48, 44, 44,
                            -0xFFFFFF);
    }
  return expected;
}

std::string FirstDifference(const runtime::Surface& expected, const runtime::Surface& actual) {
  if (expected.Width() != actual.Width() || expected.Height() != actual.Height())
    return "sizes differ";
  for (int32_t y = 0; y < expected.Height(); ++y)
    for (int32_t x = 0; x < expected.Width(); ++x)
      if (expected.Pixel(x, y) != actual.Pixel(x, y)) {
        char text[96];
        std::snprintf(text, sizeof text, "(%d, %d): expected %06x, got %06x", x, y,
                      expected.Pixel(x, y), actual.Pixel(x, y));
        return text;
      }
  return "";
}

void AnswerDialogs(std::vector<std::optional<std::string>> answers) {
  Answers().assign(answers.begin(), answers.end());
  Requests().clear();
}

const std::vector<runtime::FileDialogRequest>& DialogRequests() {
  return Requests();
}

std::vector<std::string> TakeMessageBoxes() {
  return std::exchange(Boxes(), {});
}

QWidget* TopLevel(const char* objectName) {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->objectName() == QLatin1String(objectName) && widget->isVisible()) return widget;
  return nullptr;
}

bool DriveDialog(const char* objectName, const std::function<void(QWidget& dialog)>& drive,
                 const std::function<void()>& open) {
  bool driven = false;
  // A timer of this call's own: it cannot fire after the call when no dialog came.
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (!WaitFor([&] { return TopLevel(objectName) != nullptr; })) return;
    drive(*TopLevel(objectName));
    driven = true;
    // A drive that stopped half way (a failed assertion) must not leave the test waiting.
    if (auto* left = qobject_cast<QDialog*>(TopLevel(objectName))) left->reject();
  });
  timer.start(0);
  open();
  return driven;
}

}  // namespace testing_support
