// The find bar's commands: 検索 opens it under the editor, every keystroke counts the matches
// in the document (or the range) in slices and marks them, 次を検索 and 前を検索 select the next
// and the previous one.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>

#include "app/Globals.h"
#include "app/Unmein.h"
#include "document/TextSearch.h"
#include "document/editor/EditorControl.h"
#include "document/editor/QtText.h"
#include "view/FindBar.h"
#include "view/SliceWork.h"

namespace {

QString Thousands(std::int64_t n) { return QLocale(QLocale::Japanese).toString(static_cast<qlonglong>(n)); }

}  // namespace

void TFmmein::WireFindCommands() {
  FindWork = new TSliceWork(*Btext, this);
  Wire({Find1}, &TFmmein::Find1Click);
  Wire({FindNext1, FindPrev1}, &TFmmein::FindNext1Click);
  connect(FindBar->FindEdit, &QLineEdit::textChanged, this, [this] { Run([this] { CountMatches(); }); });
  connect(FindBar->FindCase, &QCheckBox::toggled, this, [this] { Run([this] { CountMatches(); }); });
  connect(FindBar, &TFindBar::NextAsked, this, [this](bool back) { Run([&] { FindMove(back); }); });
  connect(FindBar, &TFindBar::CloseAsked, this, [this] { Run([this] { CloseFindBar(); }); });
}

void TFmmein::Find1Click(QObject*) {
  // A selection within one line is what the user most likely looks for.
  const QString selected = Btext->SelectedText();
  if (!selected.isEmpty() && !selected.contains(QLatin1Char('\n'))) FindBar->FindEdit->setText(selected);
  if (FindBar->isHidden()) {
    FindBar->show();
    FormResize();
  }
  FindBar->FindEdit->setFocus();
  FindBar->FindEdit->selectAll();
  CountMatches();
}

void TFmmein::FindNext1Click(QObject* Sender) {
  if (FindBar->isHidden()) {
    Find1Click(Sender);
    return;
  }
  FindMove(Sender == FindPrev1);
}

void TFmmein::CloseFindBar() {
  if (FindBar == nullptr || FindBar->isHidden()) return;
  FindWork->Stop();
  FindBar->hide();
  Btext->SetSearchMarks({}, false);
  FormResize();
  Btext->setFocus();
}

void TFmmein::RestoreFindMarks() {
  if (FindBar->isHidden()) {
    Btext->SetSearchMarks({}, false);
  } else {
    CountMatches();
  }
}

std::string TFmmein::FindBytes() const {
  const QString text = FindBar->FindEdit->text();
  if (text.isEmpty()) return {};
  // A character the document lacks gets a code of a copy of its table, so it finds nothing.
  TForeignChars scratch = Foreign;
  try {
    return QtText::EncodeFromEditor(text, &scratch);
  } catch (const std::exception&) {
    return {};
  }
}

std::pair<std::int64_t, std::int64_t> TFmmein::SearchedBytes() const {
  const std::int64_t length = Btext->TextLength();
  if (!BoundSetByUser()) return {0, length};
  const std::int64_t from = Btext->LineIndex(RangeStart);
  const std::int64_t after = RangeEnd + 1 < Btext->LineCount() ? Btext->LineIndex(RangeEnd + 1) : length;
  return {std::max<std::int64_t>(from, 0), after < 0 ? length : after};
}

void TFmmein::CountMatches() {
  FindWork->Stop();
  FindTotal = 0;
  const std::string mark = FindBytes();
  const bool matchCase = FindBar->FindCase->isChecked();
  Btext->SetSearchMarks(mark.empty() ? std::vector<std::string>{} : std::vector<std::string>{mark},
                        matchCase);
  if (mark.empty()) {
    FindBar->FindCount->clear();
    return;
  }
  const QString where = BoundSetByUser() ? QStringLiteral("範囲内 ") : QString();
  FindBar->FindCount->setText(where + QStringLiteral("数えています…"));
  const auto [from, to] = SearchedBytes();
  FindWork->Start(
      from, to,
      [this, mark, matchCase](std::string_view lines) {
        FindTotal += TextSearch::Count(lines, mark, matchCase);
      },
      [this, where] { FindBar->FindCount->setText(where + Thousands(FindTotal) + QStringLiteral(" 件")); });
}

void TFmmein::FindMove(bool Backwards) {
  const std::string mark = FindBytes();
  if (mark.empty()) return;
  const bool matchCase = FindBar->FindCase->isChecked();
  const auto [from, to] = SearchedBytes();
  const auto inside = [&, from = from, to = to](std::int64_t at) {
    return at >= from && at + static_cast<std::int64_t>(mark.size()) <= to;
  };
  std::int64_t at = -1;
  if (Backwards) {
    at = Btext->FindPrevious(mark, matchCase, std::min(Btext->SelStart(), to));
    if (!inside(at)) at = Btext->FindPrevious(mark, matchCase, to);  // round from the end
  } else {
    at = Btext->FindNext(mark, matchCase, std::max(Btext->SelEnd(), from));
    if (!inside(at)) at = Btext->FindNext(mark, matchCase, from);  // round from the start
  }
  if (!inside(at)) {
    FindBar->FindCount->setText(QStringLiteral("見つかりません"));
    return;
  }
  Btext->SetSelection(at, at + static_cast<std::int64_t>(mark.size()));
}
