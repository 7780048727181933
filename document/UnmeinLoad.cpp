// Loading and merging: Open, Append (合成), a list of dropped files, and the bookkeeping after
// every load.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include "app/Platform.h"
#include "app/StatusBar.h"
#include "app/Unmein.h"
#include "document/EditorControl.h"
#include "document/Failures.h"
#include "document/QtText.h"
#include "document/Readers.h"

namespace {

std::string NativePath(const QString& fileName) {
  return QFile::encodeName(fileName).toStdString();
}

QString ChangeFileExt(const QString& fileName, const char* ext) {
  return QString::fromStdString(Readers::ChangeFileExt(fileName.toStdString(), ext));
}

constexpr int kMaxNoticesListed = 10;

}  // namespace

void TFmmein::WireLoadCommands() {
  Wire({Fopen, Open1}, &TFmmein::FopenClick);
  Wire({Fappend, N1}, &TFmmein::FappendClick);
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
}

// A failure to read a file names the file: after a drop of many files, or at start-up, the
// reason alone would not say which one failed.
void TFmmein::ReadInto(const QString& FileName, TLightStrings& List) {
  try {
    ReadFileInto(FileName, List);
  } catch (const EKorvaneError& failure) {
    throw EKorvaneError((QStringLiteral("ﾌｧｲﾙ %1 を読み込めません\n").arg(FileName)).toStdString() +
                        failure.what());
  }
}

void TFmmein::ReadFileInto(const QString& FileName, TLightStrings& List) {
  const std::string path = NativePath(FileName);
  const QString name = QFileInfo(FileName).fileName();
  if (Readers::IsShortcutFile(path)) {
    Readers::ReadShortcutFile(path, QtText::ToCp932Lossy(name), N48->isChecked(), List);
    return;
  }
  Readers::TReadReport report;
  {
    TBusyCursor busy(*this);
    report = Readers::ReadDocumentFile(path, List);
  }
  if (report.HtmlOpenFailed) {
    Platform().ShowMessage(this, PromptPoint(), TMessageKind::Error, QStringLiteral("ｴﾗｰ"),
                           QStringLiteral("指定ファイル ") + name +
                               QStringLiteral("は保存の途中でした。処理により当該ファイルは失われた"
                                              "ため、再度保存を実行してください。"));
  }
  if (report.StoppedAtLine >= 0) {
    cutNotices_.push_back({FileName, report.StoppedAtLine, false, false});
  }
}

void TFmmein::NoteNulCut(const QString& FileName, const TLightStrings& Lines,
                         bool MoreFilesFollow) {
  const Readers::TNulCut cut = Readers::FindNulCut(Lines);
  if (cut.Line < 0 || !(cut.DropsText || MoreFilesFollow)) return;
  cutNotices_.push_back({FileName, cut.Line, true, MoreFilesFollow});
}

// Tells the user, once per load, which parts of which files did not reach the document, so that
// saving over those files is a decision and not an accident.
void TFmmein::ShowCutNotices() {
  if (cutNotices_.empty()) return;
  QString text = QStringLiteral(
      "次のファイルは途中までしか読み込まれていません。読み込まれなかった部分は文書に"
      "入っていないため、元のファイルに上書き保存すると失われます。\n");
  int listed = 0;
  for (const TCutNotice& notice : cutNotices_) {
    if (++listed > kMaxNoticesListed) {
      text += QStringLiteral("\nほか %1 件").arg(cutNotices_.size() - kMaxNoticesListed);
      break;
    }
    text += QStringLiteral("\n・%1 の %2 行目にある%3より後ろ%4")
                .arg(QFileInfo(notice.FileName).fileName())
                .arg(notice.Line + 1)
                .arg(notice.AtNul ? QStringLiteral(" NUL 文字 (0x00) ")
                                  : QStringLiteral("ファイル終端文字 (0x1A) "))
                .arg(notice.LaterFilesToo ? QStringLiteral("（後に続くファイルを含む）")
                                          : QString());
  }
  cutNotices_.clear();
  Platform().ShowMessage(this, PromptPoint(), TMessageKind::Warning, QStringLiteral("警告"), text);
}

// The work list and the notices of one load are empty before it and after it, on every path.
class TFmmein::TLoadScope {
 public:
  explicit TLoadScope(TFmmein& form) : form_(form), busy_(form) { Reset(); }
  ~TLoadScope() { Reset(); }
  TLoadScope(const TLoadScope&) = delete;
  TLoadScope& operator=(const TLoadScope&) = delete;

 private:
  void Reset() {
    form_.WorkList->Clear();
    form_.cutNotices_.clear();
  }
  TFmmein& form_;
  TBusyCursor busy_;
};

void TFmmein::OpenDocument(const QString& FileName) {
  TLoadScope load(*this);
  Btext->ClearText();
  ReadInto(FileName, *WorkList);
  NoteNulCut(FileName, *WorkList, false);
  Btext->SetText(WorkList->GetText());
  WorkList->Clear();
  AfterLoad(FileName, 1);
  ShowCutNotices();
}

void TFmmein::AppendDocument(const QString& FileName) {
  TLoadScope load(*this);
  if (Btext->WordWrap()) SetWrap(false);
  {
    TUpdateGuard update(*Btext);
    ReadInto(FileName, *WorkList);
    NoteNulCut(FileName, *WorkList, false);
    Btext->AppendLines(WorkList->GetText());
  }
  AfterLoad(FileName, 2);
  WorkList->Clear();
  ShowCutNotices();
}

void TFmmein::MergeFileList(const QStringList& Files) {
  if (Files.isEmpty()) return;
  TLightStrings perFile;
  TLightStrings merged;
  TBusyCursor busy(*this);
  const QString panelBefore = Bar->PanelText(0);
  Bar->SetPanelText(0, QStringLiteral("Reading ....."));
  Bar->RepaintNow();
  TUpdateGuard update(*Btext);
  bool merging = true;
  const auto cleanUp = qScopeGuard([&] {
    // A failed drop leaves the document as it was, and its name in the status bar too.
    if (merging) Bar->SetPanelText(0, panelBefore);
    cutNotices_.clear();
    BringToFront();
  });
  cutNotices_.clear();
  for (qsizetype i = 0; i < Files.size(); ++i) {
    ReadInto(Files[i], perFile);
    NoteNulCut(Files[i], perFile, i + 1 < Files.size());
    merged.Add(perFile.GetText());
    perFile.Clear();
  }
  const bool hadDocument = HasDocument;
  if (hadDocument) {
    Btext->SetText(Btext->Text() + merged.GetText());
  } else {
    Btext->SetText(merged.GetText());
  }
  merging = false;
  AfterLoad(Files.last(), (Files.size() > 1 || hadDocument) ? 2 : 1);
  ShowCutNotices();
}

void TFmmein::AfterLoad(const QString& FileName, int Kind) {
  HasDocument = true;
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
}

void TFmmein::ShowDocumentName(const QString& FileName) {
  Bar->SetPanelWidth(0, 6 * static_cast<int>(QtText::ToCp932Lossy(FileName).size()));
  Bar->SetPanelText(0, FileName);
}

void TFmmein::BringToFront() { Platform().BringToFront(window()); }
