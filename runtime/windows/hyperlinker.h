// The hyperlink: one centred line in the link colour, another colour while the pointer is over it
// and a third once its target was opened; a click opens the web address (or mails the e-mail
// address) through the desktop.
#pragma once

#include <QWidget>

#include "runtime/windows/unit.h"

namespace runtime {

class HyperLinker : public QWidget, public Unit {
 public:
  HyperLinker(WindowUnit* window, UnitRecord& record, QWidget* parent);
  QWidget* Widget() override { return this; }

  bool Hovered() const { return hovered_; }
  bool Visited() const { return visited_; }
  // The address a click opens: the web address, or mailto: and the e-mail address.
  std::string Target() const;
  // What a click does: opens the target and, when that worked, shows the link as visited.
  bool Open();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void PropertyChanged(int32_t index) override;

 private:
  bool hovered_ = false;
  bool visited_ = false;
  bool pressed_ = false;
};

}  // namespace runtime
