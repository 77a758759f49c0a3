#include "ui/engine_list_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>

#include "ui/named.h"

namespace ui {

namespace {

constexpr const char* kBuiltIn = "内置引擎";

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// The dialog's widgets and the list being edited. Row 0 of the list widget is the built-in engine;
// row n is state.engines[n - 1].
class EngineListDialog : public QDialog {
 public:
  EngineListDialog(const EngineListState& state, EngineTester tester, EngineOptionWriter writer)
      : state_(state), tester_(std::move(tester)), writer_(std::move(writer)) {
    setWindowTitle(QStringLiteral("引擎"));
    setObjectName(QStringLiteral("EngineListDialog"));
    Build();
    FillList();
    FillChoices();
    list_->setCurrentRow(0);
  }

  EngineListState Result() const {
    EngineListState result = state_;
    result.opponent = opponent_->currentIndex();
    result.analyst = analyst_->currentIndex();
    result.moveMs = int32_t(moveSeconds_->value() * 1000 + 0.5);
    result.clockBaseS = clockMinutes_->value() * 60;
    result.clockIncrementS = clockIncrement_->value();
    return result;
  }

 private:
  void Build() {
    list_ = Named(new QListWidget, "EngineList");
    name_ = Named(new QLineEdit, "EngineName");
    command_ = Named(new QLineEdit, "EngineCommand");
    command_->setPlaceholderText(QStringLiteral("例如 /usr/games/fairy-stockfish"));
    numbering_ = Named(new QComboBox, "EngineNumbering");
    numbering_->addItems({QStringLiteral("按引擎名判断"), QStringLiteral("0-9（Pikafish、本程序）"),
                          QStringLiteral("1-10（Fairy-Stockfish）")});
    options_ = Named(new QLineEdit, "EngineOptions");
    options_->setPlaceholderText(
        QStringLiteral("例如 Hash=64; Threads=2（测试可看引擎提供的选项）"));
    auto* add = Named(new QPushButton(QStringLiteral("添加")), "AddEngine");
    remove_ = Named(new QPushButton(QStringLiteral("删除")), "RemoveEngine");
    test_ = Named(new QPushButton(QStringLiteral("测试")), "TestEngine");
    report_ = Named(new QPlainTextEdit, "EngineReport");
    report_->setReadOnly(true);
    report_->setMinimumHeight(100);
    // The options the engine offers, as widgets once a test has listed them.
    optionsArea_ = Named(new QScrollArea, "EngineOptionWidgets");
    optionsArea_->setWidgetResizable(true);
    optionsArea_->setMinimumHeight(120);
    optionsArea_->setVisible(false);
    opponent_ = Named(new QComboBox, "OpponentEngine");
    analyst_ = Named(new QComboBox, "AnalystEngine");
    moveSeconds_ = Named(new QDoubleSpinBox, "EngineMoveTime");
    moveSeconds_->setRange(0.1, 600);
    moveSeconds_->setDecimals(1);
    moveSeconds_->setSuffix(QStringLiteral(" 秒"));
    moveSeconds_->setValue(state_.moveMs / 1000.0);
    // A clock for both sides instead of the time per move: minutes for the game, 0 for none.
    clockMinutes_ = Named(new QSpinBox, "EngineClockMinutes");
    clockMinutes_->setRange(0, 180);
    clockMinutes_->setSpecialValueText(QStringLiteral("不用（按每步时间）"));
    clockMinutes_->setSuffix(QStringLiteral(" 分钟"));
    clockMinutes_->setValue((state_.clockBaseS + 59) / 60);
    clockIncrement_ = Named(new QSpinBox, "EngineClockIncrement");
    clockIncrement_->setRange(0, 60);
    clockIncrement_->setPrefix(QStringLiteral("每步加 "));
    clockIncrement_->setSuffix(QStringLiteral(" 秒"));
    clockIncrement_->setValue(state_.clockIncrementS);
    auto* clock = new QHBoxLayout;
    clock->addWidget(clockMinutes_);
    clock->addWidget(clockIncrement_);
    const auto followClock = [this] {
      moveSeconds_->setEnabled(clockMinutes_->value() == 0);
      clockIncrement_->setEnabled(clockMinutes_->value() > 0);
    };
    followClock();
    connect(clockMinutes_, &QSpinBox::valueChanged, this, followClock);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("名称"), name_);
    fields->addRow(QStringLiteral("命令行"), command_);
    fields->addRow(QStringLiteral("UCI 坐标"), numbering_);
    fields->addRow(QStringLiteral("选项"), options_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove_);
    buttons->addWidget(test_);
    buttons->addStretch();
    auto* choices = new QFormLayout;
    choices->addRow(QStringLiteral("对手（难度 3-8）"), opponent_);
    choices->addRow(QStringLiteral("每步时间"), moveSeconds_);
    choices->addRow(QStringLiteral("棋钟（双方）"), clock);
    choices->addRow(QStringLiteral("分析"), analyst_);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    box->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("EngineListOk"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->addWidget(report_);
    layout->addWidget(optionsArea_);
    layout->addLayout(choices);
    layout->addWidget(box);
    resize(520, 600);

    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { ShowRow(row); });
    connect(name_, &QLineEdit::textEdited, this, [this] { EditRow(); });
    connect(command_, &QLineEdit::textEdited, this, [this] { EditRow(); });
    connect(options_, &QLineEdit::textEdited, this, [this] {
      ClearOptionWidgets();  // typed by hand: the widgets no longer say what is set
      EditRow();
    });
    connect(numbering_, &QComboBox::activated, this, [this] { EditRow(); });
    connect(add, &QPushButton::clicked, this, [this] { Add(); });
    connect(remove_, &QPushButton::clicked, this, [this] { Remove(); });
    connect(test_, &QPushButton::clicked, this, [this] { Test(); });
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  }

  static QString Title(const EngineRow& row) {
    return Q(row.name.empty() ? row.command : row.name);
  }

  void FillList() {
    const int row = list_->currentRow();
    list_->clear();
    list_->addItem(QString::fromUtf8(kBuiltIn));
    for (const EngineRow& engine : state_.engines) list_->addItem(Title(engine));
    list_->setCurrentRow(std::min(row, list_->count() - 1));
  }

  // The two choices list the same engines; a removed engine's choice falls back to the built-in.
  void FillChoices() {
    for (QComboBox* choice : {opponent_, analyst_}) {
      const bool opponent = choice == opponent_;
      const int32_t chosen = opponent ? state_.opponent : state_.analyst;
      choice->clear();
      choice->addItem(QString::fromUtf8(kBuiltIn));
      for (const EngineRow& engine : state_.engines) choice->addItem(Title(engine));
      choice->setCurrentIndex(chosen >= 0 && chosen < choice->count() ? chosen : 0);
    }
  }

  void ShowRow(int row) {
    ClearOptionWidgets();
    const bool outside = row >= 1 && row <= int(state_.engines.size());
    for (QWidget* w : std::initializer_list<QWidget*>{remove_, test_}) w->setEnabled(outside);
    // On the built-in engine's row the fields are for a new engine, to be added.
    name_->setPlaceholderText(outside ? QString() : QStringLiteral("新引擎的名称（可不填）"));
    if (!outside) {
      name_->clear();
      command_->clear();
      options_->clear();
      numbering_->setCurrentIndex(0);
      return;
    }
    const EngineRow& engine = state_.engines[size_t(row - 1)];
    name_->setText(Q(engine.name));
    command_->setText(Q(engine.command));
    options_->setText(Q(engine.options));
    numbering_->setCurrentIndex(std::clamp(engine.numbering, 0, 2));
  }

  EngineRow FieldsRow() const {
    return EngineRow{name_->text().trimmed().toStdString(),
                     command_->text().trimmed().toStdString(), numbering_->currentIndex(),
                     options_->text().trimmed().toStdString()};
  }

  // The fields edit the engine selected; the built-in engine cannot be edited.
  void EditRow() {
    const int row = list_->currentRow();
    if (row < 1 || row > int(state_.engines.size())) return;
    state_.engines[size_t(row - 1)] = FieldsRow();
    list_->item(row)->setText(Title(state_.engines[size_t(row - 1)]));
    SaveChoices();
    FillChoices();
  }

  void Add() {
    EngineRow row = FieldsRow();
    if (row.command.empty()) {
      report_->setPlainText(QStringLiteral("请先填写引擎的命令行。"));
      return;
    }
    SaveChoices();
    state_.engines.push_back(row);
    FillList();
    FillChoices();
    list_->setCurrentRow(list_->count() - 1);
    report_->clear();
  }

  void Remove() {
    const int row = list_->currentRow();
    if (row < 1 || row > int(state_.engines.size())) return;
    SaveChoices();
    state_.engines.erase(state_.engines.begin() + (row - 1));
    for (int32_t* chosen : {&state_.opponent, &state_.analyst}) {
      if (*chosen == row)
        *chosen = 0;
      else if (*chosen > row)
        --*chosen;
    }
    FillList();
    FillChoices();
    report_->clear();
  }

  void SaveChoices() {
    state_.opponent = opponent_->currentIndex();
    state_.analyst = analyst_->currentIndex();
  }

  void Test() {
    const int row = list_->currentRow();
    if (row < 1 || row > int(state_.engines.size()) || !tester_) return;
    report_->setPlainText(QStringLiteral("正在启动 ") + Title(state_.engines[size_t(row - 1)]) +
                          QStringLiteral("…"));
    const int serial = ++tests_;
    ClearOptionWidgets();
    QPointer<EngineListDialog> self(this);
    tester_(state_.engines[size_t(row - 1)], [self, serial, row](const EngineTestReport& report) {
      // Only the newest test of a dialog still open is shown.
      if (self && self->tests_ == serial) self->ShowReport(report, row);
    });
  }

  void ShowReport(const EngineTestReport& report, int row) {
    report_->setPlainText(Q(report.text));
    if (list_->currentRow() != row) return;
    if (report.mendedOptions) {
      options_->setText(Q(*report.mendedOptions));
      EditRow();
    }
    if (report.options.empty()) return;
    auto* panel = new QWidget;
    auto* form = new QFormLayout(panel);
    for (const EngineOptionField& field : report.options)
      form->addRow(Q(field.name), OptionWidget(field));
    optionsArea_->setWidget(panel);
    optionsArea_->setVisible(true);
  }

  void ClearOptionWidgets() {
    if (optionsArea_ == nullptr) return;
    delete optionsArea_->takeWidget();
    optionsArea_->setVisible(false);
  }

  // The option set to `value`, or left to the engine's default (nothing), in the row's text.
  void SetOption(const std::string& name, const std::optional<std::string>& value) {
    if (!writer_) return;
    options_->setText(Q(writer_(options_->text().toStdString(), name, value)));
    EditRow();
  }

  QWidget* OptionWidget(const EngineOptionField& field) {
    const std::string name = field.name;
    const std::string defaultValue = field.defaultValue;
    // A value the same as the engine's default is not written down.
    auto set = [this, name, defaultValue](const std::string& value) {
      SetOption(name, value == defaultValue ? std::nullopt : std::optional<std::string>(value));
    };
    QWidget* widget = nullptr;
    switch (field.kind) {
      case EngineOptionField::Kind::kSpin: {
        auto* spin = new QSpinBox;
        spin->setRange(int(std::clamp<int64_t>(field.min, INT_MIN, INT_MAX)),
                       int(std::clamp<int64_t>(field.max, INT_MIN, INT_MAX)));
        spin->setValue(
            int(std::clamp<long long>(std::atoll(field.value.c_str()), INT_MIN, INT_MAX)));
        spin->setToolTip(QStringLiteral("%1 至 %2").arg(field.min).arg(field.max));
        connect(spin, &QSpinBox::valueChanged, this, [set](int v) { set(std::to_string(v)); });
        widget = spin;
        break;
      }
      case EngineOptionField::Kind::kCheck: {
        auto* check = new QCheckBox;
        check->setChecked(field.value == "true");
        connect(check, &QCheckBox::toggled, this, [set](bool on) { set(on ? "true" : "false"); });
        widget = check;
        break;
      }
      case EngineOptionField::Kind::kCombo: {
        auto* combo = new QComboBox;
        for (const std::string& choice : field.choices) combo->addItem(Q(choice));
        combo->setCurrentText(Q(field.value));
        connect(combo, &QComboBox::activated, this,
                [set, combo] { set(combo->currentText().toStdString()); });
        widget = combo;
        break;
      }
      case EngineOptionField::Kind::kText: {
        auto* edit = new QLineEdit(Q(field.value));
        connect(edit, &QLineEdit::editingFinished, this,
                [set, edit] { set(edit->text().trimmed().toStdString()); });
        widget = edit;
        break;
      }
      case EngineOptionField::Kind::kButton: {
        auto* press = new QCheckBox(QStringLiteral("引擎启动时按下"));
        press->setChecked(field.set);
        connect(press, &QCheckBox::toggled, this, [this, name](bool on) {
          SetOption(name, on ? std::optional<std::string>("") : std::nullopt);
        });
        widget = press;
        break;
      }
    }
    widget->setObjectName(QStringLiteral("Option:") + Q(field.name));
    return widget;
  }

  EngineListState state_;
  EngineTester tester_;
  EngineOptionWriter writer_;
  int tests_ = 0;
  QScrollArea* optionsArea_ = nullptr;
  QListWidget* list_ = nullptr;
  QLineEdit* name_ = nullptr;
  QLineEdit* command_ = nullptr;
  QComboBox* numbering_ = nullptr;
  QLineEdit* options_ = nullptr;
  QPushButton* remove_ = nullptr;
  QPushButton* test_ = nullptr;
  QPlainTextEdit* report_ = nullptr;
  QComboBox* opponent_ = nullptr;
  QComboBox* analyst_ = nullptr;
  QSpinBox* clockMinutes_ = nullptr;
  QSpinBox* clockIncrement_ = nullptr;
  QDoubleSpinBox* moveSeconds_ = nullptr;
};

}  // namespace

std::optional<EngineListState> ShowEngineListDialog(const EngineListState& state,
                                                    EngineTester tester,
                                                    EngineOptionWriter writer) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return std::nullopt;
  EngineListDialog dialog(state, std::move(tester), std::move(writer));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Result();
}

}  // namespace ui
