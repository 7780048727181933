// The line-edge commands: blanks and blank lines removed, a text added at every line's start
// or end.
#include <QAction>

#include "app/Platform.h"
#include "app/Unmein.h"
#include "cli/Recipe.h"
#include "convert/LineEdges.h"
#include "document/editor/QtText.h"

void TFmmein::WireEdgeCommands() {
  Wire({N22, N23, N24}, &TFmmein::N22Click);
  Wire({N59, N66}, &TFmmein::N59Click);
}

void TFmmein::N22Click(QObject* Sender) {
  if (Sender == N22) TrimRangeLines(1);
  if (Sender == N23) TrimRangeLines(2);
  if (Sender == N24) TrimRangeLines(3);
}

void TFmmein::TrimRangeLines(int Mode) {
  const char* const names[] = {"", "trim", "drop-blank-lines", "trim-and-drop"};
  ConvertRange(LineEdges::TrimRule(static_cast<LineEdges::TTrimMode>(Mode)),
               {.ResetRangeOnFailure = false, .Recipe = names[Mode]});
}

void TFmmein::N59Click(QObject* Sender) { AddToLines(Sender); }

void TFmmein::AddToLines(QObject* Sender) {
  const bool prefix = Sender == N59;
  const QString caption = prefix ? QStringLiteral("行頭に文字追加") : QStringLiteral("行末に文字追加");
  const QString entered =
      Platform().AskText(this, caption, QStringLiteral("追加文字を入力して下さい。"), QString());
  // Checked before anything changes: a character Shift-JIS cannot hold is refused with a
  // message instead of becoming '?' in every line.
  std::string text = QtText::EncodeFromEditor(entered);
  ConvertRange(LineEdges::AddTextRule(std::move(text), prefix),
               {.Recipe = (prefix ? "prefix " : "suffix ") + Recipe::Quoted(entered.toStdString())});
}
