// One main window for one test: a scripted platform layer, a temporary folder that is also the
// program's data folder, and short ways to trigger commands and look at the result.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <string>

#include "app/Forms.h"
#include "app/Unmein.h"
#include "replace/Unrep.h"
#include "tests/support/ScriptedPlatform.h"

class QAction;
class QLineEdit;
class QMimeData;
class QWidget;

class TWindowFixture {
 public:
  explicit TWindowFixture(const QStringList& commandLine = {});
  ~TWindowFixture();

  TFmmein& Form() { return forms_->Main(); }
  TFmrep& Rep() { return forms_->Rep(); }
  TForms& Forms() { return *forms_; }
  // Ends the program's windows (the dialogs write their files) and starts them again over the
  // same data folder, as a second run of the program would.
  void Restart(const QStringList& commandLine = {});
  // The two halves of a restart, for changing files while the program is not running.
  void Stop();
  void Start(const QStringList& commandLine = {});
  TScriptedPlatform& Platform() { return *platform_; }
  [[nodiscard]] QString Folder() const { return dir_.path(); }
  [[nodiscard]] QString Home() const { return dir_.path() + QStringLiteral("/home"); }

  // Files in the temporary folder.
  [[nodiscard]] QString FilePath(const QString& name) const;
  QString Write(const QString& name, const QByteArray& bytes) const;
  [[nodiscard]] static QByteArray Read(const QString& path);

  // Commands by component name.
  [[nodiscard]] QAction* Action(const char* name);
  void Trigger(const char* name);
  // The next file dialog confirms this name (and file type, and further choice: −1 keeps the
  // one the dialog proposes), or is cancelled.
  void ChooseFile(const QString& path, int filterIndex = 1, int choice = -1);
  void CancelDialog();
  // Opens a file through 開く.
  void Open(const QString& path);
  // The editor's whole text as CP932 bytes.
  [[nodiscard]] QByteArray Text();
  // Puts the caret on a 0-based line.
  void CaretToLine(int line);
  [[nodiscard]] static QColor FieldColor(const QLineEdit* field);

 private:
  QTemporaryDir dir_;
  TScriptedPlatform* platform_ = nullptr;
  std::unique_ptr<TPlatform> previous_;
  std::unique_ptr<TForms> forms_;
};

// The message of a file that could not be read: its name, then the reason.
[[nodiscard]] QString ReadFailure(const QString& path, const QString& reason);

// CP932 bytes of a UTF-8 test text (the sources are UTF-8).
[[nodiscard]] QByteArray Sjis(const QString& text);

// A drag from outside the program onto a widget, as the window system delivers it: enter, move
// and drop at `at` (the widget's coordinates), each sent only when the one before was
// accepted; then the events the drop posted are served. True when the drop was accepted.
bool DragAndDrop(QWidget* widget, const QMimeData& data, QPoint at = QPoint(10, 10));
// What the file manager drags: these local files, in this order.
[[nodiscard]] std::unique_ptr<QMimeData> FileDrag(const QStringList& paths);
