#include "runtime/system/questions.h"

#include <QApplication>
#include <QInputDialog>
#include <QAbstractButton>
#include <QFontMetrics>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>
#include <algorithm>

namespace runtime {

namespace {

QuestionHandler& Handler() {
  static QuestionHandler handler;
  return handler;
}

bool CanAsk() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr &&
         QGuiApplication::platformName() != QLatin1String("offscreen") &&
         QGuiApplication::platformName() != QLatin1String("minimal");
}

}  // namespace

void SetQuestionHandler(QuestionHandler handler) {
  Handler() = std::move(handler);
}

bool AskYesNo(const std::string& text, const std::string& caption) {
  if (Handler()) return Handler()(text, caption, {}) == size_t{0};
  if (!CanAsk()) return false;
  QMessageBox box(QMessageBox::Question, QString::fromStdString(caption),
                  QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No);
  box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
  box.button(QMessageBox::No)->setText(QStringLiteral("否"));
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

std::optional<size_t> ChooseItem(const std::string& text, const std::string& caption,
                                 const std::vector<std::string>& items) {
  if (items.empty()) return std::nullopt;
  if (Handler()) {
    std::optional<size_t> answer = Handler()(text, caption, items);
    return answer && *answer < items.size() ? answer : std::nullopt;
  }
  if (!CanAsk()) return std::nullopt;
  QStringList list;
  for (const std::string& item : items) list.append(QString::fromStdString(item));
  QInputDialog dialog;
  dialog.setWindowTitle(QString::fromStdString(caption));
  dialog.setLabelText(QString::fromStdString(text));
  dialog.setComboBoxItems(list);
  dialog.setOption(QInputDialog::UseListViewForComboBoxItems);
  dialog.setOkButtonText(QStringLiteral("打开"));
  dialog.setCancelButtonText(QStringLiteral("取消"));
  // Wide enough for the longest item and tall enough for a dozen, as far as the screen allows.
  const QFontMetrics metrics(dialog.font());
  int widest = 0;
  for (const QString& item : list) widest = std::max(widest, metrics.horizontalAdvance(item));
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize room = screen ? screen->availableGeometry().size() * 9 / 10 : QSize(1024, 768);
  const int rows = int(std::min<qsizetype>(list.size(), 12));
  dialog.resize(std::min(room.width(), std::max(dialog.sizeHint().width(), widest + 80)),
                std::min(room.height(), dialog.sizeHint().height() + rows * metrics.height()));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const qsizetype index = list.indexOf(dialog.textValue());
  return index < 0 ? std::nullopt : std::optional<size_t>(size_t(index));
}

}  // namespace runtime
