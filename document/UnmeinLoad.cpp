// Loading and merging: Open, Append (合成), a list of dropped files, and the bookkeeping after
// every load.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QScopeGuard>

#include <algorithm>

#include "app/Platform.h"
#include "app/StatusBar.h"
#include "app/Unmein.h"
#include "document/DocumentText.h"
#include "document/editor/EditorControl.h"
#include "document/editor/QtText.h"
#include "document/Readers.h"

namespace {

std::string NativePath(const QString& fileName) {
  return QFile::encodeName(fileName).toStdString();
}

QString ChangeFileExt(const QString& fileName, const char* ext) {
  return QString::fromStdString(Readers::ChangeFileExt(fileName.toStdString(), ext));
}

// The editor as the document a load fills.
class TEditorTarget final : public DocumentLoad::TTextTarget {
 public:
  explicit TEditorTarget(TEditorControl& editor) : editor_(editor) {}
  std::string Text() const override { return editor_.Text(); }
  void SetText(std::string&& bytes) override { editor_.SetText(std::move(bytes)); }
  void ExtendText(std::string&& bytes) override { editor_.ReplaceAll(std::move(bytes), {}); }
  void AppendLines(std::string_view bytes) override { editor_.AppendLines(bytes); }
  void Clear() override { editor_.ClearText(); }

 private:
  TEditorControl& editor_;
};

}  // namespace

void TFmmein::WireLoadCommands() {
  Wire({Fopen, Open1}, &TFmmein::FopenClick);
  connect(Recent1, &QMenu::aboutToShow, this, [this] { Run([this] { FillRecentMenu(); }); });
  Wire({Fappend, N1}, &TFmmein::FappendClick);
  for (QAction* item : Reopen1->actions()) Wire({item}, &TFmmein::ReopenClick);
}

void TFmmein::ReopenClick(QObject* Sender) {
  const QString file = DocumentFile;
  if (file.isEmpty()) {
    Platform().ShowMessage(this, PromptPoint(), TMessageKind::Information, QStringLiteral("情報"),
                           QStringLiteral("この文書はﾌｧｲﾙから開いたものではありません。"));
    return;
  }
  if (!PassUnsavedGuard(2)) return;
  Btext->SetModified(false);
  Appended = false;
  FcloseClick(Sender);
  const auto encoding = static_cast<Encodings::TEncoding>(qobject_cast<QAction*>(Sender)->data().toInt());
  OpenDocument(file, encoding);
}

void TFmmein::FopenClick(QObject*) {
  if (Fileop.Execute(this)) OpenDocument(Fileop.FileName);
}

void TFmmein::FappendClick(QObject*) {
  if (!Fileop.Execute(this)) return;
  TUpdateGuard update(*Btext);
  AppendDocument(Fileop.FileName);
}

void TFmmein::DropDst1FileDrop(QObject*, const QStringList& Files, QPoint) {
  MergeFileList(Files);
  // ドロップ時にレシピを実行: the merged text cleaned at once, as its own undo step.
  if (DropRecipe1->isChecked() && !DropRecipe.isEmpty()) RunRecipeFile(DropRecipe);
}

DocumentLoad::TSource TFmmein::LoadSource(const QString& FileName) const {
  const QString name = QFileInfo(FileName).fileName();
  return {.Path = NativePath(FileName),
          .Shown = FileName.toStdString(),
          .FileName = name.toStdString(),
          .FileNameCp932 = QtText::ToCp932Lossy(name),
          .Content = std::nullopt};
}

DocumentLoad::TLoader TFmmein::Loader(std::optional<Encodings::TEncoding> From) {
  DocumentLoad::TLoader loader(N48->isChecked(), [this](const std::string& message) {
    Platform().ShowMessage(this, PromptPoint(), TMessageKind::Error, QStringLiteral("ｴﾗｰ"),
                           QString::fromStdString(message));
  });
  // Each file in its own encoding; a load into no document starts the document's table anew.
  if (!HasDocument) Foreign.Clear();
  loader.SetEncodings(From, Foreign);
  return loader;
}

void TFmmein::ShowEncoding(const DocumentLoad::TConversionNotices& Conversions) {
  QStringList from;
  bool unsure = false;
  for (const DocumentLoad::TConversionNotice& notice : Conversions) {
    unsure |= !notice.Sure;
    if (notice.Format.Encoding == Encodings::TEncoding::Cp932) continue;
    const QString name = QString::fromStdString(Encodings::FormatName(notice.Format));
    if (!from.contains(name)) from << name;
  }
  QString text = from.isEmpty() ? QString::fromStdString(Encodings::FormatName(DocumentFormat))
                                : from.join(QStringLiteral("、")) + QStringLiteral(" から変換");
  if (unsure) text += QStringLiteral(" (判定不確か)");
  Bar->SetPanelText(3, text);
  const QString notices = QString::fromStdString(DocumentLoad::ConversionNoticeText(Conversions));
  Bar->setToolTip(notices);
  // Bytes kept as they were, references written, an unknown escape: told at once.
  const bool unusual = std::any_of(Conversions.begin(), Conversions.end(), [](const auto& notice) {
    return notice.Undecodable != 0 || notice.Unstored != 0 || notice.UnknownEscape;
  });
  if (unusual) {
    Platform().ShowMessage(this, PromptPoint(), TMessageKind::Warning, QStringLiteral("警告"), notices);
  }
}

// Tells the user, once per load, which parts of which files did not reach the document, so that
// saving over those files is a decision and not an accident.
void TFmmein::ShowCutNotices(const DocumentLoad::TCutNotices& Notices) {
  if (Notices.empty()) return;
  Platform().ShowMessage(this, PromptPoint(), TMessageKind::Warning, QStringLiteral("警告"),
                         QString::fromStdString(DocumentLoad::CutNoticeText(Notices)));
}

// The work list is empty before a load and after it, on every path.
class TFmmein::TLoadScope {
 public:
  explicit TLoadScope(TFmmein& form) : form_(form), busy_(form) { form_.WorkList->Clear(); }
  ~TLoadScope() { form_.WorkList->Clear(); }
  TLoadScope(const TLoadScope&) = delete;
  TLoadScope& operator=(const TLoadScope&) = delete;

 private:
  TFmmein& form_;
  TBusyCursor busy_;
};

void TFmmein::OpenDocument(const QString& FileName, std::optional<Encodings::TEncoding> From) {
  TLoadScope load(*this);
  TEditorTarget editor(*Btext);
  HasDocument = false;  // what the editor held goes
  DocumentLoad::TLoader loader = Loader(From);
  loader.Open(editor, LoadSource(FileName));
  DocumentFormat = loader.FirstFormat();
  DocumentFile = FileName;
  AfterLoad(FileName, 1);
  RememberRecent(FileName);
  ShowEncoding(loader.Conversions());
  ShowCutNotices(loader.Notices());
}

void TFmmein::AppendDocument(const QString& FileName) {
  TLoadScope load(*this);
  if (Btext->WordWrap()) SetWrap(false);
  DocumentLoad::TLoader loader = Loader();
  {
    TUpdateGuard update(*Btext);
    TEditorTarget editor(*Btext);
    loader.Append(editor, LoadSource(FileName));
  }
  AfterLoad(FileName, 2);
  ShowEncoding(loader.Conversions());
  ShowCutNotices(loader.Notices());
}

void TFmmein::MergeFileList(const QStringList& Files) {
  if (Files.isEmpty()) return;
  TBusyCursor busy(*this);
  const QString panelBefore = Bar->PanelText(0);
  Bar->SetPanelText(0, QStringLiteral("Reading ....."));
  Bar->RepaintNow();
  TUpdateGuard update(*Btext);
  bool merging = true;
  const auto cleanUp = qScopeGuard([&] {
    // A failed drop leaves the document as it was, and its name in the status bar too.
    if (merging) Bar->SetPanelText(0, panelBefore);
    BringToFront();
  });
  std::vector<DocumentLoad::TSource> sources;
  for (const QString& file : Files) sources.push_back(LoadSource(file));
  const bool hadDocument = HasDocument;
  DocumentLoad::TLoader loader = Loader();
  TEditorTarget editor(*Btext);
  loader.Merge(editor, std::move(sources), hadDocument);
  merging = false;
  if (!hadDocument) {
    DocumentFormat = loader.FirstFormat();
    DocumentFile = Files.size() == 1 ? Files.first() : QString();
  }
  AfterLoad(Files.last(), (Files.size() > 1 || hadDocument) ? 2 : 1);
  ShowEncoding(loader.Conversions());
  ShowCutNotices(loader.Notices());
}

void TFmmein::AfterLoad(const QString& FileName, int Kind) {
  HasDocument = true;
  if (Kind == 1) savedName_.clear();
  Filesv.FileName = ChangeFileExt(FileName, ".txt");
  ResetRange();
  ShowDocumentName(FileName);
  Btext->SetColor(QColor(255, 255, 255));
  if (Kind == 1) {
    Btext->SetModified(false);
    Appended = false;
    SetOpenCommands(false);
    SetDocumentCommands(true);
    for (QAction* item : {pop2, pop3, N67}) item->setEnabled(true);
  } else if (Kind == 2) {
    Btext->SetModified(true);
    Appended = true;
    if (Make->isEnabled()) {
      SetOpenCommands(false);
      SetDocumentCommands(true);
    }
  }
  UpdateTitle();
}

void TFmmein::ShowDocumentName(const QString& FileName) {
  Bar->SetPanelWidth(0, 6 * static_cast<int>(QtText::ToCp932Lossy(FileName).size()));
  Bar->SetPanelText(0, FileName);
}

void TFmmein::BringToFront() { Platform().BringToFront(window()); }
