// A platform layer for window tests: it records every box shown and answers questions and
// file dialogs from prepared answers, so that no modal window ever opens.
#pragma once

#include <QList>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

#include "app/Platform.h"

class TScriptedPlatform : public TPlatform {
 public:
  struct TShownMessage {
    QPoint At;
    TMessageKind Kind;
    QString Title;
    QString Text;
  };
  struct TShownDialog {
    TFileDialogRequest Request;
    bool Save = false;
  };

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

  // Prepared answers, used in order. A question or dialog without one fails the test.
  std::deque<TAnswer> Answers;
  std::deque<std::optional<TFileDialogAnswer>> FileChoices;
  std::deque<std::optional<QString>> TextAnswers;  // nothing: the user cancels
  // What the user does in each modal dialog, in order: fills it in and presses a button.
  std::deque<std::function<void(QDialog&)>> DialogScripts;
  QString Clipboard;
  // The printer dialog prints into this PDF file; empty: the user cancels.
  QString PrintToPdf;
  int PrinterDialogs = 0;
  QStringList Explored;
  bool FileManagerInstalled = true;
  QList<QPair<QString, int>> HelpShown;
  QList<QString> ModalTitles;  // the dialogs shown, by window title

  // What happened.
  QList<TShownMessage> Messages;
  QList<TShownMessage> Questions;
  QList<TShownDialog> Dialogs;
  struct TTextQuestion {
    QString Caption;
    QString Prompt;
    QString Initial;
  };
  QList<TTextQuestion> TextQuestions;
  QList<bool> CursorChanges;  // true: hourglass, false: normal
  // Called as each box is shown, to look at the window while the box is up.
  std::function<void(const TShownMessage&)> OnMessage;
  bool Busy = false;
  int BroughtToFront = 0;

  [[nodiscard]] QStringList MessageTexts() const;

 private:
  std::optional<TFileDialogAnswer> NextChoice(const TFileDialogRequest& request, bool save);
};
