// An open or save dialog's settings and last choice.
#include "app/FileDialog.h"

TFileDialog::TFileDialog(TKind kind, QString title, QString defaultExt, QList<TFileFilter> filters,
                         bool confirmOverwrite)
    : Kind(kind),
      Title(std::move(title)),
      DefaultExt(std::move(defaultExt)),
      Filters(std::move(filters)),
      ConfirmOverwrite(confirmOverwrite) {}

bool TFileDialog::Execute(QWidget* owner) {
  const TFileDialogRequest request{Title,    DefaultExt,       Filters,       FileName,
                                   FilterIndex, ConfirmOverwrite, ChoiceCaption, Choices,
                                   Choice};
  const std::optional<TFileDialogAnswer> answer =
      Kind == TKind::Open ? Platform().ChooseFileToOpen(owner, request)
                          : Platform().ChooseFileToSave(owner, request);
  if (!answer) return false;
  FileName = answer->FileName;
  FilterIndex = answer->FilterIndex;
  Choice = answer->Choice;
  return true;
}
