// The find bar under the editor: the text looked for, 大文字小文字を区別, the count of matches
// and the buttons that move to the next and the previous one. The main window's handlers
// (view/UnmeinFind.cpp) do the finding.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

class TFindBar : public QWidget {
  Q_OBJECT
 public:
  explicit TFindBar(QWidget* parent);

  QLineEdit* FindEdit;
  QCheckBox* FindCase;
  QLabel* FindCount;
  QToolButton *FindNextButton, *FindPrevButton, *FindCloseButton;

  static constexpr int kHeight = 26;

 signals:
  // Enter (Shift+Enter goes back) and Escape in the field.
  void NextAsked(bool backwards);
  void CloseAsked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};
