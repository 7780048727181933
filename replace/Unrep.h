// TFmrep, the replace/delete dialog: three input fields with their six-entry histories, the
// memo clip, the three options, and the execute button that runs the replace engine over the
// main window's conversion range. Created once at start-up; it keeps its state for the run
// and writes its history and memo files when it is destroyed.
#pragma once

#include <QDialog>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "replace/History.h"
#include "replace/ReplaceRules.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QToolButton;
class TFmmein;
class TForeignChars;
class TSliceWork;

class TFmrep : public QDialog {
  Q_OBJECT
 public:
  // Reads the memo clip (MemoClipPath) and the history files of the data folder.
  explicit TFmrep(TFmmein& mainWindow);
  ~TFmrep() override;

  // ---- components ----
  QLabel *title, *l1, *l2, *l3, *l4;
  QComboBox *e1, *e2, *e3, *Combo1;
  QToolButton *sb1, *sb2, *sb3, *clr1, *clr2, *clr3, *cp4, *sb5, *sb4;
  QCheckBox *cb1, *CB3, *cb2;
  QPushButton *BitBtn1, *BitBtn2;
  // What the command will do to the range, counted while the strings are typed.
  QLabel* Preview;
  QFrame *Bevel1, *Bevel2;

  // ---- state ----
  std::int32_t RepKind = 0;
  std::int32_t EditIndex = -100;  // the memo entry being edited; −100: none remembered
  History::TSlots History1, History2, History3;

  // ---- handlers ----
  void FormCreate();
  // Writes the memo clip and history files unless WriteFiles has; throws a failure naming
  // every file that could not be written.
  void FormDestroy();
  // Writes the memo clip and the history files, each on its own; the messages of those that
  // could not be written (none: all were).
  [[nodiscard]] QStringList WriteFiles();
  void BitBtn1Click(QObject* Sender);   // 実行
  void BitBtn2Click(QObject* Sender);   // キャンセル
  void sb1Click(QObject* Sender);       // 文字消去, One Item Clear, Memo All Clear
  void cp1Click(QObject* Sender);       // Clipboard->
  void clr1Click(QObject* Sender);      // 履歴消去
  // One character typed in the memo field; Enter puts the text in place of the entry that
  // was selected when typing began.
  void Combo1KeyPress(int Key);
  void SaveHistory();
  // The history file of field 1, 2 or 3.
  [[nodiscard]] QString HistoryPath(int Field) const;
  // Counts again what the command would change and marks its strings in the editor; the
  // count runs in slices, so typing never waits. FinishPreview completes it at once.
  void UpdatePreview();
  void FinishPreview();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Compose();
  void Wire();
  [[nodiscard]] QComboBox* Field(int Tag) const;
  [[nodiscard]] History::TSlots& Slots(int Tag);
  // The fields and options as the engine takes them. Throws EUnmappableText for a character
  // that Shift-JIS cannot hold.
  [[nodiscard]] ReplaceRules::TFields Fields() const;
  [[nodiscard]] ReplaceRules::TFields FieldsWith(TForeignChars* foreign) const;
  [[nodiscard]] ReplaceRules::TOptions Options() const;
  // The command as a recipe line: its name, the options it takes that are set, its fields.
  [[nodiscard]] std::string RecipeLine() const;
  TFmmein& main_;
  std::array<bool, 3> longFile_{};
  bool filesWritten_ = false;  // a history file of more than six entries, not yet changed
  TSliceWork* previewWork_ = nullptr;
  std::unique_ptr<ReplaceRules::TPreviewer> previewer_;
};

// The replace dialog of the running program (null before it is created and after it is gone).
extern TFmrep* Fmrep;
