#include "ui/side_window.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "runtime/error.h"
#include "runtime/lifecycle.h"
#include "runtime/windows/window_manager.h"
#include "runtime/windows/window_unit.h"

namespace ui {

using runtime::MenuActionHandler;
using runtime::MenuEntry;
using runtime::MenuItemState;
using runtime::MenuStateQuery;

namespace {

using Row = std::array<std::string, 3>;

constexpr ScreenSize kPreferredSize{300, 0};  // the height is the neighbour's
constexpr ScreenSize kSmallestSize{200, 160};
constexpr double kGraphCap = 10.0;
constexpr int kGraphHeight = 96;
constexpr int kGraphMargin = 4;
constexpr int kCommentLines = 4;  // a longer comment scrolls
constexpr int kChoiceRows = 4;    // more variations scroll

bool CallbacksAllowed() {
  return runtime::ErrorsInProgress() == 0;
}

// Runs a callback of the game. The callback may close the window or replace what it shows, so the
// caller touches nothing of its own after it; the copy keeps the function alive meanwhile.
template <typename Function, typename... Args>
void CallGame(const Function& function, Args... args) {
  if (!function || !CallbacksAllowed()) return;
  Function copy = function;
  copy(args...);
}

constexpr std::pair<Qt::Key, SideKey> kSideKeys[] = {
    {Qt::Key_Home, SideKey::kHome},     {Qt::Key_End, SideKey::kEnd},
    {Qt::Key_Left, SideKey::kLeft},     {Qt::Key_Right, SideKey::kRight},
    {Qt::Key_Up, SideKey::kUp},         {Qt::Key_Down, SideKey::kDown},
    {Qt::Key_PageUp, SideKey::kPageUp}, {Qt::Key_PageDown, SideKey::kPageDown}};

std::optional<SideKey> SideKeyOf(const QKeyEvent& key) {
  if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
    return std::nullopt;
  for (const auto& [qt, side] : kSideKeys)
    if (key.key() == qt) return side;
  return std::nullopt;
}

// The moves by round. Only the rows that changed are announced, so the view lays out and paints
// no more than those; the current move is marked through the roles, never through the view's
// selection, which the game alone decides.
class MoveListModel : public QAbstractTableModel {
 public:
  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
  }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 3; }
  Qt::ItemFlags flags(const QModelIndex&) const override { return Qt::ItemIsEnabled; }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    const bool current = index.row() == currentRow_ && index.column() == currentColumn_;
    switch (role) {
      case Qt::DisplayRole:
        return QString::fromStdString(
            rows_[static_cast<size_t>(index.row())][static_cast<size_t>(index.column())]);
      case Qt::TextAlignmentRole:
        return index.column() == 0 ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
      case Qt::FontRole:
        if (!current) return {};
        return boldFont_;
      case Qt::BackgroundRole:
        if (!current) return {};
        return QApplication::palette().brush(QPalette::Active, QPalette::Highlight);
      case Qt::ForegroundRole:
        if (current)
          return QApplication::palette().brush(QPalette::Active, QPalette::HighlightedText);
        if (index.column() == 1) return QBrush(QColor(0xa0, 0x10, 0x10));  // red's moves in red
        if (index.column() == 0) return QApplication::palette().brush(QPalette::PlaceholderText);
        return {};
      default:
        return {};
    }
  }

  const std::vector<Row>& Rows() const { return rows_; }

  void SetRows(const std::vector<Row>& rows) {
    if (currentRow_ >= Int(rows.size())) currentRow_ = currentColumn_ = -1;
    const size_t kept = std::min(rows.size(), rows_.size());
    size_t first = kept, last = 0;
    for (size_t i = 0; i < kept; ++i)
      if (rows_[i] != rows[i]) {
        rows_[i] = rows[i];
        first = std::min(first, i);
        last = i;
      }
    if (first < kept) emit dataChanged(index(Int(first), 0), index(Int(last), 2));
    if (rows.size() > rows_.size()) {
      beginInsertRows({}, Int(rows_.size()), Int(rows.size()) - 1);
      rows_.insert(rows_.end(), rows.begin() + static_cast<ptrdiff_t>(kept), rows.end());
      endInsertRows();
    } else if (rows.size() < rows_.size()) {
      beginRemoveRows({}, Int(rows.size()), Int(rows_.size()) - 1);
      rows_.resize(rows.size());
      endRemoveRows();
    }
  }

  // Returns the index of the new mark, invalid for none.
  QModelIndex SetCurrent(int32_t row, int32_t column) {
    const QModelIndex old = index(currentRow_, currentColumn_);
    const QModelIndex now = index(row, column);
    const bool valid = now.isValid() && column > 0;
    currentRow_ = valid ? row : -1;
    currentColumn_ = valid ? column : -1;
    if (old.isValid()) emit dataChanged(old, old);
    if (valid) emit dataChanged(now, now);
    return valid ? now : QModelIndex();
  }

  void SetBoldFont(const QFont& font) {
    boldFont_ = font;
    boldFont_.setBold(true);
  }

 private:
  static int Int(size_t n) { return static_cast<int>(n); }

  std::vector<Row> rows_;
  int currentRow_ = -1;
  int currentColumn_ = -1;
  QFont boldFont_;
};

// The game's evaluation after each position as a curve about the zero line: red's advantage up
// and shaded red, black's down and shaded dark; unknown values leave gaps.
class EvaluationGraph : public QWidget {
 public:
  explicit EvaluationGraph(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SideGraph"));
    setFixedHeight(kGraphHeight);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
  }

  void Set(const std::vector<std::optional<double>>& values, int32_t current,
           std::vector<std::string> tips) {
    values_ = values;
    tips_ = std::move(tips);
    for (std::optional<double>& value : values_)
      if (value && std::isnan(*value)) value.reset();  // no place on the curve
    current_ = current;
    setVisible(!values_.empty());
    update();
  }

  std::function<void(int32_t)> clicked;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = Area();
    painter.fillRect(rect(), palette().base());
    painter.setPen(QPen(palette().mid().color(), 0, Qt::DotLine));
    for (double v : {-5.0, 5.0})
      painter.drawLine(QPointF(area.left(), Y(v)), QPointF(area.right(), Y(v)));
    painter.setPen(QPen(palette().mid().color(), 1));
    painter.drawLine(QPointF(area.left(), Y(0)), QPointF(area.right(), Y(0)));
    DrawScale(painter, area);
    DrawCurve(painter, area);
    DrawCurrent(painter);
    painter.setPen(palette().mid().color());
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }

  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    lastClicked_ = -1;
    Report(event->position().x());
  }

  // Dragging along the graph goes through the positions under the pointer.
  void mouseMoveEvent(QMouseEvent* event) override {
    if (event->buttons() & Qt::LeftButton) Report(event->position().x());
  }

  // The pointer resting over a point: its move and score.
  bool event(QEvent* event) override {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const size_t index = values_.empty() ? 0 : static_cast<size_t>(IndexAt(help->pos().x()));
    if (index < tips_.size() && !tips_[index].empty())
      QToolTip::showText(help->globalPos(), QString::fromStdString(tips_[index]), this);
    else
      QToolTip::hideText();
    return true;
  }

 private:
  QRectF Area() const {
    return QRectF(rect()).adjusted(kGraphMargin, kGraphMargin, -kGraphMargin, -kGraphMargin);
  }

  double X(size_t i) const {
    const QRectF area = Area();
    if (values_.size() < 2) return area.center().x();
    return area.left() +
           area.width() * static_cast<double>(i) / static_cast<double>(values_.size() - 1);
  }

  double Y(double value) const {
    const QRectF area = Area();
    const double capped = std::clamp(value, -kGraphCap, kGraphCap);
    return area.center().y() - capped / kGraphCap * area.height() / 2;
  }

  int32_t IndexAt(double x) const {
    if (values_.size() < 2) return 0;
    const QRectF area = Area();
    const double step = area.width() / static_cast<double>(values_.size() - 1);
    const double i = std::round((x - area.left()) / step);
    return static_cast<int32_t>(std::clamp(i, 0.0, static_cast<double>(values_.size() - 1)));
  }

  void Report(double x) {
    if (values_.empty()) return;
    const int32_t index = IndexAt(x);
    if (index == lastClicked_) return;
    lastClicked_ = index;
    CallGame(clicked, index);
  }

  // The pawns the lines stand for, at the left edge.
  void DrawScale(QPainter& painter, const QRectF& area) {
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.75);
    painter.setFont(small);
    painter.setPen(palette().placeholderText().color());
    const double half = QFontMetricsF(small).height() / 2;
    for (const auto& [value, text] : {std::pair{5.0, "+5"}, {0.0, "0"}, {-5.0, "-5"}})
      painter.drawText(QRectF(area.left() + 1, Y(value) - half, area.width(), 2 * half),
                       Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(text));
  }

  // Each run of known values is one filled shape, shaded by which side of the zero line it is.
  void DrawCurve(QPainter& painter, const QRectF& area) {
    const double zero = Y(0);
    QPainterPath line, fill;
    for (size_t i = 0; i < values_.size();) {
      if (!values_[i]) {
        ++i;
        continue;
      }
      const size_t start = i;
      QPolygonF points;
      for (; i < values_.size() && values_[i]; ++i) points << QPointF(X(i), Y(*values_[i]));
      if (i - start == 1) points << points.front() + QPointF(0.5, 0);  // a lone point still shows
      line.addPolygon(points);
      QPolygonF shape = points;
      shape.prepend(QPointF(X(start), zero));
      shape << QPointF(points.back().x(), zero);
      fill.addPolygon(shape);
      fill.closeSubpath();
    }
    painter.setPen(Qt::NoPen);
    painter.save();
    painter.setClipRect(QRectF(area.left(), area.top(), area.width(), zero - area.top()));
    painter.fillPath(fill, QColor(0xd0, 0x30, 0x30, 0x70));
    painter.setClipRect(QRectF(area.left(), zero, area.width(), area.bottom() - zero));
    painter.fillPath(fill, QColor(0x30, 0x30, 0x30, 0x60));
    painter.restore();
    painter.setPen(QPen(palette().text().color(), 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(line);
  }

  void DrawCurrent(QPainter& painter) {
    if (current_ < 0 || static_cast<size_t>(current_) >= values_.size()) return;
    const size_t i = static_cast<size_t>(current_);
    const QColor mark = palette().highlight().color();
    painter.setPen(QPen(mark, 1.5));
    painter.drawLine(QPointF(X(i), 0), QPointF(X(i), height()));
    if (!values_[i]) return;
    painter.setBrush(mark);
    painter.drawEllipse(QPointF(X(i), Y(*values_[i])), 3, 3);
  }

  std::vector<std::optional<double>> values_;
  std::vector<std::string> tips_;
  int32_t current_ = -1;
  int32_t lastClicked_ = -1;
};

// A text's characters held together (a move, a figure with its unit), so that a line wraps only
// between two of them.
QString Unbroken(const std::string& words) {
  const QString text = QString::fromStdString(words);
  QString joined;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (i > 0 && !text[i].isLowSurrogate()) joined += QChar(0x2060);  // word joiner
    joined += text[i] == QLatin1Char(' ') ? QChar(0x00a0) : text[i];  // no-break space
  }
  return joined;
}

// The lines as rich text: a row of figures for each, the moves under it across the row.
QString AnalysisTable(const std::vector<analysis::LineCells>& lines) {
  QString html = QStringLiteral(
      "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\">"
      "<tr><th align=\"left\">线&nbsp;&nbsp;</th><th align=\"left\">深度</th>"
      "<th align=\"right\">分数</th><th align=\"right\">速度</th></tr>");
  for (const analysis::LineCells& line : lines) {
    QStringList moves;
    for (const std::string& move : line.moves) moves << Unbroken(move).toHtmlEscaped();
    html += QStringLiteral(
                "<tr><td>%1</td><td>%2</td><td align=\"right\"><b>%3</b></td>"
                "<td align=\"right\">%4</td></tr><tr><td></td><td colspan=\"3\">%5</td></tr>")
                .arg(Unbroken(line.line).toHtmlEscaped(), Unbroken(line.depth).toHtmlEscaped(),
                     Unbroken(line.score).toHtmlEscaped(), Unbroken(line.speed).toHtmlEscaped(),
                     moves.join(' '));
  }
  return html + QStringLiteral("</table>");
}

// The menu bar built from the game's entries. Each key is a separate action of the window (the
// menu items only show it), so a key works whatever state the items were last drawn in and is
// checked against the game's answer when pressed.
class SideMenu : public QObject {
 public:
  SideMenu(QWidget& window, std::vector<MenuEntry> entries, MenuStateQuery state,
           MenuActionHandler action)
      : QObject(&window), state_(std::move(state)), action_(std::move(action)) {
    bar_ = new QMenuBar(&window);
    bar_->setObjectName(QStringLiteral("SideMenuBar"));
    Build(window, entries);
  }

  ~SideMenu() override {
    delete bar_.data();
    for (const QPointer<QAction>& key : keys_) delete key.data();
  }

  // Takes the bar and the keys out of use at once and deletes them later: the menu may be
  // replaced from one of its own actions.
  void Retire(QWidget& window) {
    if (bar_) bar_->hide();
    for (const QPointer<QAction>& key : keys_)
      if (key) window.removeAction(key);
    deleteLater();
  }

  QMenuBar* Bar() const { return bar_; }

 private:
  void Build(QWidget& window, const std::vector<MenuEntry>& entries) {
    std::vector<QMenu*> open;  // the submenus being filled, innermost last
    QActionGroup* group = nullptr;
    for (const MenuEntry& entry : entries) {
      const QString text = QString::fromStdString(entry.text);
      switch (entry.kind) {
        case MenuEntry::Kind::kSeparator:
          open.empty() ? bar_->addSeparator() : open.back()->addSeparator();
          continue;
        case MenuEntry::Kind::kSubmenu:
          open.push_back(open.empty() ? bar_->addMenu(text) : open.back()->addMenu(text));
          connect(open.back(), &QMenu::aboutToShow, this, [this] { Refresh(); });
          group = nullptr;
          continue;
        case MenuEntry::Kind::kEndSubmenu:
          if (!open.empty()) open.pop_back();
          group = nullptr;
          continue;
        default:
          break;
      }
      const QKeySequence key(QString::fromStdString(entry.shortcut), QKeySequence::PortableText);
      QString label = text;
      if (!key.isEmpty()) label += QLatin1Char('\t') + key.toString(QKeySequence::NativeText);
      QAction* item = open.empty() ? bar_->addAction(label) : open.back()->addAction(label);
      item->setCheckable(entry.kind != MenuEntry::Kind::kAction);
      if (!entry.tip.empty()) {
        item->setToolTip(QString::fromStdString(entry.tip));
        if (!open.empty()) open.back()->setToolTipsVisible(true);
      }
      if (entry.kind == MenuEntry::Kind::kRadio) {
        if (group == nullptr) group = new QActionGroup(item->parent());
        group->addAction(item);
      }
      const int32_t id = entry.id;
      connect(item, &QAction::triggered, this, [this, id] { ActIfEnabled(id); });
      items_.push_back({id, item});
      if (!key.isEmpty()) AddKey(window, key, id);
    }
    Refresh();
  }

  void AddKey(QWidget& window, const QKeySequence& sequence, int32_t id) {
    auto* key = new QAction(&window);
    key->setShortcut(sequence);
    key->setShortcutContext(Qt::WindowShortcut);
    connect(key, &QAction::triggered, this, [this, id] { ActIfEnabled(id); });
    window.addAction(key);
    keys_.push_back(key);
  }

  void Refresh() {
    if (!state_ || !CallbacksAllowed()) return;
    for (auto& [id, item] : items_) {
      const MenuItemState s = state_(id);
      item->setEnabled(s.enabled);
      if (item->isCheckable()) item->setChecked(s.checked);
    }
  }

  // Items of the bar itself have no opening to refresh them, and keys none at all: the game is
  // asked again when one is used.
  void ActIfEnabled(int32_t id) {
    if (!CallbacksAllowed() || (state_ && !state_(id).enabled)) return;
    CallGame(action_, id);
  }

  MenuStateQuery state_;
  MenuActionHandler action_;
  QPointer<QMenuBar> bar_;
  std::vector<std::pair<int32_t, QAction*>> items_;
  std::vector<QPointer<QAction>> keys_;
};

}  // namespace

class SideWindowWidget : public QWidget {
 public:
  SideWindowWidget() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("SideWindow"));
    setFocusPolicy(Qt::StrongFocus);
    // The graph's and the menu's tips while the player looks at the board beside it.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(6, 6, 6, 6);
    layout_->setSpacing(6);
    status_ = AddLabel("SideStatus", Qt::PlainText);
    notice_ = AddLabel("SideNotice", Qt::PlainText);
    notice_->setStyleSheet(QStringLiteral("color: #1a4f9c"));
    BuildClocks();
    BuildList();
    BuildChoices();
    comment_ = new QPlainTextEdit(this);
    comment_->setObjectName(QStringLiteral("SideComment"));
    comment_->setReadOnly(true);
    comment_->setFocusPolicy(Qt::NoFocus);
    comment_->hide();
    layout_->addWidget(comment_);
    notes_ = AddLabel("SideNotes", Qt::PlainText);
    BuildAnalysis();
    graph_ = new EvaluationGraph(this);
    graph_->clicked = [this](int32_t index) { CallGame(callbacks_.graphClicked, index); };
    graph_->hide();
    layout_->addWidget(graph_);
  }

  void SetCallbacks(SideWindowCallbacks callbacks) { callbacks_ = std::move(callbacks); }

  void SetRows(const std::vector<Row>& rows) {
    const int before = model_.rowCount({});
    model_.SetRows(rows);
    rowsCounted_ = rowsCounted_ && before == model_.rowCount({});
  }

  void SetCurrent(int32_t row, int32_t column) {
    const QModelIndex mark = model_.SetCurrent(row, column);
    if (!mark.isValid()) return;
    // The view lays out new rows later; scrolling needs their place now.
    if (!rowsCounted_) list_->doItemsLayout();
    rowsCounted_ = true;
    list_->scrollTo(mark, QAbstractItemView::EnsureVisible);
  }

  void SetNotes(const std::vector<std::string>& lines) {
    QStringList text;
    for (const std::string& line : lines) text << QString::fromStdString(line);
    ShowText(*notes_, text.join(QLatin1Char('\n')));
  }

  void SetGraph(const std::vector<std::optional<double>>& values, int32_t current,
                std::vector<std::string> tips) {
    graph_->Set(values, current, std::move(tips));
  }

  // The status wraps only between its parts (" · ").
  void SetStatus(const std::string& status, const std::string& notice, bool ended) {
    QStringList parts;
    for (const QString& part : QString::fromStdString(status).split(QStringLiteral(" · ")))
      parts << Unbroken(part.toStdString());
    ShowText(*status_, parts.join(QStringLiteral(" · ")));
    QFont font = status_->font();
    if (font.bold() != ended) {
      font.setBold(ended);
      status_->setFont(font);
    }
    ShowText(*notice_, QString::fromStdString(notice));
  }

  void SetAnalysis(const std::vector<analysis::LineCells>& lines) {
    ShowText(*analysis_, lines.empty() ? QString() : AnalysisTable(lines));
    analysisArea_->setVisible(!lines.empty());
  }

  void SetChoices(const std::string& title, const std::vector<std::string>& choices,
                  int32_t current) {
    choices_->setVisible(!choices.empty());
    choicesTitle_->setText(QString::fromStdString(title));
    QStringList items;
    for (const std::string& choice : choices) items << QString::fromStdString(choice);
    const bool same = choiceList_->count() == items.size() &&
                      std::equal(items.begin(), items.end(), shownChoices_.begin());
    if (!same) {
      choiceList_->clear();
      choiceList_->addItems(items);
      shownChoices_ = items;
      const int rows = std::min<int>(int(items.size()), kChoiceRows);
      choiceList_->setFixedHeight(rows * (QFontMetrics(font()).height() + 4) + 6);
    }
    for (int i = 0; i < choiceList_->count(); ++i) {
      QFont bold = choiceList_->font();
      bold.setBold(i == current);
      choiceList_->item(i)->setFont(bold);
      choiceList_->item(i)->setBackground(
          i == current ? QApplication::palette().brush(QPalette::Active, QPalette::Highlight)
                       : QBrush());
      choiceList_->item(i)->setForeground(
          i == current ? QApplication::palette().brush(QPalette::Active, QPalette::HighlightedText)
                       : QApplication::palette().brush(QPalette::Active, QPalette::Text));
    }
  }

  void SetComment(const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (comment_->toPlainText() != shown) comment_->setPlainText(shown);
    comment_->setVisible(!text.empty());
    // As tall as the comment, up to a few lines (a longer one scrolls): the moves keep the room.
    // Measured as laid out, Chinese from its fallback font included.
    const QFontMetrics metrics(comment_->font());
    const int width = std::max(comment_->viewport()->width() - 8, metrics.averageCharWidth() * 8);
    auto height = [&](const QString& text) {
      return metrics.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap, text).height();
    };
    const int margins =
        2 * comment_->frameWidth() + 2 * int(comment_->document()->documentMargin()) + 2;
    comment_->setFixedHeight(std::min(height(shown), height(QStringLiteral("中")) * kCommentLines) +
                             margins);
  }

  // Minimized and restored along with the window it stands beside.
  void FollowMinimizing(QWidget& neighbour) {
    neighbour.installEventFilter(this);
    neighbour_ = &neighbour;
  }

  void SetClocks(const std::optional<ClockFace>& face) {
    clocks_->setVisible(face.has_value());
    if (!face) return;
    ShowClock(*red_, "红 " + face->red, face->redRunning, face->redLow);
    ShowClock(*black_, "黑 " + face->black, face->blackRunning, face->blackLow);
  }

  void SetMenu(std::vector<MenuEntry> entries, MenuStateQuery state, MenuActionHandler action) {
    layout_->setMenuBar(nullptr);
    if (menu_) menu_->Retire(*this);
    menu_.clear();
    if (entries.empty()) return;
    menu_ = new SideMenu(*this, std::move(entries), std::move(state), std::move(action));
    layout_->setMenuBar(menu_->Bar());
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (!TakeKey(*event)) QWidget::keyPressEvent(event);
  }

  // The list would move its own cursor with these keys; the game decides what they do. The
  // neighbour's minimizing is followed.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && watched == list_)
      return TakeKey(*static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::WindowStateChange && watched == neighbour_ && isVisible()) {
      if (neighbour_->isMinimized() && !isMinimized())
        showMinimized(), minimizedWithNeighbour_ = true;
      else if (!neighbour_->isMinimized() && std::exchange(minimizedWithNeighbour_, false))
        showNormal();
    }
    return false;
  }

  void closeEvent(QCloseEvent* event) override;

 private:
  // The two clocks in a row above the moves, large: the one running bold, one under its last
  // seconds red. A label is touched only when what it shows changes.
  void BuildClocks() {
    clocks_ = new QWidget(this);
    clocks_->setObjectName(QStringLiteral("SideClocks"));
    auto* row = new QHBoxLayout(clocks_);
    row->setContentsMargins(0, 0, 0, 0);
    QFont large = font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    for (QLabel** clock : {&red_, &black_}) {
      *clock = new QLabel(clocks_);
      (*clock)->setFont(large);
      (*clock)->setAlignment(Qt::AlignCenter);
      row->addWidget(*clock, 1);
    }
    red_->setObjectName(QStringLiteral("SideClockRed"));
    black_->setObjectName(QStringLiteral("SideClockBlack"));
    clocks_->hide();
    layout_->addWidget(clocks_);
  }

  // A label of text under the one before, wrapped, hidden while empty.
  QLabel* AddLabel(const char* name, Qt::TextFormat format) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(format);
    label->setWordWrap(true);
    label->setFocusPolicy(Qt::NoFocus);
    label->hide();
    layout_->addWidget(label);
    return label;
  }

  // The analysis's table shares the height with the moves and scrolls when the lines are longer
  // than its share: nothing of it is ever cut off.
  void BuildAnalysis() {
    analysisArea_ = new QScrollArea(this);
    analysisArea_->setObjectName(QStringLiteral("SideAnalysisArea"));
    analysisArea_->setFrameShape(QFrame::NoFrame);
    analysisArea_->setWidgetResizable(true);
    analysisArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    analysisArea_->setFocusPolicy(Qt::NoFocus);
    analysis_ = AddLabel("SideAnalysis", Qt::RichText);
    analysis_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout_->removeWidget(analysis_);
    analysisArea_->setWidget(analysis_);
    analysisArea_->hide();
    layout_->addWidget(analysisArea_, 2);
  }

  // Touched only when what it shows changes.
  static void ShowText(QLabel& label, const QString& text) {
    if (label.text() != text) label.setText(text);
    label.setVisible(!text.isEmpty());
  }

  static void ShowClock(QLabel& clock, const std::string& text, bool running, bool low) {
    const QString shown = QString::fromStdString(text);
    const QString style =
        QStringLiteral("color: %1; font-weight: %2")
            .arg(low ? QStringLiteral("#c00000") : QStringLiteral("palette(text)"),
                 running ? QStringLiteral("bold") : QStringLiteral("normal"));
    if (clock.text() != shown) clock.setText(shown);
    if (clock.styleSheet() != style) clock.setStyleSheet(style);
  }

  void BuildList() {
    list_ = new QTableView(this);
    list_->setObjectName(QStringLiteral("SideMoveList"));
    list_->setModel(&model_);
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(false);
    list_->setAlternatingRowColors(true);
    list_->setWordWrap(false);
    list_->setCornerButtonEnabled(false);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->horizontalHeader()->hide();
    list_->verticalHeader()->hide();
    // Fixed rows and columns: no measuring of every cell when rows come and go.
    const QFontMetrics metrics(font());
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    list_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    list_->horizontalHeader()->resizeSection(
        0, metrics.horizontalAdvance(QStringLiteral("000.")) + 10);
    list_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    list_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    list_->installEventFilter(this);
    model_.SetBoldFont(font());
    connect(list_, &QTableView::clicked, this, [this](const QModelIndex& index) {
      const int column = index.column();
      if (column < 1) return;
      if (model_.Rows()[static_cast<size_t>(index.row())][static_cast<size_t>(column)].empty())
        return;
      CallGame(callbacks_.cellClicked, index.row(), column);
    });
    layout_->addWidget(list_, 1);
  }

  // The variations of a move to choose from: a title and a short list; a click on one chooses it.
  void BuildChoices() {
    choices_ = new QWidget(this);
    choices_->setObjectName(QStringLiteral("SideChoices"));
    auto* column = new QVBoxLayout(choices_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    choicesTitle_ = new QLabel(choices_);
    choicesTitle_->setObjectName(QStringLiteral("SideChoicesTitle"));
    column->addWidget(choicesTitle_);
    choiceList_ = new QListWidget(choices_);
    choiceList_->setObjectName(QStringLiteral("SideChoiceList"));
    choiceList_->setFocusPolicy(Qt::NoFocus);
    choiceList_->setSelectionMode(QAbstractItemView::NoSelection);
    column->addWidget(choiceList_);
    connect(choiceList_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
      CallGame(callbacks_.choiceClicked, int32_t(choiceList_->row(item)));
    });
    choices_->hide();
    layout_->addWidget(choices_);
  }

  bool TakeKey(const QKeyEvent& event) {
    const std::optional<SideKey> key = SideKeyOf(event);
    if (!key) return false;
    CallGame(callbacks_.keyPressed, *key);
    return true;
  }

  SideWindowCallbacks callbacks_;
  QVBoxLayout* layout_ = nullptr;
  MoveListModel model_;
  QTableView* list_ = nullptr;
  QLabel* notes_ = nullptr;
  QWidget* choices_ = nullptr;
  QLabel* choicesTitle_ = nullptr;
  QListWidget* choiceList_ = nullptr;
  QStringList shownChoices_;
  QPlainTextEdit* comment_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* notice_ = nullptr;
  QLabel* analysis_ = nullptr;
  QScrollArea* analysisArea_ = nullptr;
  QPointer<QWidget> neighbour_;
  bool minimizedWithNeighbour_ = false;
  QWidget* clocks_ = nullptr;
  QLabel* red_ = nullptr;
  QLabel* black_ = nullptr;
  EvaluationGraph* graph_ = nullptr;
  QPointer<SideMenu> menu_;
  bool rowsCounted_ = true;  // whether the view has laid out the rows it holds
};

namespace {

// Takes the window out of service at once: later calls see none, and it goes when the current
// event is done (a callback may be running inside it).
void Retire(QPointer<SideWindowWidget>& kept) {
  SideWindowWidget* window = kept.data();
  if (window == nullptr) return;
  kept.clear();
  window->hide();
  window->deleteLater();
}

}  // namespace

void SideWindowWidget::closeEvent(QCloseEvent* event) {
  event->accept();
  const std::function<void()> closed = callbacks_.closedByUser;
  // The owner's handle goes null with the widget; the widget itself goes once the event is done.
  hide();
  deleteLater();
  CallGame(closed);
}

namespace {

ScreenRect RectOf(const QRect& r) {
  return {r.x(), r.y(), r.width(), r.height()};
}

// Puts a new window beside `beside`, its frame taken to be as thick as the neighbour's (the frame
// of a window not yet shown is unknown).
void PlaceBeside(SideWindowWidget& window, const QWidget& beside) {
  const QScreen* screen = beside.screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  const QRect frame = beside.frameGeometry();
  const QRect inner = beside.geometry();
  const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(),
                         frame.right() - inner.right(), frame.bottom() - inner.bottom());
  const ScreenRect place =
      PlaceSideWindow(RectOf(screen != nullptr ? screen->availableGeometry() : frame),
                      RectOf(frame), {kPreferredSize.width, frame.height()}, kSmallestSize);
  window.move(place.x, place.y);
  window.resize(std::max(1, place.width - margins.left() - margins.right()),
                std::max(1, place.height - margins.top() - margins.bottom()));
}

}  // namespace

ScreenRect PlaceSideWindow(const ScreenRect& screen, const ScreenRect& beside, ScreenSize preferred,
                           ScreenSize smallest) {
  const int32_t screenRight = screen.x + screen.width;
  const int32_t screenBottom = screen.y + screen.height;
  const int32_t besideRight = beside.x + beside.width;
  const int32_t besideBottom = beside.y + beside.height;
  // Beside: as tall as preferred, moved up or down into the screen.
  const int32_t height = std::min(preferred.height, screen.height);
  const int32_t top = std::clamp(beside.y, screen.y, std::max(screen.y, screenBottom - height));
  if (const int32_t room = screenRight - besideRight; room >= smallest.width)
    return {besideRight, top, std::min(preferred.width, room), height};
  if (const int32_t room = beside.x - screen.x; room >= smallest.width) {
    const int32_t width = std::min(preferred.width, room);
    return {beside.x - width, top, width, height};
  }
  // Above or below: as wide as the neighbour, moved sideways into the screen.
  const int32_t width = std::min(std::max(beside.width, smallest.width), screen.width);
  const int32_t left = std::clamp(beside.x, screen.x, std::max(screen.x, screenRight - width));
  if (const int32_t room = screenBottom - besideBottom; room >= smallest.height)
    return {left, besideBottom, width, std::min(preferred.height, room)};
  if (const int32_t room = beside.y - screen.y; room >= smallest.height) {
    const int32_t tall = std::min(preferred.height, room);
    return {left, beside.y - tall, width, tall};
  }
  const int32_t narrow = std::min(preferred.width, screen.width);
  return {screenRight - narrow, top, narrow, height};
}

SideWindow::SideWindow() = default;

SideWindow::~SideWindow() {
  // The owner goes with its window: no event loop may be left to carry out a later delete.
  delete window_.data();
}

bool SideWindow::Open(runtime::WindowId beside, const std::string& title,
                      SideWindowCallbacks callbacks) {
  runtime::WindowUnit* neighbour = runtime::LiveWindow(beside);
  if (neighbour == nullptr || neighbour->Closing()) return false;
  // A window the player closed is on its way out: a new one takes its place.
  if (!window_.isNull() && !window_->isVisible()) window_.clear();
  const bool isNew = window_.isNull();
  if (isNew) window_ = new SideWindowWidget;
  SideWindowWidget& window = *window_;
  window.setWindowTitle(QString::fromStdString(title));
  window.setWindowIcon(neighbour->windowIcon());
  window.SetCallbacks(std::move(callbacks));
  if (isNew) {
    PlaceBeside(window, *neighbour);
    window.FollowMinimizing(*neighbour);
  }
  window.show();
  window.raise();
  return true;
}

void SideWindow::Close() {
  Retire(window_);
}

bool SideWindow::IsOpen() const {
  return !window_.isNull() && window_->isVisible();
}

QWidget* SideWindow::Widget() const {
  return IsOpen() ? window_.data() : nullptr;
}

void SideWindow::SetRows(const std::vector<std::array<std::string, 3>>& rows) {
  if (IsOpen()) window_->SetRows(rows);
}

void SideWindow::SetCurrent(int32_t row, int32_t column) {
  if (IsOpen()) window_->SetCurrent(row, column);
}

void SideWindow::SetNotes(const std::vector<std::string>& lines) {
  if (IsOpen()) window_->SetNotes(lines);
}

void SideWindow::SetMenu(std::vector<MenuEntry> entries, MenuStateQuery state,
                         MenuActionHandler action) {
  if (IsOpen()) window_->SetMenu(std::move(entries), std::move(state), std::move(action));
}

void SideWindow::SetChoices(const std::string& title, const std::vector<std::string>& choices,
                            int32_t current) {
  if (IsOpen()) window_->SetChoices(title, choices, current);
}

void SideWindow::SetComment(const std::string& text) {
  if (IsOpen()) window_->SetComment(text);
}

void SideWindow::SetGraph(const std::vector<std::optional<double>>& values, int32_t current,
                          std::vector<std::string> tips) {
  if (IsOpen()) window_->SetGraph(values, current, std::move(tips));
}

void SideWindow::SetTitle(const std::string& title) {
  if (IsOpen() && window_->windowTitle() != QString::fromStdString(title))
    window_->setWindowTitle(QString::fromStdString(title));
}

void SideWindow::SetStatus(const std::string& status, const std::string& notice, bool ended) {
  if (IsOpen()) window_->SetStatus(status, notice, ended);
}

void SideWindow::SetAnalysis(const std::vector<analysis::LineCells>& lines) {
  if (IsOpen()) window_->SetAnalysis(lines);
}

void SideWindow::SetClocks(const std::optional<ClockFace>& face) {
  if (IsOpen()) window_->SetClocks(face);
}

}  // namespace ui
