// The platform layer on Qt's own message boxes, file dialogs and cursor.
#include "app/QtPlatform.h"

#include "app/HelpWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QLabel>
#include <QGridLayout>
#include <QComboBox>
#include <QProcess>
#include <QStandardPaths>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
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
  ConfigureFileDialog(dialog, request, mode);
  // The further choice goes in a row of its own under the file types.
  QComboBox* choice = nullptr;
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()); grid != nullptr && !request.Choices.isEmpty()) {
    choice = new QComboBox(&dialog);
    choice->addItems(request.Choices);
    choice->setCurrentIndex(request.Choice);
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(request.ChoiceCaption, &dialog), row, 0);
    grid->addWidget(choice, row, 1);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return TFileDialogAnswer{dialog.selectedFiles().first(), ChosenFilterIndex(dialog, request),
                           choice != nullptr ? choice->currentIndex() : request.Choice};
}

}  // namespace

QString QtNameFilter(const TFileFilter& filter) {
  // Qt's "*.*" would hide files without an extension; the all-files entries match every file.
  const QString pattern = filter.Pattern == QStringLiteral("*.*") ? QStringLiteral("*")
                                                                  : filter.Pattern;
  return QStringLiteral("%1 (%2)").arg(filter.Caption, pattern);
}

int ChosenFilterIndex(const QFileDialog& dialog, const TFileDialogRequest& request) {
  // With the details hidden, Qt answers with the caption as shown.
  const QString chosen = dialog.selectedNameFilter();
  for (qsizetype i = 0; i < request.Filters.size(); ++i) {
    const TFileFilter& filter = request.Filters[i];
    if (chosen == filter.Caption.simplified() || chosen == QtNameFilter(filter)) {
      return static_cast<int>(i) + 1;
    }
  }
  return 1;
}

QStringList ConfigureFileDialog(QFileDialog& dialog, const TFileDialogRequest& request,
                                QFileDialog::AcceptMode mode) {
  // Qt's own dialog, so that it speaks the program's language and shows the captions as given.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  // Only the captions are shown; the patterns Qt filters by are added behind them.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  dialog.setDefaultSuffix(request.DefaultExt);
  if (!request.ConfirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  QStringList filters;
  for (const TFileFilter& filter : request.Filters) filters << QtNameFilter(filter);
  dialog.setNameFilters(filters);
  if (request.FilterIndex >= 1 && request.FilterIndex <= filters.size()) {
    dialog.selectNameFilter(filters[request.FilterIndex - 1]);
  }
  if (!request.FileName.isEmpty()) {
    // The dialog opens in the folder of the proposed name, also when it is not the current one.
    const QFileInfo proposed(request.FileName);
    dialog.setDirectory(proposed.absolutePath());
    dialog.selectFile(proposed.fileName());
  }
  return filters;
}

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

QString TQtPlatform::AskText(QWidget* owner, const QString& caption, const QString& prompt,
                             const QString& initial) {
  bool ok = false;
  const QString text =
      QInputDialog::getText(owner, caption, prompt, QLineEdit::Normal, initial, &ok);
  return ok ? text : initial;
}

int TQtPlatform::ShowModal(QDialog& dialog) { return dialog.exec(); }

QString TQtPlatform::ClipboardText() { return QApplication::clipboard()->text(); }

bool TQtPlatform::ChoosePrinter(QWidget* owner, QPrinter& printer) {
  QPrintDialog dialog(&printer, owner);
  return dialog.exec() == QDialog::Accepted;
}

bool TQtPlatform::Explore(QWidget*, const QString& folder) {
  // The desktop's launcher starts in the background and says nothing when no program opens
  // folders: ask the desktop's database first, where it can be asked.
  const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (!query.isEmpty()) {
    QProcess process;
    process.start(query, {QStringLiteral("query"), QStringLiteral("default"),
                          QStringLiteral("inode/directory")});
    if (process.waitForFinished(2000) && process.exitCode() == 0 &&
        process.readAllStandardOutput().trimmed().isEmpty()) {
      return false;
    }
  }
  return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void TQtPlatform::ShowHelp(QWidget* owner, const QString& helpFile, int context) {
  THelpWindow::Show(owner, helpFile, context);
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
