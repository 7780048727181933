// The platform layer: what the program asks of the desktop that a test cannot click —
// message boxes at a point, the open and save dialogs, the busy cursor, bringing the window to
// the front. The program uses the Qt implementation; tests install a scripted one.
#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QDialog;
class QPrinter;
class QWidget;

enum class TMessageKind { Information, Warning, Error };
enum class TAnswer { Yes, No, Cancel };

struct TFileFilter {
  QString Caption;  // "ﾃｷｽﾄ (*.txt)"
  QString Pattern;  // "*.txt"
};

struct TFileDialogRequest {
  QString Title;
  QString DefaultExt;          // added to a name typed without an extension
  QList<TFileFilter> Filters;
  QString FileName;            // proposed name, with its folder
  int FilterIndex = 1;         // 1-based, as the dialog components count
  bool ConfirmOverwrite = false;
  // A further choice under the file types (the save dialogs' 文字コード): its caption, its
  // items and the one proposed (0-based); none when Choices is empty.
  QString ChoiceCaption;
  QStringList Choices;
  int Choice = 0;
};

struct TFileDialogAnswer {
  QString FileName;
  int FilterIndex = 1;
  int Choice = 0;
};

class TPlatform {
 public:
  virtual ~TPlatform() = default;

  // A box with one OK button whose top-left corner is at `at` (screen coordinates).
  virtual void ShowMessage(QWidget* owner, QPoint at, TMessageKind kind, const QString& title,
                           const QString& text) = 0;
  // A warning box with the buttons "はい(&Y)", "いいえ(&N)" and "ｷｬﾝｾﾙ"; closing it answers Cancel.
  virtual TAnswer AskYesNoCancel(QWidget* owner, QPoint at, const QString& title,
                                 const QString& text) = 0;
  // The open and save dialogs; nothing when the user cancels.
  virtual std::optional<TFileDialogAnswer> ChooseFileToOpen(QWidget* owner,
                                                            const TFileDialogRequest& request) = 0;
  virtual std::optional<TFileDialogAnswer> ChooseFileToSave(QWidget* owner,
                                                            const TFileDialogRequest& request) = 0;
  // The input box: a caption, a one-line prompt and an entry field holding `initial`, with OK
  // and Cancel. The entered text on OK; `initial` on Cancel.
  virtual QString AskText(QWidget* owner, const QString& caption, const QString& prompt,
                          const QString& initial) = 0;
  // Shows a dialog modally and returns its result (QDialog::Accepted or Rejected).
  virtual int ShowModal(QDialog& dialog) = 0;
  // The clipboard's plain text; empty when it holds no text.
  virtual QString ClipboardText() = 0;
  // The printer set-up dialog (PrintSet): true when the user confirms; printer then holds the
  // chosen printer and its settings.
  virtual bool ChoosePrinter(QWidget* owner, QPrinter& printer) = 0;
  // Opens a folder in the desktop's file manager; false when there is none to open it.
  virtual bool Explore(QWidget* owner, const QString& folder) = 0;
  // Shows the topic of a help file that carries a context number.
  virtual void ShowHelp(QWidget* owner, const QString& helpFile, int context) = 0;
  // The hourglass over the whole application, or the normal cursor again.
  virtual void SetBusyCursor(bool busy) = 0;
  // Raises and activates the window.
  virtual void BringToFront(QWidget* window) = 0;
};

// The platform layer in use; the Qt one unless a test installed another.
TPlatform& Platform();
// Installs a platform layer and returns the one it replaces.
std::unique_ptr<TPlatform> SetPlatform(std::unique_ptr<TPlatform> platform);
