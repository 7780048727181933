// The platform layer on Qt's own message boxes, file dialogs and cursor.
#include "app/QtPlatform.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

namespace {

QMessageBox::Icon IconFor(TMessageKind kind) {
  switch (kind) {
    case TMessageKind::Information: return QMessageBox::Information;
    case TMessageKind::Warning: return QMessageBox::Warning;
    case TMessageKind::Error: return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

// Shows a box with its top-left corner at `at`.
int ExecAt(QMessageBox& box, QPoint at) {
  box.adjustSize();
  box.move(at);
  return box.exec();
}

std::optional<TFileDialogAnswer> RunFileDialog(QWidget* owner, const TFileDialogRequest& request,
                                               QFileDialog::AcceptMode mode) {
  QFileDialog dialog(owner, request.Title);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  dialog.setDefaultSuffix(request.DefaultExt);
  if (!request.ConfirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  QStringList filters;
  for (const TFileFilter& filter : request.Filters) {
    // Qt reads the patterns from the parentheses; the captions already hold them.
    filters << (filter.Caption.contains(filter.Pattern)
                    ? filter.Caption
                    : QStringLiteral("%1 (%2)").arg(filter.Caption, filter.Pattern));
  }
  dialog.setNameFilters(filters);
  if (request.FilterIndex >= 1 && request.FilterIndex <= filters.size()) {
    dialog.selectNameFilter(filters[request.FilterIndex - 1]);
  }
  if (!request.FileName.isEmpty()) dialog.selectFile(request.FileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return TFileDialogAnswer{dialog.selectedFiles().first(),
                           static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1};
}

}  // namespace

void TQtPlatform::ShowMessage(QWidget* owner, QPoint at, TMessageKind kind, const QString& title,
                              const QString& text) {
  QMessageBox box(IconFor(kind), title, text, QMessageBox::Ok, owner);
  ExecAt(box, at);
}

TAnswer TQtPlatform::AskYesNoCancel(QWidget* owner, QPoint at, const QString& title,
                                    const QString& text) {
  QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, owner);
  QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
  QPushButton* cancel = box.addButton(QStringLiteral("ｷｬﾝｾﾙ"), QMessageBox::RejectRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(cancel);
  ExecAt(box, at);
  if (box.clickedButton() == yes) return TAnswer::Yes;
  if (box.clickedButton() == no) return TAnswer::No;
  return TAnswer::Cancel;
}

std::optional<TFileDialogAnswer> TQtPlatform::ChooseFileToOpen(QWidget* owner,
                                                               const TFileDialogRequest& request) {
  return RunFileDialog(owner, request, QFileDialog::AcceptOpen);
}

std::optional<TFileDialogAnswer> TQtPlatform::ChooseFileToSave(QWidget* owner,
                                                               const TFileDialogRequest& request) {
  return RunFileDialog(owner, request, QFileDialog::AcceptSave);
}

void TQtPlatform::SetBusyCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void TQtPlatform::BringToFront(QWidget* window) {
  if (window == nullptr) return;
  window->raise();
  window->activateWindow();
}
