// TFmvar, the version dialog: the program's name and picture, its version and date, and the
// project that makes it.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

class TFmvar : public QDialog {
  Q_OBJECT
 public:
  // Shows VersionText and UpdateDateText, which the main window's start-up has set.
  explicit TFmvar(QWidget* parent = nullptr);
  ~TFmvar() override;

  QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7;
  QLabel* Image1;
  QFrame *Bevel1, *Bevel2;
  QPushButton* Button1;

  void FormCreate();
};

// The version dialog of the running program (null before it is created and after it is gone).
extern TFmvar* Fmvar;
