// An open or save dialog as the windows hold it: its settings and the name and file type last
// chosen, which it proposes the next time it runs.
#pragma once

#include <QList>
#include <QString>

#include "app/Platform.h"

class QWidget;

class TFileDialog {
 public:
  enum class TKind { Open, Save };

  TFileDialog(TKind kind, QString title, QString defaultExt, QList<TFileFilter> filters,
              bool confirmOverwrite = false);

  // Shows the dialog through the platform layer. On confirmation FileName and FilterIndex take
  // the user's choice and the result is true; a cancelled dialog changes nothing.
  bool Execute(QWidget* owner);

  const TKind Kind;
  const QString Title;
  const QString DefaultExt;
  const QList<TFileFilter> Filters;
  const bool ConfirmOverwrite;
  QString FileName;
  int FilterIndex = 1;  // 1-based
  // The further choice under the file types (see TFileDialogRequest), and the one last made.
  QString ChoiceCaption;
  QStringList Choices;
  int Choice = 0;
};
