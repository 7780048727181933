// The control hook: an event filter on the control's widget that follows the widget when it
// is replaced.
#include "components/CtlHook.h"

#include <QAbstractScrollArea>
#include <QWidget>

#include "app/FailureReport.h"
#include "document/Failures.h"

TControlHook::TControlHook(QObject* owner) : QObject(owner) {}

TControlHook::~TControlHook() {
  Unhook();
  disconnect(controlGone_);
}

void TControlHook::SetControl(QWidget* control) {
  Unhook();
  disconnect(controlGone_);
  control_ = control;
  // The removal notice: a control that is destroyed is not hooked again.
  if (control != nullptr) {
    controlGone_ = connect(control, &QObject::destroyed, this, [this] { TargetChanged(1); });
  }
  Hook();
}

void TControlHook::SetTarget(THookTarget target) {
  Unhook();
  target_ = target;
  Hook();
}

void TControlHook::Loaded() {
  Unhook();
  Hook();
}

QWidget* TControlHook::TargetControl() const {
  if (target_ == htControl) return control_;
  const QObject* start = control_ != nullptr ? static_cast<const QObject*>(control_.data()) : this;
  for (QObject* owner = const_cast<QObject*>(start); owner != nullptr; owner = owner->parent()) {
    auto* widget = qobject_cast<QWidget*>(owner);
    if (widget != nullptr && widget->isWindow()) return widget;
  }
  return nullptr;
}

QWidget* TControlHook::EventWidgetOf(QWidget* control) {
  if (auto* area = qobject_cast<QAbstractScrollArea*>(control)) return area->viewport();
  return control;
}

void TControlHook::Hook() {
  if (hooked_ != nullptr) return;
  QWidget* target = TargetControl();
  if (target == nullptr) {
    if (target_ == htForm) throw EKorvaneError("フック先を特定できません。");
    return;
  }
  QWidget* widget = EventWidgetOf(target);
  hooked_ = widget;
  // Filters installed last run first: this one sees the events before the widget's own.
  widget->installEventFilter(this);
  hookedGone_ = connect(widget, &QObject::destroyed, this, [this] { HookedWidgetDestroyed(); });
  Attached(widget);
}

// A filter left on a widget that no longer belongs to the target would go on seeing its
// events, so it is removed whenever the widget still exists.
void TControlHook::Unhook() {
  disconnect(hookedGone_);
  QWidget* widget = hooked_;
  hooked_ = nullptr;
  if (widget == nullptr) return;
  Detaching(widget);
  widget->removeEventFilter(this);
}

void TControlHook::HookedWidgetDestroyed() {
  disconnect(hookedGone_);
  hooked_ = nullptr;
  // Queued, so that it runs after the destruction, when the control has its new widget.
  QMetaObject::invokeMethod(
      this, [this] { Guarded(OwnerWindow(), [this] { TargetChanged(2); }); },
      Qt::QueuedConnection);
}

void TControlHook::TargetChanged(int Reason) {
  if (Reason == 1) {
    control_ = nullptr;
  } else {
    Hook();
  }
}

bool TControlHook::HookedEvent(QEvent*) { return false; }

void TControlHook::Attached(QWidget*) {}

void TControlHook::Detaching(QWidget*) {}

QWidget* TControlHook::OwnerWindow() const {
  for (QObject* owner = parent(); owner != nullptr; owner = owner->parent()) {
    if (auto* widget = qobject_cast<QWidget*>(owner)) return widget->window();
  }
  return nullptr;
}

bool TControlHook::eventFilter(QObject* watched, QEvent* event) {
  if (watched == hooked_ && HookedEvent(event)) return true;
  return QObject::eventFilter(watched, event);
}
