// The scripted platform layer for window tests.
#include "tests/support/ScriptedPlatform.h"

#include <QDialog>
#include <QPrinter>
#include <QTest>

void TScriptedPlatform::ShowMessage(QWidget*, QPoint at, TMessageKind kind, const QString& title,
                                    const QString& text) {
  Messages.append({at, kind, title, text});
  if (OnMessage) OnMessage(Messages.last());
}

TAnswer TScriptedPlatform::AskYesNoCancel(QWidget*, QPoint at, const QString& title,
                                          const QString& text) {
  Questions.append({at, TMessageKind::Warning, title, text});
  if (Answers.empty()) {
    QTest::qFail("a question was asked without a prepared answer", __FILE__, __LINE__);
    return TAnswer::Cancel;
  }
  const TAnswer answer = Answers.front();
  Answers.pop_front();
  return answer;
}

std::optional<TFileDialogAnswer> TScriptedPlatform::ChooseFileToOpen(
    QWidget*, const TFileDialogRequest& request) {
  return NextChoice(request, false);
}

std::optional<TFileDialogAnswer> TScriptedPlatform::ChooseFileToSave(
    QWidget*, const TFileDialogRequest& request) {
  return NextChoice(request, true);
}

std::optional<TFileDialogAnswer> TScriptedPlatform::NextChoice(const TFileDialogRequest& request,
                                                               bool save) {
  Dialogs.append({request, save});
  if (FileChoices.empty()) {
    QTest::qFail("a file dialog ran without a prepared choice", __FILE__, __LINE__);
    return std::nullopt;
  }
  auto choice = FileChoices.front();
  FileChoices.pop_front();
  if (choice && choice->Choice < 0) choice->Choice = request.Choice;
  return choice;
}

QString TScriptedPlatform::AskText(QWidget*, const QString& caption, const QString& prompt,
                                   const QString& initial) {
  TextQuestions.append({caption, prompt, initial});
  if (TextAnswers.empty()) {
    QTest::qFail("an input box ran without a prepared answer", __FILE__, __LINE__);
    return initial;
  }
  const std::optional<QString> answer = TextAnswers.front();
  TextAnswers.pop_front();
  return answer.value_or(initial);
}

int TScriptedPlatform::ShowModal(QDialog& dialog) {
  ModalTitles.append(dialog.windowTitle());
  if (DialogScripts.empty()) {
    QTest::qFail("a dialog was shown without a prepared script", __FILE__, __LINE__);
    return QDialog::Rejected;
  }
  const auto script = std::move(DialogScripts.front());
  DialogScripts.pop_front();
  dialog.setResult(QDialog::Rejected);
  dialog.show();
  script(dialog);
  dialog.hide();
  return dialog.result();
}

QString TScriptedPlatform::ClipboardText() { return Clipboard; }

bool TScriptedPlatform::ChoosePrinter(QWidget*, QPrinter& printer) {
  ++PrinterDialogs;
  if (PrintToPdf.isEmpty()) return false;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(PrintToPdf);
  return true;
}

bool TScriptedPlatform::Explore(QWidget*, const QString& folder) {
  Explored << folder;
  return FileManagerInstalled;
}

void TScriptedPlatform::ShowHelp(QWidget*, const QString& helpFile, int context) {
  HelpShown.append({helpFile, context});
}

void TScriptedPlatform::SetBusyCursor(bool busy) {
  if (busy != Busy) CursorChanges.append(busy);
  Busy = busy;
}

void TScriptedPlatform::BringToFront(QWidget*) { ++BroughtToFront; }

QStringList TScriptedPlatform::MessageTexts() const {
  QStringList texts;
  for (const TShownMessage& message : Messages) texts << message.Text;
  return texts;
}
