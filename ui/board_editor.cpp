#include "ui/board_editor.h"

#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

#include "engine/position.h"
#include "game/board_drawing.h"
#include "game/controller.h"
#include "game/labels.h"
#include "game/twoply/position_text.h"
#include "runtime/windows/qt_image.h"
#include "ui/named.h"

namespace ui {

namespace {

using twoply::BoardArray;
using twoply::Square;

constexpr const char* kPieceNames[] = {"将", "车", "马", "炮", "士", "象", "卒",
                                       "帅", "车", "马", "炮", "仕", "相", "兵"};

QString PieceName(uint8_t code) {
  return QString::fromUtf8(code <= twoply::kHumanCodeOffset ? "黑" : "红") +
         QString::fromUtf8(kPieceNames[code - 1]);
}

// The board, drawn from the same artwork as the main window's, taking the player's clicks and
// drags as squares.
class EditorBoard : public QWidget {
 public:
  std::function<void(Square)> pressed;       // left button, no drag
  std::function<void(Square)> rightPressed;  // right button
  std::function<void(Square, Square)> dragged;

  EditorBoard() {
    setObjectName(QStringLiteral("EditorBoard"));
    setFixedSize(game::kPanelWidth, game::kPanelHeight);
    setCursor(Qt::PointingHandCursor);
  }
  void Show(const BoardArray& board) {
    image_ = runtime::ToImage(game::BoardPicture(board));
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
  }
  void mousePressEvent(QMouseEvent* event) override {
    const std::optional<Square> square = At(*event);
    if (!square) return;
    if (event->button() == Qt::RightButton) {
      if (rightPressed) rightPressed(*square);
      return;
    }
    if (event->button() == Qt::LeftButton) from_ = square;
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton || !from_) return;
    const Square from = *std::exchange(from_, std::nullopt);
    const std::optional<Square> to = At(*event);
    if (!to) return;
    if (*to == from) {
      if (pressed) pressed(from);
    } else if (dragged) {
      dragged(from, *to);
    }
  }

 private:
  static std::optional<Square> At(const QMouseEvent& event) {
    const QPoint at = event.position().toPoint();
    return game::SquareAt(at.x(), at.y());
  }

  QImage image_;
  std::optional<Square> from_;
};

class BoardEditor : public QDialog {
 public:
  explicit BoardEditor(const std::string& fen) {
    setWindowTitle(QStringLiteral("摆棋"));
    setObjectName(QStringLiteral("BoardEditor"));
    std::string error;
    std::optional<twoply::FenPosition> start = twoply::ParseFen(fen, error);
    board_ = start ? start->board : twoply::MakeEmptyBoard();
    redToMove_ = !start || start->side != twoply::Computer;
    Build();
    Refresh();
  }

  std::string Fen() const {
    return twoply::FormatFen(board_, redToMove_ ? twoply::Human : twoply::Computer);
  }

 private:
  void Build() {
    board_view_ = new EditorBoard;
    board_view_->pressed = [this](Square s) { Place(s); };
    board_view_->rightPressed = [this](Square s) { Put(s, twoply::Empty); };
    board_view_->dragged = [this](Square from, Square to) {
      const uint8_t code = At(from);
      if (code == twoply::Empty) return;
      Put(from, twoply::Empty);
      Put(to, code);
    };

    auto* palette = new QGridLayout;
    palette_ = new QButtonGroup(this);
    palette_->setExclusive(false);  // a second click on the piece chosen takes the choice back
    for (uint8_t code = 1; code <= twoply::kLastPieceCode; ++code) {
      auto* button = new QToolButton;
      button->setObjectName(QStringLiteral("EditorPiece%1").arg(code));
      button->setCheckable(true);
      button->setIcon(QPixmap::fromImage(runtime::ToImage(game::PiecePicture(code))));
      button->setIconSize(QSize(game::kSprite, game::kSprite));
      button->setToolTip(PieceName(code));
      palette_->addButton(button, code);
      // Red's pieces in the first column, black's in the second, kind by kind.
      palette->addWidget(button, (code - 1) % twoply::kHumanCodeOffset,
                         code > twoply::kHumanCodeOffset ? 0 : 1);
    }
    connect(palette_, &QButtonGroup::idClicked, this, [this](int code) {
      for (QAbstractButton* other : palette_->buttons())
        if (other != palette_->button(code)) other->setChecked(false);
      chosen_ = palette_->button(code)->isChecked() ? uint8_t(code) : twoply::Empty;
    });

    auto* clear = Named(new QPushButton(QStringLiteral("清空")), "EditorClear");
    connect(clear, &QPushButton::clicked, this, [this] {
      board_ = twoply::MakeEmptyBoard();
      Refresh();
    });
    auto* initial = Named(new QPushButton(QStringLiteral("初始局面")), "EditorInitial");
    connect(initial, &QPushButton::clicked, this, [this] {
      std::string error;
      board_ = twoply::ParseFen(engine::kStartFen, error)->board;
      redToMove_ = true;
      Refresh();
    });
    red_ = Named(new QRadioButton(QStringLiteral("红先")), "EditorRedFirst");
    black_ = Named(new QRadioButton(QStringLiteral("黑先")), "EditorBlackFirst");
    connect(red_, &QRadioButton::toggled, this, [this](bool on) { redToMove_ = on; });

    problems_ = Named(new QLabel, "EditorProblems");
    problems_->setWordWrap(true);
    problems_->setStyleSheet(QStringLiteral("color: #b00000"));
    problems_->setMinimumWidth(2 * game::kSprite + 40);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("EditorOk"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Check(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* side = new QVBoxLayout;
    side->addLayout(palette);
    side->addWidget(clear);
    side->addWidget(initial);
    side->addWidget(red_);
    side->addWidget(black_);
    side->addWidget(problems_, 1);
    side->addWidget(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(board_view_, 0, Qt::AlignTop);
    layout->addLayout(side);
  }

  uint8_t At(Square s) const { return board_(s.row, s.col); }

  void Put(Square s, uint8_t code) {
    board_(s.row, s.col) = code;
    Refresh();
  }

  // The chosen piece onto the point, or off it again when it stands there already.
  void Place(Square s) {
    if (chosen_ == twoply::Empty) return;
    Put(s, At(s) == chosen_ ? twoply::Empty : chosen_);
  }

  void Refresh() {
    board_view_->Show(board_);
    (redToMove_ ? red_ : black_)->setChecked(true);
    problems_->clear();
  }

  // Accepted only when a game can reach the position; otherwise every reason, and it stays open.
  void Check() {
    const auto problems = engine::Position::CheckFen(Fen());
    if (problems && problems->empty()) return accept();
    QStringList reasons;
    if (problems)
      for (const engine::PositionProblem& problem : *problems)
        reasons << QString::fromStdString(game::ProblemWords(problem));
    problems_->setText(reasons.join(QLatin1Char('\n')));
  }

  BoardArray board_;
  bool redToMove_ = true;
  uint8_t chosen_ = twoply::Empty;
  EditorBoard* board_view_ = nullptr;
  QButtonGroup* palette_ = nullptr;
  QRadioButton* red_ = nullptr;
  QRadioButton* black_ = nullptr;
  QLabel* problems_ = nullptr;
};

}  // namespace

std::optional<std::string> EditPosition(const std::string& fen) {
  BoardEditor editor(fen);
  if (editor.exec() != QDialog::Accepted) return std::nullopt;
  return editor.Fen();
}

}  // namespace ui
