// The platform layer on Qt's own message boxes, file dialogs and cursor.
#pragma once

#include <QFileDialog>
#include <QStringList>

#include "app/Platform.h"

// The name filter Qt's file dialog gets for one of the program's file types: its caption,
// then the pattern Qt matches by ("*" for the all-files entries).
[[nodiscard]] QString QtNameFilter(const TFileFilter& filter);
// Sets up an open or save dialog for a request: title aside, its mode, default extension,
// file types (the captions shown as given), the chosen type and the proposed name in its
// folder. Returns the name filters in the order of the request's file types.
QStringList ConfigureFileDialog(QFileDialog& dialog, const TFileDialogRequest& request,
                                QFileDialog::AcceptMode mode);
// The 1-based index of the file type chosen in a dialog set up for request.
[[nodiscard]] int ChosenFilterIndex(const QFileDialog& dialog, const TFileDialogRequest& request);

class TQtPlatform : public TPlatform {
 public:
  void ShowMessage(QWidget* owner, QPoint at, TMessageKind kind, const QString& title,
                   const QString& text) override;
  TAnswer AskYesNoCancel(QWidget* owner, QPoint at, const QString& title,
                         const QString& text) override;
  std::optional<TFileDialogAnswer> ChooseFileToOpen(QWidget* owner,
                                                    const TFileDialogRequest& request) override;
  std::optional<TFileDialogAnswer> ChooseFileToSave(QWidget* owner,
                                                    const TFileDialogRequest& request) override;
  QString AskText(QWidget* owner, const QString& caption, const QString& prompt,
                  const QString& initial) override;
  int ShowModal(QDialog& dialog) override;
  QString ClipboardText() override;
  bool ChoosePrinter(QWidget* owner, QPrinter& printer) override;
  bool Explore(QWidget* owner, const QString& folder) override;
  void ShowHelp(QWidget* owner, const QString& helpFile, int context) override;
  void SetBusyCursor(bool busy) override;
  void BringToFront(QWidget* window) override;

 private:
  bool busy_ = false;
};
