// TDropDst: makes the hooked widget take files dragged from the file manager, and turns each
// drop into one OnFileDrop event with the files' names and the drop point.
#pragma once

#include <QPoint>
#include <QStringList>

#include <functional>

#include "components/CtlHook.h"

class QMimeData;

class TDropDst : public TControlHook {
  Q_OBJECT
  Q_PROPERTY(bool AcceptDrop READ AcceptDrop WRITE SetAcceptDrop)
  Q_PROPERTY(bool Sort READ Sort WRITE SetSort)

 public:
  // Sender: this drop target; Files: the dropped local files' names; At: the drop point in the
  // hooked widget's coordinates. The list lives only for the call.
  using TFileDropEvent =
      std::function<void(QObject* Sender, const QStringList& Files, QPoint At)>;

  // AcceptDrop and Sort are on.
  explicit TDropDst(QObject* owner = nullptr);
  ~TDropDst() override;

  [[nodiscard]] const TFileDropEvent& OnFileDrop() const { return onFileDrop_; }
  void SetOnFileDrop(TFileDropEvent handler) { onFileDrop_ = std::move(handler); }
  // Whether the hooked widget takes dropped files; switching needs no new attachment.
  [[nodiscard]] bool AcceptDrop() const { return acceptDrop_; }
  void SetAcceptDrop(bool on);
  // Sort the names before the event, ignoring case, by the user's locale; otherwise they come
  // in the order the drag delivered them.
  [[nodiscard]] bool Sort() const { return sort_; }
  void SetSort(bool on) { sort_ = on; }

  // A drag from the file manager: it carries at least one local file. Only the local files'
  // names are taken; other drags (text, web addresses) are left to the widget.
  [[nodiscard]] static bool IsFileDrag(const QMimeData* data);
  [[nodiscard]] static QStringList LocalFiles(const QMimeData* data);

 protected:
  bool HookedEvent(QEvent* event) override;
  // Every widget hooked, also one attached anew after a replacement, takes files at once.
  void Attached(QWidget* widget) override;
  void Detaching(QWidget* widget) override;

 private:
  // Registers the hooked widget as a drop site while files are accepted, and gives it its own
  // setting back otherwise.
  void UpdateDragAccept();
  void DoFileDrop(QStringList Files, QPoint At);

  TFileDropEvent onFileDrop_;
  bool acceptDrop_ = true;
  bool sort_ = true;
  // The widget that did not take drops until this component made it (null: none).
  QPointer<QWidget> registered_;
};
