// TControlHook: sees the events of one control's widget, or of the form that owns the control,
// before that widget does (an event filter), and attaches itself again when that widget is
// destroyed and replaced by a new one.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QWidget>

class QEvent;

class TControlHook : public QObject {
  Q_OBJECT
  Q_PROPERTY(QWidget* Control READ Control WRITE SetControl)
  Q_PROPERTY(THookTarget Target READ Target WRITE SetTarget)

 public:
  enum THookTarget { htControl = 0, htForm = 1 };
  Q_ENUM(THookTarget)

  // Owned by `owner` (normally the form); nothing is hooked until Control or Target is set.
  explicit TControlHook(QObject* owner = nullptr);
  ~TControlHook() override;
  TControlHook(const TControlHook&) = delete;
  TControlHook& operator=(const TControlHook&) = delete;

  // The control whose widget (htControl) or whose form (htForm) is hooked; not owned. Setting
  // it or the target detaches and attaches at once; with htForm and no form among the owners
  // this throws EKorvaneError("フック先を特定できません。").
  [[nodiscard]] QWidget* Control() const { return control_; }
  void SetControl(QWidget* control);
  [[nodiscard]] THookTarget Target() const { return target_; }
  void SetTarget(THookTarget target);

  // Called once the owner has set every property up: applies Control again.
  virtual void Loaded();

  // The control to hook: Control itself, or for htForm the first window met walking up the
  // owners from Control (or from this component when Control is none); null if none.
  [[nodiscard]] QWidget* TargetControl() const;
  // The widget whose events a control receives: a scroll area's viewport (where the editor
  // gets its mouse and drop events), otherwise the control itself.
  [[nodiscard]] static QWidget* EventWidgetOf(QWidget* control);
  // The widget hooked now; null when none.
  [[nodiscard]] QWidget* HookedWidget() const { return hooked_; }

  // Attaches to the target control's event widget; only while nothing is hooked.
  void Hook();
  // Detaches; a widget that has gone is just forgotten.
  void Unhook();

 protected:
  // Reason 1: the Control is being destroyed (Control becomes none); any other reason (2 is
  // used): attach again.
  virtual void TargetChanged(int Reason);
  // One event of the hooked widget, before the widget sees it; true: handled, the widget
  // does not see it. The base handles nothing.
  virtual bool HookedEvent(QEvent* event);
  // Called by Hook once a widget is hooked, and by Unhook while the hooked widget still
  // exists, just before the filter is removed.
  virtual void Attached(QWidget* widget);
  virtual void Detaching(QWidget* widget);
  // The window failures are reported over.
  [[nodiscard]] QWidget* OwnerWindow() const;

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The hooked widget is being destroyed: forget it, and attach again once the event queue is
  // served, when its owner has made the replacement.
  void HookedWidgetDestroyed();

  QPointer<QWidget> control_;
  THookTarget target_ = htControl;
  QPointer<QWidget> hooked_;
  QMetaObject::Connection controlGone_;
  QMetaObject::Connection hookedGone_;
};
