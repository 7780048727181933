// The scripted platform layer for window tests.
#include "tests/support/ScriptedPlatform.h"

#include <QTest>

void TScriptedPlatform::ShowMessage(QWidget*, QPoint at, TMessageKind kind, const QString& title,
                                    const QString& text) {
  Messages.append({at, kind, title, text});
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
