// The top-level failure handler.
#include "app/FailureReport.h"

#include <QWidget>

#include <new>

#include "app/Platform.h"
#include "app/Translations.h"

namespace {

QPoint BoxPointOver(const QWidget* owner) {
  if (owner == nullptr) return QPoint(100, 100);
  const QRect frame = owner->window()->frameGeometry();
  return QPoint(frame.left() + frame.width() / 4, frame.top() + frame.height() / 3);
}

}  // namespace

QString FailureMessage(const std::exception& failure) {
  if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr) {
    return QStringLiteral("メモリが不足しているため、処理を続けられません。");
  }
  return QString::fromUtf8(failure.what());
}

namespace {

void ShowError(QWidget* owner, const QString& text) {
  if (owner == nullptr) owner = QApplication::activeWindow();
  Platform().SetBusyCursor(false);
  Platform().ShowMessage(owner, BoxPointOver(owner), TMessageKind::Error,
                         QStringLiteral("ｴﾗｰ"), text);
}

}  // namespace

void ReportFailure(QWidget* owner, const std::exception& failure) {
  ShowError(owner, FailureMessage(failure));
}

void ReportUnknownFailure(QWidget* owner) {
  ShowError(owner, QStringLiteral("予期しないエラーが発生しました。"));
}

TKorvaneApplication::TKorvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {
  InstallJapaneseTranslations(*this);
}

bool TKorvaneApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  Guarded(nullptr, [&] { handled = QApplication::notify(receiver, event); });
  return handled;
}
