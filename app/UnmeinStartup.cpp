// The main window's start-up and end: construction, FormCreate, the close guard, the box
// positions and the busy cursor.
#include <QCloseEvent>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QShowEvent>
#include <QFont>
#include <QLineEdit>
#include <QLabel>
#include <QAction>
#include <QPushButton>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "app/Globals.h"
#include "app/StatusBar.h"
#include "app/Unmein.h"
#include "components/DropDst.h"
#include "document/editor/EditorControl.h"
#include "document/Failures.h"
#include "document/FileIO.h"
#include "document/SaveRecord.h"
#include "replace/Unrep.h"

namespace {

QList<TFileFilter> OpenFilters() {
  return {{QStringLiteral("ﾃｷｽﾄ (*.txt)"), QStringLiteral("*.txt")},
          {QStringLiteral("GetRight(*.grx)"), QStringLiteral("*.grx")},
          // Saved pages and shortcuts are found without changing the type.
          {QStringLiteral("HTML (*.htm *.html *.shtml)"), QStringLiteral("*.htm *.html *.shtml")},
          {QStringLiteral("ｲﾝﾀｰﾈｯﾄｼｮｰﾄｶｯﾄ (*.url)"), QStringLiteral("*.url *.URL *.Url")},
          {QStringLiteral("全てのﾌｧｲﾙ (*.*)"), QStringLiteral("*.*")}};
}

QList<TFileFilter> SaveFilters() {
  return {{QStringLiteral("ﾃｷｽﾄ (*.txt)"), QStringLiteral("*.txt")},
          {QStringLiteral("URLﾘｽﾄ(*.lst)"), QStringLiteral("*.lst")},
          {QStringLiteral("GetRight(*.grx)"), QStringLiteral("*.grx")},
          {QStringLiteral("ReGet(*.wrg)"), QStringLiteral("*.wrg")},
          {QStringLiteral("iria(*.iri)"), QStringLiteral("*.iri")},
          {QStringLiteral("HTML(*.html)"), QStringLiteral("*.html")},
          {QStringLiteral("全て(*.*)"), QStringLiteral("*.*")}};
}

// The Japanese face names the window asks for, mapped to the fonts this system has.
void InstallFontSubstitutes() {
  QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
  QFont::insertSubstitution(QStringLiteral("ＭＳゴシック"), QStringLiteral("IPAGothic"));
  QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
  QFont::insertSubstitution(QStringLiteral("ＭＳ明朝"), QStringLiteral("IPAMincho"));
}

// Creates an empty file when none of that name exists. Throws EFCreateError.
void EnsureFileExists(const QString& fileName) {
  const QByteArray path = QFile::encodeName(fileName);
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) {
    ::close(fd);
    return;
  }
  if (errno != EEXIST) throw EFCreateError(path.toStdString(), errno);
}

}  // namespace

TFmmein::TFmmein(const QStringList& commandLine, QWidget* parent)
    : QMainWindow(parent),
      Fileop(TFileDialog::TKind::Open, QStringLiteral("ファイルを開く"), QStringLiteral("txt"),
             OpenFilters()),
      Filesv(TFileDialog::TKind::Save, QStringLiteral("ファイルを保存"), QStringLiteral("txt"),
             SaveFilters(), true) {
  setObjectName(QStringLiteral("Fmmein"));
  setWindowTitle(QStringLiteral("テキスト文書　合成・変換ソフト ＜Ｋｏｒｖａｎｅ＞"));
  InstallFontSubstitutes();
  setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
  ComposeToolBar();
  ComposeMainMenu();
  ComposePopupMenu();
  ComposeClientArea();
  WireLoadCommands();
  WireDocumentCommands();
  WireRangeCommands();
  WireViewCommands();
  WireToolCommands();
  WireEdgeCommands();
  WireTagCommands();
  WireWidthCommands();
  WireReplaceCommands();
  WireJumpCommands();
  WireMarkCommands();
  WireFindCommands();
  WireRecipeCommands();
  // Files dropped on the editor are merged in the order the drag delivers them.
  DropDst1 = new TDropDst(this);
  DropDst1->setObjectName(QStringLiteral("DropDst1"));
  DropDst1->SetSort(false);
  DropDst1->SetOnFileDrop([this](QObject* Sender, const QStringList& Files, QPoint At) {
    DropDst1FileDrop(Sender, Files, At);
  });
  DropDst1->SetControl(Btext);
  Btext->SetForeignChars(&Foreign);
  Filesv.ChoiceCaption = QStringLiteral("文字コード");
  Filesv.Choices = SaveFormatNames();
  DropDst1->Loaded();
  SetBoundColor(ed1, false);
  SetBoundColor(ed2, false);
  Btext->SetColor(palette().color(QPalette::Button));
  resize(600, 470);
  FormCreate(commandLine);
}

TFmmein::~TFmmein() { FormDestroy(); }

void TFmmein::Wire(std::initializer_list<QAction*> items, void (TFmmein::*handler)(QObject*)) {
  for (QAction* item : items) {
    connect(item, &QAction::triggered, this,
            [this, item, handler] { Run([&] { (this->*handler)(item); }); });
  }
}

// The program's version as the version dialog shows it, in full-width digits: "１．７８".
static QString FullWidthVersion() {
  QString text = QStringLiteral(KORVANE_VERSION);
  for (QChar& c : text) {
    if (c.unicode() >= 0x21 && c.unicode() <= 0x7E) c = QChar(c.unicode() - 0x20 + 0xFF00);
  }
  return text;
}

void TFmmein::FormCreate(const QStringList& commandLine) {
  HasDocument = false;
  WrapOn = false;
  Appended = false;
  ClearMarks();
  SetDocumentCommands(false);
  BtRet->setEnabled(false);
  Btext->ClearText();
  VersionText = FullWidthVersion();
  UpdateDateText = QStringLiteral("Last Up Date  02/11/29");
  Bar->SetPanelText(1, QStringLiteral("表示サイズ　標準   10 point"));
  Bar->SetPanelText(2, QStringLiteral("折り返さない"));
  RangeStart = 0;
  RangeEnd = 0;
  for (QLineEdit* field : {ed1, ed2, ed3, Edit2}) field->clear();
  UndoList = std::make_unique<TLightStrings>();
  WorkList = std::make_unique<TLightStrings>();
  Run([this] {
    MemoClipPath = DataFolder() + QStringLiteral("memoclip.kvn");
    // A save that must write a file in place keeps the old content here until it is done.
    FileIO::SetBackupFolder(QFile::encodeName(DataFolder()).toStdString());
    EnsureFileExists(MemoClipPath);
  });
  StartRecovery();
  RangeCaretPos = 0;
  // Several files (from a launcher or a file manager) are merged as one drop once the window
  // is shown; a single file opens as with Open.
  if (commandLine.size() == 1) {
    OpenCommandLineFile(commandLine.first());
  } else {
    for (const QString& file : commandLine) startupDrop_ << QFileInfo(file).absoluteFilePath();
  }

  const QWidget* client = centralWidget();
  const int editorBottom = Btext->y() + Btext->height();
  BottomGap = client->height() - editorBottom;
  LabelGap = Label1->y() - editorBottom;
  RowGap = ed1->y() - editorBottom;
  KeepLayoutVisible();
}

// The window never gets so small that the editor's height would go below a few lines or the
// range row would leave the window; the tool bar and the status bar stay outside this area.
void TFmmein::KeepLayoutVisible() {
  constexpr int kLeastEditorLines = 4;
  const int editorFrame = Btext->height() - Btext->viewport()->height();
  const int leastEditor = kLeastEditorLines * Btext->fontMetrics().lineSpacing() + editorFrame;
  const int rowRight = std::max(Edit2->geometry().right(), Button1->geometry().right()) + 3;
  centralWidget()->setMinimumSize(rowRight, Btext->y() + leastEditor + BottomGap);
  FormResize();  // the minimum may have changed the client's size already
}

// The file named on the command line, by its absolute name, so that a later save goes to its
// folder whatever the current folder is then. A failure is told once the window is shown,
// over it (showEvent).
void TFmmein::OpenCommandLineFile(const QString& Argument) {
  const QFileInfo file(Argument);
  if (!file.exists() && Argument.contains(QChar::ReplacementCharacter)) {
    startupFailure_ = QStringLiteral("ﾌｧｲﾙ %1 を開けません\n"
                                     "ﾌｧｲﾙ名に UTF-8 として読めないﾊﾞｲﾄが含まれています")
                          .arg(Argument);
    return;
  }
  try {
    OpenDocument(file.absoluteFilePath());
  } catch (const std::exception& failure) {
    startupFailure_ = FailureMessage(failure);
  } catch (...) {
    startupFailure_ = QStringLiteral("予期しないエラーが発生しました。");
  }
}

void TFmmein::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  // Queued, so that the boxes are placed over the window where it finally stands.
  QMetaObject::invokeMethod(
      this,
      [this] {
        const QString text = std::exchange(startupFailure_, QString());
        if (!text.isEmpty()) {
          Platform().ShowMessage(this, PromptPoint(), TMessageKind::Error, QStringLiteral("ｴﾗｰ"),
                                 text);
        }
        Run([this] { OfferInterruptedSaves(); });
        Run([this] { OfferRecovery(); });
        Run([this] { MergeFileList(std::exchange(startupDrop_, QStringList())); });
      },
      Qt::QueuedConnection);
}

void TFmmein::OfferInterruptedSaves() {
  for (const FileIO::TInterruptedSave& save :
       FileIO::FindInterruptedSaves(FileIO::BackupFolder())) {
    const QString name = QFile::decodeName(QByteArray::fromStdString(save.Target));
    const QString when = QDateTime::fromSecsSinceEpoch(save.Started).toString(
        QStringLiteral("yyyy/MM/dd HH:mm"));
    const QString state = save.TargetGone
                              ? QStringLiteral("このﾌｧｲﾙは今はありません。")
                              : QStringLiteral("このﾌｧｲﾙは壊れている可能性があります。");
    const QString text =
        QStringLiteral("%1 に始めたﾌｧｲﾙ %2 の保存が、途中で中断されていました。%3\n"
                       "保存前の内容 (%4 ﾊﾞｲﾄ) に戻しますか？\n\n"
                       "はい: 保存前の内容に戻します\n"
                       "いいえ: 保存前の内容を捨てます\n"
                       "ｷｬﾝｾﾙ: 今は何もしません (次に起動したときにもう一度尋ねます)")
            .arg(when, name, state, QString::number(save.OldSize));
    const TAnswer answer =
        Platform().AskYesNoCancel(this, PromptPoint(), QStringLiteral("保存の復旧"), text);
    if (answer == TAnswer::Yes) {
      Run([&] { FileIO::RestoreInterruptedSave(save); });
    } else if (answer == TAnswer::No) {
      FileIO::DiscardInterruptedSave(save);
    }
  }
}

void TFmmein::FormDestroy() {
  // A normal end: nothing needs recovering.
  DiscardRecovery();
  RecoveryWriter.reset();
  UndoList.reset();
  WorkList.reset();
}

QPoint TFmmein::PromptPoint() const {
  const QRect frame = frameGeometry();
  return {frame.left() + frame.width() / 4, frame.top() + frame.height() / 3};
}

QPoint TFmmein::MessagePoint() const {
  const QRect frame = frameGeometry();
  return {frame.left() + frame.width() / 5, frame.top() + frame.height() / 4};
}

void TFmmein::mousechenge(int kind) {
  if (kind == 1) Platform().SetBusyCursor(true);
  if (kind == 2) Platform().SetBusyCursor(false);
}

TBusyCursor::TBusyCursor(TFmmein& form) : form_(form) {
  if (form_.busyDepth_++ == 0) form_.mousechenge(1);
}

TBusyCursor::~TBusyCursor() {
  if (--form_.busyDepth_ == 0) form_.mousechenge(2);
}

void TFmmein::closeEvent(QCloseEvent* event) {
  // Closing the window by its frame asks the same question as Exit, so that unsaved work is
  // never thrown away without one.
  bool leave = exitConfirmed_;
  if (!leave) Run([&] { leave = PassUnsavedGuard(1); });
  if (leave) {
    // The replace dialog's files are written while the window is still there to tell of a
    // file that could not be written.
    if (Fmrep != nullptr) {
      const QStringList failures = Fmrep->WriteFiles();
      if (!failures.isEmpty()) {
        Platform().ShowMessage(this, PromptPoint(), TMessageKind::Error, QStringLiteral("ｴﾗｰ"),
                               failures.join(QStringLiteral("\n\n")));
      }
    }
    DiscardRecovery();
    event->accept();
  } else {
    event->ignore();
  }
}
