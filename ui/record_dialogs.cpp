#include "ui/record_dialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <array>
#include <vector>

#include "ui/named.h"

namespace ui {

namespace {

// OK and Cancel in the program's words; OK named for the tests as `okName`.
QDialogButtonBox* Buttons(QDialog& dialog, const char* okName) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
  Named(buttons->button(QDialogButtonBox::Ok), okName);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  return buttons;
}

// The common tags the dialog names, in its order, with the words it shows.
struct CommonField {
  const char* tag;
  const char* label;
};
constexpr std::array<CommonField, 8> kCommonFields = {{{"Event", "赛事"},
                                                       {"Site", "地点"},
                                                       {"Date", "日期"},
                                                       {"Round", "轮次"},
                                                       {"Red", "红方"},
                                                       {"Black", "黑方"},
                                                       {"Opening", "开局"},
                                                       {"ECCO", "ECCO"}}};

// The results, as the combo box lists them.
constexpr std::array<std::pair<const char*, const char*>, 4> kResults = {
    {{"1-0", "红胜 1-0"}, {"0-1", "黑胜 0-1"}, {"1/2-1/2", "和棋 ½-½"}, {"*", "未知 *"}}};

// The name a common tag has in these tags: its own, one the files give it (红方, White, ...), or
// its own when the game has none.
std::string NameIn(const record::PgnTags& tags, const char* common) {
  if (tags.Has(common)) return common;
  for (const auto& tag : tags.All())
    if (record::SameTagName(record::CommonTagName(tag.first), common)) return tag.first;
  return common;
}

}  // namespace

std::optional<std::string> EditCommentDialog(const std::string& title, const std::string& comment) {
  QDialog dialog;
  dialog.setObjectName(QStringLiteral("CommentDialog"));
  dialog.setWindowTitle(QStringLiteral("编辑注释"));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(QString::fromStdString(title)));
  auto* text = Named(new QPlainTextEdit(QString::fromStdString(comment)), "CommentText");
  text->setMinimumSize(320, 120);
  layout->addWidget(text, 1);
  // PGN has no way to write the end of a comment inside one (docs/record.md).
  auto* note = new QLabel(QStringLiteral("存成 PGN 时，注释里的 } 写成全角的 ｝。"));
  note->setEnabled(false);
  layout->addWidget(note);
  layout->addWidget(Buttons(dialog, "CommentOk"));
  text->setFocus();
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return text->toPlainText().toStdString();
}

bool EditGameInfoDialog(record::PgnTags& tags, std::string& result) {
  QDialog dialog;
  dialog.setObjectName(QStringLiteral("GameInfoDialog"));
  dialog.setWindowTitle(QStringLiteral("棋局信息"));
  auto* form = new QFormLayout;
  // Each edited tag: its name in the game, and the field.
  std::vector<std::pair<std::string, QLineEdit*>> fields;
  auto addField = [&](const std::string& name, const QString& label, const std::string& value) {
    auto* edit = new QLineEdit(QString::fromStdString(value));
    edit->setObjectName(QStringLiteral("Info_") + QString::fromStdString(name));
    form->addRow(label, edit);
    fields.emplace_back(name, edit);
  };
  std::vector<std::string> named;
  for (const CommonField& field : kCommonFields) {
    const std::string name = NameIn(tags, field.tag);
    named.push_back(name);
    addField(name, QString::fromUtf8(field.label), tags.Get(name));
  }
  auto* results = Named(new QComboBox, "InfoResult");
  for (const auto& [value, label] : kResults) {
    results->addItem(QString::fromUtf8(label), QString::fromLatin1(value));
    if (result == value) results->setCurrentIndex(results->count() - 1);
  }
  form->insertRow(6, QStringLiteral("结果"), results);
  // Every other tag the game has, under its own name.
  for (const auto& [name, value] : tags.All()) {
    bool common = record::SameTagName(name, "Result");
    for (const std::string& n : named) common = common || record::SameTagName(name, n);
    if (!common) addField(name, QString::fromStdString(name), value);
  }
  auto* inner = new QWidget;
  inner->setLayout(form);
  auto* scroll = new QScrollArea;
  scroll->setWidget(inner);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(scroll, 1);
  layout->addWidget(Buttons(dialog, "InfoOk"));
  dialog.resize(380, std::min(560, 80 + 32 * int(fields.size() + 1)));
  if (dialog.exec() != QDialog::Accepted) return false;

  result = results->currentData().toString().toStdString();
  for (const auto& [name, edit] : fields) {
    const std::string value = edit->text().trimmed().toStdString();
    // A common tag the game did not have is added only when it was filled in.
    if (tags.Has(name) || !value.empty()) tags.Set(name, value);
  }
  if (tags.Has("Result")) tags.Set("Result", result);
  return true;
}

}  // namespace ui
