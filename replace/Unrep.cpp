// The replace/delete dialog: composition, execute and cancel, the clear buttons, the memo clip
// and the histories with their files.
#include "replace/Unrep.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

#include "app/FailureReport.h"
#include "app/Globals.h"
#include "app/Platform.h"
#include "app/Unmein.h"
#include "app/Widgets.h"
#include "document/Failures.h"
#include "cli/Commands.h"
#include "cli/Recipe.h"
#include "document/editor/EditorControl.h"
#include "document/editor/QtText.h"
#include "view/SliceWork.h"

TFmrep* Fmrep = nullptr;

namespace {

constexpr int kClientWidth = 360;
constexpr int kClientHeight = 405;  // with the preview line above the buttons

std::string NativePath(const QString& fileName) { return QFile::encodeName(fileName).toStdString(); }

// The history and memo files hold Shift-JIS lines; an entry with characters Shift-JIS lacks is
// kept as a line of UTF-8 that starts with a byte-order mark, so that any text survives and the
// files of earlier versions read as before.
constexpr std::string_view kUtf8Entry = "\xEF\xBB\xBF";

std::string EntryBytes(const QString& text) {
  try {
    return QtText::EncodeFromEditor(text);
  } catch (const EUnmappableText&) {
    const QByteArray utf8 = text.toUtf8();
    return std::string(kUtf8Entry) + std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
  }
}

QString Shown(const std::string& bytes) {
  if (std::string_view(bytes).starts_with(kUtf8Entry)) {
    return QString::fromUtf8(bytes.data() + kUtf8Entry.size(),
                             static_cast<qsizetype>(bytes.size() - kUtf8Entry.size()));
  }
  return QtText::DecodeForEditor(bytes);
}

QComboBox* NewCombo(QWidget* parent, const char* name, QRect geometry) {
  auto* combo = NewComponent<QComboBox>(parent, name, geometry);
  combo->setEditable(true);
  // The lists are the program's: Enter never adds an entry by itself.
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setDuplicatesEnabled(true);
  return combo;
}

QToolButton* NewSpeedButton(QWidget* parent, const char* name, const QString& caption, int tag,
                            QRect geometry) {
  auto* button = NewComponent<QToolButton>(parent, name, geometry);
  button->setText(caption);
  button->setProperty("Tag", tag);
  button->setFocusPolicy(Qt::NoFocus);  // speed buttons never take the keyboard
  return button;
}

QFrame* NewBevel(QWidget* parent, const char* name, QRect geometry) {
  auto* bevel = NewComponent<QFrame>(parent, name, geometry);
  bevel->setFrameShape(QFrame::Box);
  bevel->setFrameShadow(QFrame::Sunken);
  bevel->lower();
  return bevel;
}

std::vector<std::string> EntriesOf(const QComboBox* combo) {
  std::vector<std::string> entries;
  entries.reserve(static_cast<std::size_t>(combo->count()));
  for (int i = 0; i < combo->count(); ++i) {
    entries.push_back(EntryBytes(combo->itemText(i)));
  }
  return entries;
}

void ShowEntries(QComboBox* combo, const std::vector<std::string>& entries) {
  QStringList items;
  items.reserve(static_cast<qsizetype>(entries.size()));
  for (const std::string& entry : entries) items << Shown(entry);
  combo->addItems(items);
}

}  // namespace

TFmrep::TFmrep(TFmmein& mainWindow) : QDialog(nullptr), main_(mainWindow) {
  Fmrep = this;
  Compose();
  Wire();
  Guarded(&main_, [this] { FormCreate(); });
}

TFmrep::~TFmrep() {
  Guarded(nullptr, [this] { FormDestroy(); });
  if (Fmrep == this) Fmrep = nullptr;
}

void TFmrep::Compose() {
  setObjectName(QStringLiteral("Fmrep"));
  setWindowTitle(QStringLiteral("Fmrep"));
  QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
  font.setPixelSize(12);
  setFont(font);
  setFixedSize(kClientWidth, kClientHeight);
  move(283, 78);

  title = NewLabel(this, "title", QString(), QRect(16, 8, 328, 22));
  QFont heading = font;
  heading.setPixelSize(16);
  title->setFont(heading);
  Bevel1 = NewBevel(this, "Bevel1", QRect(8, 34, 344, 150));
  const QRect rows[] = {QRect(16, 58, 200, 22), QRect(16, 106, 200, 22), QRect(16, 154, 200, 22)};
  l1 = NewLabel(this, "l1", QString(), QRect(16, 40, 200, 16));
  l2 = NewLabel(this, "l2", QString(), QRect(16, 88, 200, 16));
  l3 = NewLabel(this, "l3", QString(), QRect(16, 136, 200, 16));
  e1 = NewCombo(this, "e1", rows[0]);
  e2 = NewCombo(this, "e2", rows[1]);
  e3 = NewCombo(this, "e3", rows[2]);
  const char* const clearNames[] = {"sb1", "sb2", "sb3"};
  const char* const historyNames[] = {"clr1", "clr2", "clr3"};
  QToolButton* clears[3];
  QToolButton* histories[3];
  for (int i = 0; i < 3; ++i) {
    clears[i] = NewSpeedButton(this, clearNames[i], QStringLiteral("文字消去"), i + 1,
                               QRect(220, rows[i].y(), 62, 22));
    histories[i] = NewSpeedButton(this, historyNames[i], QStringLiteral("履歴消去"), i + 1,
                                  QRect(284, rows[i].y(), 62, 22));
  }
  sb1 = clears[0], sb2 = clears[1], sb3 = clears[2];
  clr1 = histories[0], clr2 = histories[1], clr3 = histories[2];

  Bevel2 = NewBevel(this, "Bevel2", QRect(8, 190, 344, 84));
  l4 = NewLabel(this, "l4", QStringLiteral("メモクリップ"), QRect(16, 196, 100, 16));
  cp4 = NewSpeedButton(this, "cp4", QStringLiteral("Clipboard->"), 4, QRect(120, 194, 90, 20));
  Combo1 = NewCombo(this, "Combo1", QRect(16, 216, 328, 22));
  sb5 = NewSpeedButton(this, "sb5", QStringLiteral("Memo All Clear"), 5, QRect(16, 244, 110, 22));
  QPalette red = sb5->palette();
  red.setColor(QPalette::ButtonText, Qt::red);
  sb5->setPalette(red);
  sb4 = NewSpeedButton(this, "sb4", QStringLiteral("One Item Clear"), 4, QRect(234, 244, 110, 22));

  cb1 = NewComponent<QCheckBox>(this, "cb1", QRect(16, 282, 160, 20),
                                QStringLiteral("空白行は削除"));
  CB3 = NewComponent<QCheckBox>(this, "CB3", QRect(184, 282, 170, 20),
                                QStringLiteral("大文字小文字を区別"));
  cb2 = NewComponent<QCheckBox>(this, "cb2", QRect(16, 306, 300, 20),
                                QStringLiteral("対象文字は変換しないで残す"));

  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                            QStringLiteral("実行"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(96, 362, 80, 30);
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                            QStringLiteral("キャンセル"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setGeometry(184, 362, 96, 30);
  Preview = NewLabel(this, "Preview", QString(), QRect(16, 334, 336, 18));

  // The execute button has the keyboard first.
  QWidget* const order[] = {BitBtn1, BitBtn2, cb1, cb2, Combo1, e1, e2, e3, CB3};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  BitBtn1->setFocus();
}

void TFmrep::Wire() {
  const auto wire = [this](QAbstractButton* button, void (TFmrep::*handler)(QObject*)) {
    connect(button, &QAbstractButton::clicked, this,
            [this, button, handler] { Guarded(this, [&] { (this->*handler)(button); }); });
  };
  wire(BitBtn1, &TFmrep::BitBtn1Click);
  wire(BitBtn2, &TFmrep::BitBtn2Click);
  for (QToolButton* button : {sb1, sb2, sb3, sb4, sb5}) wire(button, &TFmrep::sb1Click);
  for (QToolButton* button : {clr1, clr2, clr3}) wire(button, &TFmrep::clr1Click);
  wire(cp4, &TFmrep::cp1Click);
  Combo1->lineEdit()->installEventFilter(this);
  previewWork_ = new TSliceWork(*main_.Btext, this);
  for (QComboBox* field : {e1, e2, e3}) {
    connect(field, &QComboBox::editTextChanged, this, [this] { Guarded(this, [this] { UpdatePreview(); }); });
  }
  for (QCheckBox* option : {cb1, CB3, cb2}) {
    connect(option, &QCheckBox::toggled, this, [this] { Guarded(this, [this] { UpdatePreview(); }); });
  }
  connect(main_.Btext, &TEditorControl::Changed, this, [this] {
    if (isVisible()) Guarded(this, [this] { UpdatePreview(); });
  });
}

void TFmrep::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Guarded(this, [this] { UpdatePreview(); });
}

void TFmrep::hideEvent(QHideEvent* event) {
  previewWork_->Stop();
  previewer_.reset();
  // The find bar's marks come back, or none.
  Guarded(this, [this] { main_.RestoreFindMarks(); });
  QDialog::hideEvent(event);
}

void TFmrep::UpdatePreview() {
  previewWork_->Stop();
  previewer_.reset();
  Preview->clear();
  if (!ReplaceRules::IsKind(RepKind) || !main_.HasDocument) return;
  // Characters the document lacks get codes of a copy of its table: they find nothing.
  TForeignChars scratch = main_.Foreign;
  ReplaceRules::TFields fields;
  try {
    fields = FieldsWith(&scratch);
  } catch (const std::exception&) {
    Preview->setText(QStringLiteral("該当: -"));
    return;
  }
  const ReplaceRules::TOptions options = Options();
  previewer_ = std::make_unique<ReplaceRules::TPreviewer>(RepKind, fields, options);
  main_.Btext->SetSearchMarks(previewer_->Marks(), RepKind == 50 || options.MatchCase);
  Preview->setText(QStringLiteral("該当: 数えています…"));
  const auto [from, to] = main_.SearchedBytes();
  const bool deletesLines = RepKind == 150 || RepKind == 160;
  previewWork_->Start(
      from, to,
      [this](std::string_view lines) { previewer_->AddLines(lines); },
      [this, deletesLines] {
        const ReplaceRules::TPreview& p = previewer_->Result();
        const QLocale japanese(QLocale::Japanese);
        QString text = QStringLiteral("該当: %1 行 / %2 箇所")
                           .arg(japanese.toString(static_cast<qlonglong>(p.Lines)),
                                japanese.toString(static_cast<qlonglong>(p.Places)));
        if (deletesLines || p.Dropped > 0) {
          text += QStringLiteral("（残り %1 行）")
                      .arg(japanese.toString(static_cast<qlonglong>(main_.Btext->LineCount() - p.Dropped)));
        }
        Preview->setText(text);
      });
}

void TFmrep::FinishPreview() { previewWork_->Finish(); }

QComboBox* TFmrep::Field(int Tag) const {
  switch (Tag) {
    case 1: return e1;
    case 2: return e2;
    case 3: return e3;
    default: return nullptr;
  }
}

History::TSlots& TFmrep::Slots(int Tag) {
  return Tag == 1 ? History1 : Tag == 2 ? History2 : History3;
}

QString TFmrep::HistoryPath(int Field) const {
  return DataFolder() + QStringLiteral("e%1.tmp").arg(Field);
}

void TFmrep::FormCreate() {
  RepKind = 0;
  for (QComboBox* combo : {e1, e2, e3, Combo1}) combo->clearEditText();
  EditIndex = -100;
  ShowEntries(Combo1, History::ReadEntries(NativePath(MemoClipPath)));
  Combo1->setCurrentIndex(-1);
  for (int tag = 1; tag <= 3; ++tag) {
    // A history keeps six entries; a longer file (made by hand) is read no further, and it is
    // left as it is unless the history changes.
    std::vector<std::string> entries =
        History::ReadEntries(NativePath(HistoryPath(tag)), History::kSlots + 1);
    longFile_[static_cast<std::size_t>(tag - 1)] = entries.size() > History::kSlots;
    entries.resize(std::min<std::size_t>(entries.size(), History::kSlots));
    ShowEntries(Field(tag), entries);
    Field(tag)->setCurrentIndex(-1);
    Slots(tag) = History::SlotsFrom(entries);
  }
}

void TFmrep::FormDestroy() {
  if (filesWritten_) return;
  const QStringList failures = WriteFiles();
  if (!failures.isEmpty()) throw EKorvaneError(failures.join(QStringLiteral("\n\n")).toStdString());
}

QStringList TFmrep::WriteFiles() {
  filesWritten_ = true;
  QStringList failures;
  // Each file on its own: a failure with one never keeps the others from being written.
  const auto write = [&](const QString& path, const QComboBox* combo) {
    try {
      History::WriteEntries(NativePath(path), EntriesOf(combo));
    } catch (const EFCreateError& e) {
      failures << FailureMessage(e);  // names the file already
    } catch (const std::exception& e) {
      failures << QStringLiteral("ﾌｧｲﾙ %1 に書き込めません\n%2").arg(path, FailureMessage(e));
    }
  };
  write(MemoClipPath, Combo1);
  for (int tag = 1; tag <= 3; ++tag) {
    // An emptied list leaves its file as it is: absent after its history was cleared.
    if (Field(tag)->count() > 0 && !longFile_[static_cast<std::size_t>(tag - 1)]) {
      write(HistoryPath(tag), Field(tag));
    }
  }
  return failures;
}

ReplaceRules::TFields TFmrep::Fields() const {
  // Characters CP932 lacks take the document's codes, so that they match what the document holds.
  return FieldsWith(&main_.Foreign);
}

ReplaceRules::TFields TFmrep::FieldsWith(TForeignChars* foreign) const {
  return {QtText::EncodeFromEditor(e1->currentText(), foreign),
          QtText::EncodeFromEditor(e2->currentText(), foreign),
          QtText::EncodeFromEditor(e3->currentText(), foreign)};
}

std::string TFmrep::RecipeLine() const {
  const Commands::TInfo* info = nullptr;
  for (const Commands::TInfo& entry : Commands::Table()) {
    if (entry.Action == Commands::TAction::ReplaceKind && entry.Code == RepKind) info = &entry;
  }
  if (info == nullptr) return {};
  // The fields each kind takes, in the order its command line names them.
  const QString s1 = e1->currentText(), s2 = e2->currentText(), s3 = e3->currentText();
  QStringList words;
  switch (RepKind) {
    case 12: case 13: words = {s1, s3}; break;
    case 22: case 23: words = {s1}; break;
    case 24: case 50: words = {s1, s2}; break;
    default: words = {s1, s2, s3}; break;  // 11, 14, 21, 150, 160
  }
  std::string line(info->Name);
  const ReplaceRules::TOptions o = Options();
  if (o.DropEmptyLines && (info->Options & Commands::kDropEmpty)) line += " --drop-empty";
  if (o.MatchCase && (info->Options & Commands::kMatchCase)) line += " --match-case";
  if (o.KeepMarkers && (info->Options & Commands::kKeepMarkers)) line += " --keep-marks";
  for (const QString& word : words) line += " " + Recipe::Quoted(word.toStdString());
  return line;
}

ReplaceRules::TOptions TFmrep::Options() const {
  return {.DropEmptyLines = cb1->isChecked(),
          .MatchCase = CB3->isChecked(),
          .KeepMarkers = cb2->isChecked()};
}

void TFmrep::BitBtn1Click(QObject*) {
  // Read first: a character Shift-JIS cannot hold stops here, before anything runs, and the
  // dialog stays open to mend it.
  const ReplaceRules::TFields fields = Fields();
  if (!ReplaceRules::IsKind(RepKind)) return;
  {
    TBusyCursor busy(main_);
    main_.ConvertRange(ReplaceRules::KindRule(RepKind, fields, Options()),
                       {.Recipe = RecipeLine(),
                        .Keep = ReplaceRules::KindFilter(RepKind, fields, Options())});
  }
  cb1->setChecked(false);
  cb2->setChecked(false);
  SaveHistory();
  accept();
}

void TFmrep::BitBtn2Click(QObject*) {
  cb1->setChecked(false);
  cb2->setChecked(false);
  reject();
}

void TFmrep::sb1Click(QObject* Sender) {
  const int tag = Sender->property("Tag").toInt();
  if (Sender == sb4 && Combo1->currentIndex() >= 0) Combo1->removeItem(Combo1->currentIndex());
  if (Sender == sb5) Combo1->clear();
  if (Sender == sb4 || Sender == sb5) {
    Combo1->setCurrentIndex(-1);
    Combo1->clearEditText();
    return;
  }
  if (QComboBox* field = Field(tag)) field->clearEditText();
}

void TFmrep::cp1Click(QObject*) {
  const QString text = Platform().ClipboardText();
  Combo1->addItem(text);
  Combo1->setEditText(text);
}

void TFmrep::clr1Click(QObject* Sender) {
  const int tag = Sender->property("Tag").toInt();
  QComboBox* field = Field(tag);
  if (field == nullptr) return;
  const QString text = field->currentText();
  field->clear();
  field->setEditText(text);  // the field's text stays
  QFile::remove(HistoryPath(tag));
  longFile_[static_cast<std::size_t>(tag - 1)] = false;
}

void TFmrep::Combo1KeyPress(int Key) {
  if (EditIndex == -100) EditIndex = Combo1->currentIndex();
  if (Key != Qt::Key_Return && Key != Qt::Key_Enter) return;
  const QString text = Combo1->currentText();
  // An entry deleted since typing began can no longer be replaced; the text is then added.
  if (EditIndex >= 0 && EditIndex < Combo1->count()) {
    Combo1->removeItem(EditIndex);
    Combo1->insertItem(EditIndex, text);
    Combo1->setCurrentIndex(EditIndex);
  } else {
    Combo1->addItem(text);
    Combo1->setCurrentIndex(Combo1->count() - 1);
  }
  EditIndex = -100;
}

bool TFmrep::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Combo1->lineEdit() && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter || !key->text().isEmpty()) {
      Guarded(this, [&] { Combo1KeyPress(enter ? key->key() : 0); });
      if (enter) return true;  // Enter edits the memo; it does not press the execute button
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TFmrep::SaveHistory() {
  longFile_.fill(false);
  for (int tag = 1; tag <= 3; ++tag) {
    QComboBox* field = Field(tag);
    History::TSlots& history = Slots(tag);
    History::AddHistory(EntryBytes(field->currentText()), history);
    const QString text = field->currentText();
    field->clear();
    for (const std::string& slot : history) field->addItem(Shown(slot));
    field->setCurrentIndex(-1);
    field->setEditText(text);
  }
}
