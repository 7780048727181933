// The レシピ menu: what the user does in the window recorded as a recipe of korvane-cli's
// commands, saved, and run again on a document (also on every drop), through the same session
// korvane-cli runs, so both give the same bytes.
#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

#include <fstream>
#include <iterator>

#include "app/FileDialog.h"
#include "app/Globals.h"
#include "app/Platform.h"
#include "app/StatusBar.h"
#include "app/Unmein.h"
#include "cli/Commands.h"
#include "cli/Recipe.h"
#include "document/DocumentText.h"
#include "document/FileIO.h"
#include "document/editor/EditorControl.h"
#include "replace/History.h"

namespace {

const QList<TFileFilter> kRecipeFilters = {
    {QStringLiteral("レシピ (*.recipe)"), QStringLiteral("*.recipe")},
    {QStringLiteral("全てのﾌｧｲﾙ (*.*)"), QStringLiteral("*.*")}};

// A recipe is a small text; anything bigger is no recipe.
constexpr std::streamsize kMostRecipeBytes = 16 << 20;

std::vector<std::string> ReadList(const QString& path, std::size_t most) {
  try {
    return History::ReadEntries(QFile::encodeName(path).toStdString(), most);
  } catch (const std::exception&) {
    return {};
  }
}

void WriteList(const QString& path, const std::vector<std::string>& list) {
  try {
    History::WriteEntries(QFile::encodeName(path).toStdString(), list);
  } catch (const std::exception&) {
    // A convenience list: a data folder that cannot be written loses nothing else.
  }
}

}  // namespace

QString TFmmein::RecentRecipesPath() { return DataFolder() + QStringLiteral("recipes.kvn"); }
QString TFmmein::DropRecipePath() { return DataFolder() + QStringLiteral("drop-recipe.kvn"); }

void TFmmein::WireRecipeCommands() {
  Wire({RecStart1, RecStop1}, &TFmmein::RecStart1Click);
  Wire({RecSave1}, &TFmmein::RecSave1Click);
  Wire({RecRun1}, &TFmmein::RecRun1Click);
  Wire({DropRecipe1}, &TFmmein::DropRecipe1Click);
  connect(RecentRecipes1, &QMenu::aboutToShow, this, [this] { Run([this] { FillRecentRecipes(); }); });
  const std::vector<std::string> drop = ReadList(DropRecipePath(), 1);
  if (!drop.empty()) {
    DropRecipe = QFile::decodeName(QByteArray::fromStdString(drop.front()));
    DropRecipe1->setChecked(true);
  }
}

// 記録開始 begins a new recipe; 記録終了 stops adding to it, and its lines stay for
// レシピを保存 until the next 記録開始.
void TFmmein::RecStart1Click(QObject* Sender) {
  recordingOn_ = Sender == RecStart1;
  if (recordingOn_) {
    Recording.emplace();
    Bar->showMessage(QStringLiteral("レシピを記録しています"), 5000);
  } else if (Recording) {
    Bar->showMessage(QStringLiteral("記録を終えました: %1 行").arg(Recording->size()), 5000);
  }
  RecStart1->setEnabled(!recordingOn_);
  RecStop1->setEnabled(recordingOn_);
  RecSave1->setEnabled(Recording && !Recording->empty());
}

std::string TFmmein::RangeRecipeLine() const {
  if (!BoundSetByUser()) return {};
  return "range " + std::to_string(RangeStart + 1) + " " + std::to_string(RangeEnd + 1);
}

void TFmmein::RecordCommand(const std::string& RangeLine, const std::string& Line) {
  if (!Recording || !recordingOn_) return;
  if (!RangeLine.empty()) Recording->push_back(RangeLine);
  Recording->push_back(Line);
  RecSave1->setEnabled(true);
  Bar->showMessage(QStringLiteral("記録中: %1 行").arg(Recording->size()), 3000);
}

void TFmmein::RecSave1Click(QObject*) {
  if (!Recording || Recording->empty()) return;
  TFileDialog dialog(TFileDialog::TKind::Save, QStringLiteral("レシピを保存"),
                     QStringLiteral("recipe"), kRecipeFilters, true);
  if (!dialog.Execute(this)) return;
  const QString document = QFileInfo(Bar->PanelText(0).trimmed()).fileName();
  std::string text = QStringLiteral("# %1 に Korvane で記録したレシピ（文書: %2）\n")
                         .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm")),
                              document.isEmpty() ? QStringLiteral("なし") : document)
                         .toStdString();
  for (const std::string& line : *Recording) text += line + "\n";
  FileIO::TAtomicFileWriter writer(QFile::encodeName(dialog.FileName).toStdString());
  writer.Write(text);
  writer.Commit();
  std::vector<std::string> recent = ReadList(RecentRecipesPath(), kRecentRecipes);
  History::AddRecent(recent, QFile::encodeName(dialog.FileName).toStdString(), kRecentRecipes);
  WriteList(RecentRecipesPath(), recent);
  Bar->showMessage(QStringLiteral("レシピを保存しました: ") + dialog.FileName, 10000);
}

void TFmmein::RecRun1Click(QObject*) {
  TFileDialog dialog(TFileDialog::TKind::Open, QStringLiteral("レシピを実行"),
                     QStringLiteral("recipe"), kRecipeFilters);
  if (dialog.Execute(this)) RunRecipeFile(dialog.FileName);
}

void TFmmein::RunRecipeFile(const QString& FileName) {
  if (!HasDocument) return;
  std::ifstream in(QFile::encodeName(FileName).toStdString(), std::ios::binary);
  std::string text;
  if (in) {
    in.seekg(0, std::ios::end);
    const std::streamsize size = in.tellg();
    in.seekg(0);
    if (size > kMostRecipeBytes) in.setstate(std::ios::failbit);
    else text.assign(std::istreambuf_iterator<char>(in), {});
  }
  if (!in && !in.eof()) {
    Platform().ShowMessage(this, PromptPoint(), TMessageKind::Error, QStringLiteral("ｴﾗｰ"),
                           QStringLiteral("レシピ %1 を読み込めません").arg(FileName));
    return;
  }
  TBusyCursor busy(*this);
  // The recipe runs on a copy of the document and of its table of characters Shift-JIS lacks:
  // a failing line leaves both as they were.
  TForeignChars foreign = Foreign;
  TDocumentText document;
  std::string result;
  try {
    const std::vector<Recipe::TLine> lines =
        Recipe::Parse(text, QFileInfo(FileName).fileName().toStdString());
    const std::vector<Commands::TCommand> commands = Commands::ParseAll(lines, &foreign);
    document.SetText(Btext->Text());
    Commands::TSession session(document, &foreign);
    for (const Commands::TCommand& command : commands) session.Run(command);
    // Room for a result about the document's size, so that it is not copied as it grows.
    result.reserve(static_cast<std::size_t>(Btext->TextLength() + Btext->TextLength() / 8 + 4096));
    session.WriteOutput([&](std::string_view piece) { result.append(piece); });
  } catch (const Recipe::EUsageError& failure) {
    Platform().ShowMessage(this, PromptPoint(), TMessageKind::Error, QStringLiteral("レシピ"),
                           QString::fromStdString(failure.what()));
    return;
  }
  Foreign = std::move(foreign);
  if (!Btext->ReplaceAll(std::move(result), TCommandNote{Filesv.FileName, Filesv.FilterIndex})) {
    Bar->showMessage(QStringLiteral("文書が大きすぎるため、この変換は元に戻せません（履歴の上限）"),
                     10000);
  }
  ResetRange();
  Btext->SetSelStart(0);
  std::vector<std::string> recent = ReadList(RecentRecipesPath(), kRecentRecipes);
  History::AddRecent(recent, QFile::encodeName(FileName).toStdString(), kRecentRecipes);
  WriteList(RecentRecipesPath(), recent);
}

void TFmmein::FillRecentRecipes() {
  RecentRecipes1->clear();
  int number = 0;
  for (const std::string& entry : ReadList(RecentRecipesPath(), kRecentRecipes)) {
    const QString name = QFile::decodeName(QByteArray::fromStdString(entry));
    QAction* item = RecentRecipes1->addAction(QStringLiteral("&%1 %2").arg(++number).arg(name));
    item->setObjectName(QStringLiteral("RecentRecipe%1").arg(number));
    item->setEnabled(HasDocument);
    connect(item, &QAction::triggered, this, [this, name] { Run([&] { RunRecipeFile(name); }); });
  }
  if (number == 0) RecentRecipes1->addAction(QStringLiteral("(なし)"))->setEnabled(false);
}

void TFmmein::DropRecipe1Click(QObject*) {
  if (DropRecipe1->isChecked()) {
    TFileDialog dialog(TFileDialog::TKind::Open, QStringLiteral("ドロップ時に実行するレシピ"),
                       QStringLiteral("recipe"), kRecipeFilters);
    if (!dialog.Execute(this)) {
      DropRecipe1->setChecked(false);
      return;
    }
    DropRecipe = dialog.FileName;
    WriteList(DropRecipePath(), {QFile::encodeName(DropRecipe).toStdString()});
  } else {
    DropRecipe.clear();
    WriteList(DropRecipePath(), {});
  }
}
