#include "runtime/windows/interface_look.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleOptionButton>
#include <array>
#include <memory>

#include "runtime/windows/unit.h"

namespace runtime {

namespace {

struct Palette {
  QColor top, bottom, edge, text;
};

// Steel blue, silver and warm wood.
constexpr std::array<std::array<QRgb, 4>, 3> kLooks = {{
    {0xf6f9fd, 0xc6d4e6, 0x4f6a8f, 0x102030},
    {0xfcfcfc, 0xd2d2d2, 0x767676, 0x202020},
    {0xfdf4e1, 0xdfbf88, 0x85633a, 0x3a2410},
}};

// Push buttons drawn as a rounded gradient face; everything else as the system draws it.
class LookStyle : public QProxyStyle {
 public:
  explicit LookStyle(int32_t look) : palette_(MakePalette(look)) {}

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    if (element != PE_PanelButtonCommand) {
      QProxyStyle::drawPrimitive(element, option, painter, widget);
      return;
    }
    const bool down = option->state & (State_Sunken | State_On);
    const bool hover = option->state & State_MouseOver;
    const bool enabled = option->state & State_Enabled;
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    const bool isDefault =
        button != nullptr && (button->features & QStyleOptionButton::DefaultButton);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(face.topLeft(), face.bottomLeft());
    QColor top = palette_.top, bottom = palette_.bottom;
    if (down) std::swap(top, bottom);
    if (hover && !down) top = top.lighter(104), bottom = bottom.lighter(108);
    if (!enabled) top = top.lighter(110), bottom = bottom.lighter(115);
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    QPainterPath path;
    path.addRoundedRect(face, 4, 4);
    painter->fillPath(path, fill);
    // The default push button keeps the heavy frame that tells which one Enter presses.
    painter->setPen(QPen(enabled ? palette_.edge : palette_.edge.lighter(150), isDefault ? 2 : 1));
    painter->drawPath(path);
    painter->restore();
  }

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    if (element == CE_PushButtonLabel) {
      QStyleOptionButton copy(*qstyleoption_cast<const QStyleOptionButton*>(option));
      copy.palette.setColor(QPalette::ButtonText, palette_.text);
      QProxyStyle::drawControl(element, &copy, painter, widget);
      return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
  }

 private:
  static Palette MakePalette(int32_t look) {
    const auto& c = kLooks[size_t(look - 1)];
    return Palette{QColor(c[0]), QColor(c[1]), QColor(c[2]), QColor(c[3])};
  }
  Palette palette_;
};

int32_t installed = 0;
std::unique_ptr<LookStyle> style;

bool IsStandardControl(QWidget* widget) {
  return qobject_cast<QPushButton*>(widget) != nullptr && UnitOfWidget(widget) != nullptr;
}

}  // namespace

bool InstallInterfaceLook(int32_t look) {
  const bool valid = look >= 1 && look <= 3;
  std::unique_ptr<LookStyle> previous = std::move(style);
  installed = valid ? look : 0;
  if (valid) style = std::make_unique<LookStyle>(look);
  for (QWidget* widget : QApplication::allWidgets())
    if (IsStandardControl(widget)) ApplyInterfaceLook(widget);
  return valid;
}

int32_t InterfaceLook() {
  return installed;
}

void ApplyInterfaceLook(QWidget* control) {
  control->setStyle(style.get());  // null restores the application's style
  control->setAttribute(Qt::WA_Hover, style != nullptr);
  control->update();
}

}  // namespace runtime
