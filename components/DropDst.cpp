// The file-drop target.
#include "components/DropDst.h"

#include <QCollator>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <algorithm>

#include "app/FailureReport.h"

TDropDst::TDropDst(QObject* owner) : TControlHook(owner) {}

// Detaches here, while the widget's own drop setting can still be given back.
TDropDst::~TDropDst() { Unhook(); }

void TDropDst::SetAcceptDrop(bool on) {
  if (on == acceptDrop_) return;
  acceptDrop_ = on;
  UpdateDragAccept();
}

void TDropDst::Attached(QWidget*) { UpdateDragAccept(); }

bool TDropDst::IsFileDrag(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return false;
  const QList<QUrl> urls = data->urls();
  return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

QStringList TDropDst::LocalFiles(const QMimeData* data) {
  QStringList files;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) files << url.toLocalFile();
  }
  return files;
}

bool TDropDst::HookedEvent(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  auto* drag = static_cast<QDropEvent*>(event);
  if (!IsFileDrag(drag->mimeData())) return false;  // the widget's own drop, such as text
  if (!acceptDrop_) {
    drag->ignore();
    return true;
  }
  // A copy, never a move: the file manager must not delete what was dropped here.
  if (drag->possibleActions() & Qt::CopyAction) {
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
  } else {
    drag->acceptProposedAction();
  }
  if (type == QEvent::Drop) {
    // The event comes after the drag has ended, so that the file manager is not kept
    // waiting while the files are read or a message box is open.
    QMetaObject::invokeMethod(
        this,
        [this, files = LocalFiles(drag->mimeData()), at = drag->position().toPoint()] {
          DoFileDrop(files, at);
        },
        Qt::QueuedConnection);
  }
  return true;
}

void TDropDst::DoFileDrop(QStringList Files, QPoint At) {
  if (!onFileDrop_) return;
  const TFileDropEvent handler = onFileDrop_;  // the handler may set another one
  Guarded(OwnerWindow(), [&] {
    if (sort_) {
      QCollator byLocale;
      byLocale.setCaseSensitivity(Qt::CaseInsensitive);
      std::stable_sort(Files.begin(), Files.end(), [&](const QString& a, const QString& b) {
        return byLocale.compare(a, b) < 0;
      });
    }
    handler(this, Files, At);
  });
}

void TDropDst::UpdateDragAccept() {
  QWidget* widget = HookedWidget();
  if (widget == nullptr) return;
  if (acceptDrop_) {
    if (!widget->acceptDrops()) {
      widget->setAcceptDrops(true);
      registered_ = widget;
    }
  } else if (registered_ == widget) {
    widget->setAcceptDrops(false);
    registered_ = nullptr;
  }
}

void TDropDst::Detaching(QWidget* widget) {
  if (registered_ == widget) widget->setAcceptDrops(false);
  registered_ = nullptr;
}
