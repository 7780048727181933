// The platform layer on Qt's own message boxes, file dialogs and cursor.
#pragma once

#include "app/Platform.h"

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
  void SetBusyCursor(bool busy) override;
  void BringToFront(QWidget* window) override;

 private:
  bool busy_ = false;
};
