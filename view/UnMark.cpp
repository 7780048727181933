// The marks dialog.
#include "view/UnMark.h"

#include <QAction>
#include <QButtonGroup>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

#include "app/FailureReport.h"
#include "app/Unmein.h"
#include "app/Widgets.h"

TFmMark* FmMark = nullptr;

namespace {

const QString kNotSet = QStringLiteral("未登録");

QPushButton* NewButton(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
  auto* button = NewComponent<QPushButton>(parent, name, geometry, caption);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
  for (int i = 0; i < items.size(); ++i) {
    auto* item = new QRadioButton(items[i], this);
    item->setGeometry(10, 20 + 22 * i, 90, 20);
    group_->addButton(item, i);
  }
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
  if (QAbstractButton* item = group_->button(index)) {
    item->setChecked(true);
  } else if (QAbstractButton* checked = group_->checkedButton()) {
    group_->setExclusive(false);  // an exclusive group cannot uncheck its last button
    checked->setChecked(false);
    group_->setExclusive(true);
  }
}

QRadioButton* TRadioGroup::Item(int index) const {
  return qobject_cast<QRadioButton*>(group_->button(index));
}

int TRadioGroup::Count() const { return static_cast<int>(group_->buttons().size()); }

TFmMark::TFmMark(TFmmein& mainWindow) : QDialog(nullptr), main_(mainWindow) {
  FmMark = this;
  Compose();
}

TFmMark::~TFmMark() {
  if (FmMark == this) FmMark = nullptr;
}

void TFmMark::Compose() {
  setObjectName(QStringLiteral("FmMark"));
  setWindowTitle(QStringLiteral("マーク処理"));
  QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
  font.setPixelSize(12);
  setFont(font);
  setFixedSize(271, 151);

  MK1 = new TRadioGroup(QStringLiteral("マーク選択"),
                        {QStringLiteral("マーク１"), QStringLiteral("マーク２"),
                         QStringLiteral("マーク３"), QStringLiteral("マーク４"),
                         QStringLiteral("マーク５")},
                        this);
  MK1->setObjectName(QStringLiteral("MK1"));
  MK1->setGeometry(6, 4, 104, 140);
  MK1->SetItemIndex(0);
  Label6 = new QLabel(QStringLiteral("マーク行"), this);
  Label6->setObjectName(QStringLiteral("Label6"));
  Label6->setGeometry(116, 8, 56, 16);
  QLabel** const labels[] = {&Label1, &Label2, &Label3, &Label4, &Label5};
  for (int i = 0; i < 5; ++i) {
    auto* label = new QLabel(kNotSet, this);
    label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    label->setGeometry(116, 26 + 22 * i, 56, 16);  // beside radio item i
    label->installEventFilter(this);
    *labels[i] = label;
  }
  Button1 = NewButton(this, "Button1", QStringLiteral("Mark行ジャンプ"), QRect(178, 8, 88, 28));
  Button2 = NewButton(this, "Button2", QStringLiteral("選択Mark削除"), QRect(178, 42, 88, 28));
  Button4 = NewButton(this, "Button4", QStringLiteral("全Mark削除"), QRect(178, 76, 88, 28));
  Button3 = NewButton(this, "Button3", QStringLiteral("閉じる"), QRect(178, 114, 88, 28));

  const auto wire = [this](QPushButton* button, void (TFmMark::*handler)()) {
    connect(button, &QPushButton::clicked, this,
            [this, handler] { Guarded(this, [&] { (this->*handler)(); }); });
  };
  wire(Button1, &TFmMark::Button1Click);
  wire(Button2, &TFmMark::Button2Click);
  wire(Button3, &TFmMark::Button3Click);
  wire(Button4, &TFmMark::Button4Click);
}

std::array<QLabel*, 5> TFmMark::LineLabels() const {
  return {Label1, Label2, Label3, Label4, Label5};
}

void TFmMark::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormActivate();
}

// The slots hold 0-based line indexes; they show the line numbers that the caret display and
// the range fields show, counted from 1.
void TFmMark::FormActivate() {
  for (std::size_t i = 0; i < MarkCaptions.size(); ++i) {
    const std::int32_t line = main_.MarkLines[i];
    MarkCaptions[i] = line == -1 ? kNotSet : QString::number(line + 1);
  }
  CapStr();
}

void TFmMark::CapStr() {
  const std::array<QLabel*, 5> labels = LineLabels();
  for (std::size_t i = 0; i < labels.size(); ++i) labels[i]->setText(MarkCaptions[i]);
}

void TFmMark::LabelClick(int Slot) { MK1->SetItemIndex(Slot); }

void TFmMark::Button1Click() {
  MarkChoice = MK1->ItemIndex();
  accept();
}

void TFmMark::Button2Click() {
  const int slot = MK1->ItemIndex();
  if (slot < 0 || slot >= static_cast<int>(main_.MarkLines.size())) return;
  main_.MarkLines[static_cast<std::size_t>(slot)] = -1;
  MarkCaptions[static_cast<std::size_t>(slot)] = kNotSet;
  CapStr();
  const bool anyLeft = std::any_of(main_.MarkLines.begin(), main_.MarkLines.end(),
                                   [](std::int32_t line) { return line != -1; });
  if (!anyLeft) {
    EnableMarkCommands(false);
    main_.LastMarkSlot = 0;
  }
}

void TFmMark::Button3Click() {
  MarkChoice = -1;
  reject();
}

void TFmMark::Button4Click() {
  MarkChoice = -20;
  MK1->SetItemIndex(0);
  EnableMarkCommands(false);
  main_.LastMarkSlot = 0;
  accept();
}

void TFmMark::EnableMarkCommands(bool on) {
  main_.Mark->setEnabled(on);
  main_.JumpMark1->setEnabled(on);
}

bool TFmMark::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    const std::array<QLabel*, 5> labels = LineLabels();
    const auto at = std::find(labels.begin(), labels.end(), watched);
    if (at != labels.end()) LabelClick(static_cast<int>(at - labels.begin()));
  }
  return QDialog::eventFilter(watched, event);
}
