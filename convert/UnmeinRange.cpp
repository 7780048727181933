// The conversion range, its display under the editor, range save and delete, the one-level
// undo, and the common road that every range command takes.
#include <QAction>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

#include <optional>

#include "app/Globals.h"
#include "app/Platform.h"
#include "app/StatusBar.h"
#include "app/Unmein.h"
#include "document/editor/EditorControl.h"
#include "view/FindBar.h"

namespace {

const QColor kSilver(192, 192, 192);  // a bound at its default
const QColor kAqua(0, 255, 255);      // a bound the user has set

bool IsAqua(const QLineEdit* field) { return field->palette().color(QPalette::Base) == kAqua; }

QString StartText(std::int32_t line) {
  return QStringLiteral("開始位置 : ") + QString::number(line + 1);
}

QString EndText(std::int32_t line) {
  return QStringLiteral("終了位置 : ") + QString::number(line + 1);
}

ConversionRoad::TRange CurrentRange() { return {RangeStart, RangeEnd}; }

}  // namespace

void TFmmein::WireRangeCommands() {
  Wire({stpos, Btstops, edpos, Btends}, &TFmmein::stposClick);
  Wire({N46, N42, N49, Btcut}, &TFmmein::N46Click);
  Wire({A1, BtRet}, &TFmmein::A1Click);
  Wire({Redo1}, &TFmmein::Redo1Click);
  connect(Btext, &TEditorControl::HistoryStep, this,
          [this](const TTextBuffer::TStepDone& step, bool undone) {
            Run([&] { AfterHistoryStep(step, undone); });
          });
  connect(Button1, &QPushButton::clicked, this, [this] { Run([this] { Button1Click(Button1); }); });
}

void TFmmein::ResetRange() {
  const std::int32_t count = Btext->LineCount();
  RangeStart = 0;
  RangeEnd = count > 0 ? count - 1 : 0;
  ed1->setText(StartText(RangeStart));
  ed2->setText(EndText(RangeEnd));
  ed3->setText(QString::number(count));
  SetBoundColor(ed1, false);
  SetBoundColor(ed2, false);
  SetRangeCommands(false);
  ShowRangeInEditor();
}

void TFmmein::SetBoundColor(QLineEdit* Field, bool SetByUser) {
  QPalette colours = Field->palette();
  colours.setColor(QPalette::Base, SetByUser ? kAqua : kSilver);
  Field->setPalette(colours);
}

void TFmmein::SetRangeCommands(bool On) {
  for (QAction* item : {N42, N46, N49, Btcut}) item->setEnabled(On);
}

bool TFmmein::BoundSetByUser() const { return IsAqua(ed1) || IsAqua(ed2); }

void TFmmein::ShowRangeMessage(const QString& Text, TMessageKind Kind) {
  Platform().ShowMessage(this, MessagePoint(), Kind, QStringLiteral("変換範囲"), Text);
}

void TFmmein::stposClick(QObject* Sender) {
  const std::int64_t caret = Btext->SelStart();
  SetBound(Sender == stpos || Sender == Btstops, Btext->LineFromChar(caret), caret);
}

void TFmmein::SetBound(bool Start, std::int32_t Line, std::int64_t Caret) {
  if (Start) {
    RangeCaretPos = Caret;
    RangeStart = Line;
    if (Line > RangeEnd) {
      RangeStart = 0;
      ShowRangeMessage(QStringLiteral("Ｅｒｒｏｒ : 開始位置が終了位置より後ろになります。"),
                       TMessageKind::Warning);
      return;
    }
    ed1->setText(StartText(Line));
    SetBoundColor(ed1, true);
  } else {
    RangeEnd = Line;
    if (Line < RangeStart) {
      RangeEnd = Btext->LineCount() - 1;
      ShowRangeMessage(QStringLiteral("Ｅｒｒｏｒ : 終了位置が開始位置より前になります。"),
                       TMessageKind::Warning);
      return;
    }
    ed2->setText(EndText(Line));
    SetBoundColor(ed2, true);
  }
  if (BoundSetByUser()) SetRangeCommands(true);
  ShowRangeInEditor();
}

bool TFmmein::TypedBoundEvent(QLineEdit* Field, QEvent* Event) {
  if (Event->type() == QEvent::FocusOut) {
    EndTypedBound(Field);
    return false;
  }
  if (Event->type() != QEvent::KeyPress || !HasDocument) return false;
  const auto* key = static_cast<QKeyEvent*>(Event);
  const bool typing = !Field->isReadOnly();
  if (key->key() >= Qt::Key_0 && key->key() <= Qt::Key_9 &&
      !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
    if (!typing) {
      Field->setReadOnly(false);
      Field->clear();
    }
    return false;  // the field takes the digit
  }
  if (!typing) return false;
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Run([&] { ApplyTypedBound(Field); });
      return true;
    case Qt::Key_Escape:
      EndTypedBound(Field);
      return true;
    case Qt::Key_Backspace: case Qt::Key_Delete: case Qt::Key_Left: case Qt::Key_Right:
    case Qt::Key_Home: case Qt::Key_End:
      return false;
    default:
      return !key->text().isEmpty();  // nothing but digits is typed
  }
}

void TFmmein::ApplyTypedBound(QLineEdit* Field) {
  bool number = false;
  const qlonglong typed = Field->text().toLongLong(&number);
  const std::int32_t count = Btext->LineCount();
  EndTypedBound(Field);
  if (!number || typed < 1 || typed > std::max(count, 1)) {
    ShowRangeMessage(QStringLiteral("Ｅｒｒｏｒ : 行番号は 1 から %1 までの数で指定してください。")
                         .arg(std::max(count, 1)),
                     TMessageKind::Warning);
    return;
  }
  const auto line = static_cast<std::int32_t>(typed - 1);
  SetBound(Field == ed1, line, Btext->LineIndex(line));
}

// The field shows its bound again, read-only, as before the typing began.
void TFmmein::EndTypedBound(QLineEdit* Field) {
  if (Field->isReadOnly()) return;
  Field->setReadOnly(true);
  if (!HasDocument) {
    Field->clear();
    return;
  }
  Field->setText(Field == ed1 ? StartText(RangeStart) : EndText(RangeEnd));
}

void TFmmein::ShowRangeInEditor() {
  const auto before = Btext->RangeTint();
  if (BoundSetByUser()) {
    Btext->SetRangeTint(RangeStart, RangeEnd);
  } else {
    Btext->SetRangeTint(-1, -1);
  }
  if (Btext->RangeTint() != before && FindBar != nullptr && !FindBar->isHidden()) CountMatches();
}

void TFmmein::Button1Click(QObject*) {
  ResetRange();
  Btext->setFocus();
}

void TFmmein::ApplyLineCountRule() {
  // Without a document the range row stays empty, whatever is typed or cleared.
  if (!HasDocument) return;
  const std::int32_t count = Btext->LineCount();
  if (ed3->text() == QString::number(count)) return;
  ed3->setText(QString::number(count));
  RangeEnd = count - 1;
  SetBoundColor(ed2, false);
  ed2->setText(EndText(RangeEnd));
  // Lines deleted by hand can leave the start past the new end; a command would then add empty
  // lines that were never there, so the start returns to the first line.
  if (RangeStart > RangeEnd && RangeStart > 0) {
    RangeStart = 0;
    SetBoundColor(ed1, false);
    ed1->setText(StartText(RangeStart));
  }
  ShowRangeInEditor();
}

void TFmmein::ConvertRange(const ConversionRoad::LineRule& Rule, const TRoadOptions& Options) {
  WorkList->Clear();
  std::optional<TBusyCursor> busy;
  std::optional<TUpdateGuard> update;
  if (Options.Busy) {
    busy.emplace(*this);
    update.emplace(*Btext);
  }
  bool done = false;
  const std::int64_t caretBefore = Btext->SelStart();
  const auto finish = qScopeGuard([&] {
    if (!done && Options.ResetRangeOnFailure) ResetRange();
    update.reset();
    WorkList->Clear();
    UndoList->Clear();
    busy.reset();
    Btext->SetSelStart(Options.CaretAfter.value_or(caretBefore));
  });
  const std::string rangeLine = Recording ? RangeRecipeLine() : std::string();
  UndoFileName = Filesv.FileName;
  UndoFilterIndex = Filesv.FilterIndex;
  // The result is written as bytes straight from the editor's text: no list of its lines, and
  // the lines outside the range copied as they are.
  const std::string_view text = Btext->ContiguousText();
  std::string result;
  result.reserve(text.size() + text.size() / 16 + 4096);
  if (Options.Keep) {
    ConversionRoad::FilterOnText(text, Btext->LineCount(), CurrentRange(), Options.Keep, result);
  } else {
    ConversionRoad::RunOnText(text, Btext->LineCount(), CurrentRange(), Rule, result,
                              Options.AfterLastLine);
  }
  if (!Btext->ReplaceAll(std::move(result), TCommandNote{UndoFileName, UndoFilterIndex})) {
    Bar->showMessage(QStringLiteral("文書が大きすぎるため、この変換は元に戻せません（履歴の上限）"),
                     10000);
  }
  if (Options.ResetRangeAfter) ResetRange();
  done = true;
  if (!Options.Recipe.empty()) RecordCommand(rangeLine, Options.Recipe);
}

void TFmmein::N46Click(QObject* Sender) {
  if (!BoundSetByUser()) {
    ShowRangeMessage(QStringLiteral("範囲が設定されていません"));
    return;
  }
  if (Sender == N46) {
    SaveRange();
  } else {
    DeleteRange();
  }
}

void TFmmein::SaveRange() {
  WorkList->Clear();
  const auto clear = qScopeGuard([this] { WorkList->Clear(); });
  TLightStrings document;
  document.SetText(Btext->Text());
  ConversionRoad::ConvertLines(document, CurrentRange(),
                               [](std::string_view line, TLightStrings& out) { out.Add(line); },
                               *WorkList);
  const std::string lines = WorkList->GetText();
  Encodings::TFormat format;
  if (ChooseSaveFile(lines, format)) {
    Encodings::WriteFile(QFile::encodeName(Filesv.FileName).toStdString(), lines, format, Foreign);
  }
}

void TFmmein::DeleteRange() {
  ConvertRange({}, {.Busy = true,
                    .ResetRangeOnFailure = true,
                    .CaretAfter = RangeCaretPos,
                    .Recipe = "delete-range",
                    .Keep = [](std::string_view) { return false; }});
}

// Undoes every step back to and including the last command, as the one-level undo of old did:
// typing and merges since the command go too.
void TFmmein::A1Click(QObject*) {
  TBusyCursor busy(*this);
  TUpdateGuard update(*Btext);
  while (const std::optional<TTextBuffer::TStepDone> step = Btext->Undo()) {
    if (step->Whole && step->Note.has_value()) break;
  }
  Btext->SetSelStart(0);
}

void TFmmein::Redo1Click(QObject*) {
  TBusyCursor busy(*this);
  Btext->Redo();
}

void TFmmein::AfterHistoryStep(const TTextBuffer::TStepDone& Step, bool Undone) {
  if (Step.Whole) {
    ResetRange();
    if (Undone) {
      const auto* note = std::any_cast<TCommandNote>(&Step.Note);
      if (note != nullptr) {
        Filesv.FileName = note->FileName;
        Filesv.FilterIndex = note->FilterIndex;
        Bar->SetPanelText(0, note->FileName);
      }
    }
  }
  UpdateUndoCommands();
  UpdateTitle();
}

void TFmmein::UpdateUndoCommands() {
  const bool command = HasDocument && Btext->CanUndoWhole();
  A1->setEnabled(command);
  BtRet->setEnabled(command);
  if (Btext->CanUndo()) pop1->setEnabled(true);
  Redo1->setEnabled(HasDocument && Btext->CanRedo());
}
