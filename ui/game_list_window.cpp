#include "ui/game_list_window.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <array>
#include <optional>
#include <vector>

#include "ui/named.h"

namespace ui {

namespace {

constexpr int kColumns = 8;
// Games opened at a time to find what a summary cannot see: a few milliseconds' work.
constexpr size_t kCheckedAtOnce = 16;
constexpr std::array<const char*, kColumns> kHeaders = {"序号", "红方", "黑方", "结果",
                                                        "赛事", "日期", "回合", "问题"};

// The games' summaries as rows of text, read once when the list opens. What a summary cannot
// see (a move that is not legal) is found by opening the games, a few at a time while the list
// is shown, and marked as it is found.
class GameListModel : public QAbstractTableModel {
 public:
  explicit GameListModel(const record::GameList& list) : list_(list) {
    rows_.reserve(list.Count());
    for (size_t i = 0; i < list.Count(); ++i) {
      const record::GameSummary summary = list.Summary(i);
      auto tag = [&](const char* name) {
        return QString::fromStdString(record::CommonTag(summary.tags, name));
      };
      std::array<QString, kColumns> row{QString::number(i + 1),
                                        tag("Red"),
                                        tag("Black"),
                                        tag("Result"),
                                        tag("Event"),
                                        tag("Date"),
                                        QString::number((summary.plies + 1) / 2),
                                        QString()};
      if (!summary.problems.empty())
        row[kColumns - 1] = QString::fromStdString(summary.problems.front().Text());
      rows_.push_back(std::move(row));
    }
  }

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : int(rows_.size());
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : kColumns;
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    const auto& row = rows_[size_t(index.row())];
    switch (role) {
      case Qt::DisplayRole:
      case Qt::ToolTipRole:
        return row[size_t(index.column())];
      case Qt::ForegroundRole:  // a broken game in red
        if (!row[kColumns - 1].isEmpty()) return QColor(0xb0, 0x10, 0x10);
        return {};
      case Qt::UserRole:  // every word of the game, for the filter
        return QStringList(row.begin(), row.end()).join(QLatin1Char(' '));
      default:
        return {};
    }
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return QString::fromUtf8(kHeaders[size_t(section)]);
  }

  // Opens the next `count` games; false once every game has been looked at.
  bool CheckSome(size_t count) {
    for (; count > 0 && checked_ < rows_.size(); --count, ++checked_) {
      QString& problem = rows_[checked_][kColumns - 1];
      if (!problem.isEmpty()) continue;
      record::ReadError error;
      const std::optional<record::OpenedGame> game = list_.Game(checked_, &error);
      if (game && game->problems.empty()) continue;
      problem = QString::fromStdString(game ? game->problems.front().Text() : error.Text());
      const int row = int(checked_);
      emit dataChanged(index(row, 0), index(row, kColumns - 1));
    }
    return checked_ < rows_.size();
  }

 private:
  const record::GameList& list_;
  std::vector<std::array<QString, kColumns>> rows_;
  size_t checked_ = 0;
};

}  // namespace

std::optional<size_t> ChooseGameDialog(const record::GameList& list, const std::string& caption) {
  QDialog dialog;
  dialog.setObjectName(QStringLiteral("GameListDialog"));
  dialog.setWindowTitle(QString::fromStdString(caption));
  GameListModel model(list);
  QSortFilterProxyModel filtered;
  filtered.setSourceModel(&model);
  filtered.setFilterRole(Qt::UserRole);
  filtered.setFilterKeyColumn(0);
  filtered.setFilterCaseSensitivity(Qt::CaseInsensitive);

  auto* count = new QLabel(QStringLiteral("这个文件有 %1 局棋。").arg(list.Count()));
  auto* filter = Named(new QLineEdit, "GameListFilter");
  filter->setPlaceholderText(QStringLiteral("筛选：棋手、赛事、日期……"));
  filter->setClearButtonEnabled(true);
  auto* table = Named(new QTableView, "GameListTable");
  table->setModel(&filtered);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->verticalHeader()->hide();
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
  table->horizontalHeader()->setStretchLastSection(true);
  table->setWordWrap(false);
  // Fixed widths (measuring every row of a long list would take a while); what is broken gets
  // the rest, and its whole text is the cell's tooltip.
  const QFontMetrics metrics = table->fontMetrics();
  const int digits = metrics.horizontalAdvance(QStringLiteral("00000")) + 12;
  const int words = metrics.horizontalAdvance(QStringLiteral("全国象棋个人赛")) + 12;
  const int date = metrics.horizontalAdvance(QStringLiteral("2026.12.31")) + 12;
  const int names = words * 2 / 3;
  const int widths[kColumns - 1] = {digits, names, names, digits + 12, words, date, digits};
  for (int column = 0; column < kColumns - 1; ++column)
    table->setColumnWidth(column, widths[column]);
  table->selectRow(0);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
  QPushButton* open = Named(buttons->button(QDialogButtonBox::Open), "GameListOpen");
  open->setText(QStringLiteral("打开"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(table, &QTableView::doubleClicked, &dialog, &QDialog::accept);
  QObject::connect(filter, &QLineEdit::textChanged, &dialog, [&](const QString& text) {
    filtered.setFilterFixedString(text);
    if (!table->selectionModel()->hasSelection()) table->selectRow(0);
    open->setEnabled(filtered.rowCount() > 0);
  });

  // The games are looked at while the list is shown, between the player's actions.
  QTimer checking;
  QObject::connect(&checking, &QTimer::timeout, &dialog, [&] {
    if (!model.CheckSome(kCheckedAtOnce)) checking.stop();
  });
  checking.start(0);

  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(count);
  layout->addWidget(filter);
  layout->addWidget(table, 1);
  layout->addWidget(buttons);
  dialog.resize(900, 460);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QModelIndexList chosen = table->selectionModel()->selectedRows();
  if (chosen.isEmpty()) return std::nullopt;
  return size_t(filtered.mapToSource(chosen.front()).row());
}

}  // namespace ui
