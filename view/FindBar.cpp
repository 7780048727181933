#include "view/FindBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace {

QToolButton* NewButton(QWidget* parent, const char* name, const QString& text, const QString& tip) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(text);
  button->setToolTip(tip);
  button->setAutoRaise(true);
  return button;
}

}  // namespace

TFindBar::TFindBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("FindBar"));
  setFixedHeight(kHeight);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 2, 4, 2);
  row->setSpacing(4);
  auto* caption = new QLabel(QStringLiteral("検索"), this);
  FindEdit = new QLineEdit(this);
  FindEdit->setObjectName(QStringLiteral("FindEdit"));
  FindEdit->setClearButtonEnabled(true);
  FindEdit->installEventFilter(this);
  FindNextButton = NewButton(this, "FindNextButton", QStringLiteral("▼"), QStringLiteral("次を検索 (F3)"));
  FindPrevButton = NewButton(this, "FindPrevButton", QStringLiteral("▲"), QStringLiteral("前を検索 (Shift+F3)"));
  FindCase = new QCheckBox(QStringLiteral("大文字小文字を区別"), this);
  FindCase->setObjectName(QStringLiteral("FindCase"));
  FindCount = new QLabel(this);
  FindCount->setObjectName(QStringLiteral("FindCount"));
  FindCount->setMinimumWidth(150);
  FindCloseButton = NewButton(this, "FindCloseButton", QStringLiteral("×"), QStringLiteral("閉じる (Esc)"));
  row->addWidget(caption);
  row->addWidget(FindEdit, 1);
  row->addWidget(FindNextButton);
  row->addWidget(FindPrevButton);
  row->addWidget(FindCase);
  row->addWidget(FindCount);
  row->addWidget(FindCloseButton);
  connect(FindNextButton, &QToolButton::clicked, this, [this] { emit NextAsked(false); });
  connect(FindPrevButton, &QToolButton::clicked, this, [this] { emit NextAsked(true); });
  connect(FindCloseButton, &QToolButton::clicked, this, [this] { emit CloseAsked(); });
}

bool TFindBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FindEdit && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      emit NextAsked(key->modifiers() & Qt::ShiftModifier);
      return true;
    }
    if (key->key() == Qt::Key_Escape) {
      emit CloseAsked();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
