#include "ui/game_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

#include "engine/levels.h"
#include "ui/named.h"

namespace ui {

std::optional<GameSettings> ShowGameSettingsDialog(const GameSettings& now) {
  QDialog dialog;
  dialog.setWindowTitle(QStringLiteral("对局设置"));
  dialog.setObjectName(QStringLiteral("GameSettingsDialog"));
  auto* level = Named(new QComboBox, "SettingsLevel");
  for (int n = engine::kMinLevel; n <= engine::kMaxLevel; ++n) level->addItem(QString::number(n));
  level->setCurrentIndex(now.level - engine::kMinLevel);
  auto* black = Named(new QCheckBox(QStringLiteral("执黑（电脑执红先走）")), "SettingsBlack");
  black->setChecked(now.black);
  auto* rules = Named(new QCheckBox(QStringLiteral("标准规则（将军、困毙、长将、长捉、自然限着）")),
                      "SettingsRules");
  rules->setChecked(now.standardRules);
  auto* minutes = Named(new QSpinBox, "SettingsClockMinutes");
  minutes->setRange(0, 180);
  minutes->setSpecialValueText(QStringLiteral("不计时"));
  minutes->setSuffix(QStringLiteral(" 分钟"));
  minutes->setValue(now.clockMinutes);
  auto* increment = Named(new QSpinBox, "SettingsClockIncrement");
  increment->setRange(0, 60);
  increment->setSuffix(QStringLiteral(" 秒"));
  increment->setValue(now.incrementSeconds);
  increment->setEnabled(now.clockMinutes > 0);
  QObject::connect(minutes, &QSpinBox::valueChanged, increment,
                   [increment](int value) { increment->setEnabled(value > 0); });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("SettingsOk"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* form = new QFormLayout(&dialog);
  form->addRow(QStringLiteral("难度"), level);
  form->addRow(black);
  form->addRow(rules);
  form->addRow(QStringLiteral("棋钟：每方"), minutes);
  form->addRow(QStringLiteral("每步加"), increment);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return GameSettings{level->currentIndex() + engine::kMinLevel, black->isChecked(),
                      rules->isChecked(), minutes->value(), increment->value()};
}

}  // namespace ui
