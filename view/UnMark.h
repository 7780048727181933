// TFmMark, the marks dialog: the five mark slots of the main window with their lines, a jump
// to the chosen one, and deleting one or all. It reads and writes the main window's slots and
// the enabled state of its mark commands directly, and leaves its answer in MarkChoice.
// Created once at start-up; the radio selection persists between showings.
#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QStringList>

#include <array>
#include <cstdint>

class QButtonGroup;
class QLabel;
class QPushButton;
class QRadioButton;
class TFmmein;

// A framed group of radio buttons, one selected (ItemIndex), or none (−1).
class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);
  [[nodiscard]] int ItemIndex() const;
  void SetItemIndex(int index);
  [[nodiscard]] QRadioButton* Item(int index) const;
  [[nodiscard]] int Count() const;

 private:
  QButtonGroup* group_;
};

class TFmMark : public QDialog {
  Q_OBJECT
 public:
  explicit TFmMark(TFmmein& mainWindow);
  ~TFmMark() override;

  // ---- components ----
  TRadioGroup* MK1 = nullptr;
  QLabel *Label6, *Label1, *Label2, *Label3, *Label4, *Label5;
  QPushButton *Button1, *Button2, *Button3, *Button4;

  // ---- state ----
  std::array<QString, 5> MarkCaptions;
  // 0 to 4: jump to that slot; −1: nothing; −20: delete all marks.
  std::int32_t MarkChoice = -1;

  // ---- handlers ----
  void FormActivate();
  void CapStr();
  void Button1Click();  // Mark行ジャンプ
  void Button2Click();  // 選択Mark削除
  void Button3Click();  // 閉じる
  void Button4Click();  // 全Mark削除
  // A click on the line label of a slot selects that slot.
  void LabelClick(int Slot);

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Compose();
  [[nodiscard]] std::array<QLabel*, 5> LineLabels() const;
  void EnableMarkCommands(bool on);
  TFmmein& main_;
};

// The marks dialog of the running program (null before it is created and after it is gone).
extern TFmMark* FmMark;
