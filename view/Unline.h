// TFmline, the jump dialog: the document's last line number, the wanted line (a number, or
// "+"/"-" and a count of lines from the caret's line) and a track bar to pick it. Created once
// at start-up; the entry keeps its text from one showing to the next. The main window fills
// e1 and the bar, shows the dialog and reads LineRequest afterwards.
#pragma once

#include <QDialog>
#include <QSlider>
#include <QString>

#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

// The integer value of a text: leading blanks, an optional "+" or "-", then decimal digits or
// "$" and hexadecimal digits (the 32 bits as a signed number), up to the end of the text.
// Anything else, trailing blanks included, and a decimal beyond 32 bits, throws
// EKorvaneError("'<text>' は整数ではありません").
[[nodiscard]] std::int32_t StrToInt(const QString& Text);

// A horizontal track bar whose bounds are checked like a property's range.
class TTrackBar : public QSlider {
  Q_OBJECT
 public:
  explicit TTrackBar(QWidget* parent = nullptr);
  // Sets the bounds and the position (kept within them) without a change notice. Max below Min
  // throws EKorvaneError("ﾌﾟﾛﾊﾟﾃｨ TTrackBar の範囲を超えています") and changes nothing.
  void SetParams(int Position, int Min, int Max);
};

class TFmline : public QDialog {
  Q_OBJECT
 public:
  explicit TFmline(QWidget* parent = nullptr);
  ~TFmline() override;

  // ---- components ----
  QLabel *Label1, *Label2;
  QLineEdit *e1, *e2;
  QPushButton* Button1 = nullptr;
  TTrackBar* TrackBar1 = nullptr;

  // ---- state ----
  // The accepted entry: a line number ("0" for one beyond the last line) or a relative entry
  // as typed; empty until an entry is accepted.
  QString LineRequest;

  // ---- handlers ----
  void FormCreate();
  void FormActivate();
  void TrackBar1Change();
  // Enter accepts the entry and closes the dialog; true when the key was taken.
  bool e2KeyPress(int Key);
  void Button1Click();
  // The entry, without blanks around it, as the request. A relative entry passes as it is;
  // a line number beyond e1's becomes "0". Throws for an entry that is not an integer.
  void AcceptLine();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Compose();
};

// The jump dialog of the running program (null before it is created and after it is gone).
extern TFmline* Fmline;
