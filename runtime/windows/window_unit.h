// A window of the program: a fixed-size top-level widget made from its template record, owning its
// units for as long as it exists.
#pragma once

#include <QEvent>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "runtime/windows/unit.h"

namespace runtime {

// The frame the stored outer sizes include: 3 pixels left, right and bottom, a 20-pixel caption.
// The client area is the stored size less this frame, whatever frame the desktop draws.
inline constexpr int32_t kFrameSide = 3;
inline constexpr int32_t kFrameCaption = 20;
inline constexpr int32_t kFrameWidth = 2 * kFrameSide;
inline constexpr int32_t kFrameHeight = kFrameCaption + kFrameSide;

class WindowUnit : public QWidget, public Unit {
 public:
  WindowUnit(WindowRecord& windowRecord, UnitRecord& record);
  ~WindowUnit() override;

  QWidget* Widget() override { return this; }
  WindowRecord& WindowRecordOf() { return windowRecord_; }
  WindowId WindowIdentifier() const { return windowRecord_.id; }

  // The units in template order (the second record first).
  const std::vector<std::unique_ptr<Unit>>& Units() const { return units_; }
  Unit* FindUnit(UnitId id);
  // Adopts the units, created from the last record to the second, and puts them into template
  // order for drawing and for the Tab key (the second record topmost).
  void AdoptUnits(std::vector<std::unique_ptr<Unit>> createdLastFirst);
  // Destroys one unit (never the window's own); its widget goes once the current message is done,
  // with the units it contains.
  void RemoveUnit(UnitId id);

  // Closing: Destroy or the close box asked, the window goes when the request is processed.
  bool Closing() const { return closing_; }
  void MarkClosing() { closing_ = true; }

  // A modal window disables every other window of the program until it goes.
  void DisableOthersWhileOpen();
  void EnableOthers();

  // The private message that asks a window to close (the Destroy command posts it).
  static QEvent::Type CloseRequestEvent();

  // Outer size and position as the template counts them (the nominal frame included).
  QRect OuterGeometry() const;
  void SetOuterGeometry(const QRect& outer);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;
  void PropertyChanged(int32_t index) override;

 private:
  void ApplyLook();

  WindowRecord& windowRecord_;
  std::vector<std::unique_ptr<Unit>> units_;
  bool closing_ = false;
  std::vector<QPointer<QWidget>> disabledByMe_;
  QImage background_;
};

}  // namespace runtime
