#include "runtime/windows/context_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QKeySequence>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "runtime/windows/unit.h"
#include "runtime/windows/window_manager.h"
#include "runtime/windows/window_unit.h"

namespace runtime {

namespace {

using Kind = MenuEntry::Kind;

QWidget& LiveWidget(const UnitRef& ref) {
  return *UnitArgumentOf(UnitArgument(ref)).Widget();
}

// The menu of one unit: the entries, the game's answers, the popup's actions by id and the
// window's key actions. It lives as a child of the unit's widget and goes with it.
class UnitMenu : public QObject {
 public:
  UnitMenu(QWidget& owner, QWidget& window, std::vector<MenuEntry> entries, MenuStateQuery state,
           MenuActionHandler action)
      : QObject(&owner),
        entries_(std::move(entries)),
        state_(std::move(state)),
        action_(std::move(action)) {
    setObjectName(QStringLiteral("UnitMenu"));
    BuildMenu(owner);
    BuildKeys(window);
    owner.installEventFilter(this);
  }

  ~UnitMenu() override {
    delete menu_.data();
    for (const QPointer<QAction>& key : keys_) delete key.data();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ContextMenu || watched != parent()) return false;
    auto* request = static_cast<QContextMenuEvent*>(event);
    Refresh();
    menu_->popup(request->globalPos());
    return true;
  }

 private:
  // The popup shows each key after a tab, Qt's way of putting it into the menu's key column;
  // the key itself belongs to the window's action, so one key never has two owners.
  void BuildMenu(QWidget& owner) {
    menu_ = new QMenu(&owner);
    menu_->setObjectName(QStringLiteral("ContextMenu"));
    QMenu* current = menu_.data();
    QActionGroup* group = nullptr;
    for (const MenuEntry& entry : entries_) {
      const QString text = QString::fromStdString(entry.text);
      switch (entry.kind) {
        case Kind::kSeparator:
          current->addSeparator();
          continue;
        case Kind::kSubmenu:
          current = current->addMenu(text);
          group = nullptr;
          continue;
        case Kind::kEndSubmenu:
          current = menu_.data();
          group = nullptr;
          continue;
        default:
          break;
      }
      QString label = text;
      if (!entry.shortcut.empty())
        label += QLatin1Char('\t') +
                 QKeySequence(QString::fromStdString(entry.shortcut), QKeySequence::PortableText)
                     .toString(QKeySequence::NativeText);
      QAction* item = current->addAction(label);
      item->setCheckable(entry.kind != Kind::kAction);
      if (!entry.tip.empty()) {
        item->setToolTip(QString::fromStdString(entry.tip));
        current->setToolTipsVisible(true);
      }
      if (entry.kind == Kind::kRadio) {
        if (group == nullptr) group = new QActionGroup(current);
        group->addAction(item);
      }
      const int32_t id = entry.id;
      connect(item, &QAction::triggered, this, [this, id] { Act(id); });
      items_.push_back({id, item});
    }
  }

  void BuildKeys(QWidget& window) {
    for (const MenuEntry& entry : entries_) {
      if (entry.shortcut.empty()) continue;
      auto* key = new QAction(&window);
      key->setShortcut(
          QKeySequence(QString::fromStdString(entry.shortcut), QKeySequence::PortableText));
      key->setShortcutContext(Qt::WindowShortcut);
      const int32_t id = entry.id;
      connect(key, &QAction::triggered, this, [this, id] {
        if (state_(id).enabled) Act(id);
      });
      window.addAction(key);
      keys_.push_back(key);
    }
  }

  void Refresh() {
    for (auto& [id, item] : items_) {
      const MenuItemState s = state_(id);
      item->setEnabled(s.enabled);
      if (item->isCheckable()) item->setChecked(s.checked);
    }
  }

  // The handler may replace this menu (a window made again) or close the window: nothing of
  // this object is touched after it.
  void Act(int32_t id) {
    MenuActionHandler action = action_;
    action(id);
  }

  std::vector<MenuEntry> entries_;
  MenuStateQuery state_;
  MenuActionHandler action_;
  QPointer<QMenu> menu_;
  std::vector<std::pair<int32_t, QAction*>> items_;
  std::vector<QPointer<QAction>> keys_;
};

}  // namespace

void InstallContextMenu(const UnitRef& unit, std::vector<MenuEntry> entries, MenuStateQuery state,
                        MenuActionHandler action) {
  QWidget& owner = LiveWidget(unit);
  Unit& live = UnitArgumentOf(UnitArgument(unit));
  QWidget& window = *live.Window();
  for (UnitMenu* old : owner.findChildren<UnitMenu*>(QString(), Qt::FindDirectChildrenOnly))
    delete old;
  new UnitMenu(owner, window, std::move(entries), std::move(state), std::move(action));
}

void SetUnitToolTip(const UnitRef& unit, const std::string& text) {
  LiveWidget(unit).setToolTip(QString::fromStdString(text));
}

void CallWhenWindowGoes(const UnitRef& window, std::function<void()> call) {
  QObject::connect(&LiveWidget(window), &QObject::destroyed, [call = std::move(call)] { call(); });
}

}  // namespace runtime
