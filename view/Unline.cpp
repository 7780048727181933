// The jump dialog: composition, the entry's acceptance, the track bar, and the integer
// conversion that the dialog and the main window share.
#include "view/Unline.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <cstdint>

#include "app/FailureReport.h"
#include "app/Widgets.h"
#include "document/Failures.h"

TFmline* Fmline = nullptr;

namespace {

// What a window manager's title bar takes for its icon and buttons, about.
constexpr int kTitleButtonsWidth = 110;

[[noreturn]] void NotAnInteger(const QString& text) {
  throw EKorvaneError(QStringLiteral("'%1' は整数ではありません").arg(text).toStdString());
}

int HexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

// The text without the blank bytes' characters (0x00–0x20) around it.
QString TrimBlanks(const QString& text) {
  qsizetype from = 0;
  qsizetype to = text.size();
  while (from < to && text[from].unicode() <= 0x20) ++from;
  while (to > from && text[to - 1].unicode() <= 0x20) --to;
  return text.mid(from, to - from);
}

}  // namespace

std::int32_t StrToInt(const QString& Text) {
  const qsizetype n = Text.size();
  qsizetype i = 0;
  while (i < n && Text[i].unicode() <= 0x20) ++i;
  bool negative = false;
  if (i < n && (Text[i] == u'+' || Text[i] == u'-')) negative = Text[i++] == u'-';
  std::uint64_t value = 0;
  const qsizetype digitsFrom = i + ((i < n && Text[i] == u'$') ? 1 : 0);
  if (digitsFrom > i) {
    for (i = digitsFrom; i < n && HexDigit(Text[i]) >= 0; ++i) {
      value = value * 16 + static_cast<std::uint64_t>(HexDigit(Text[i]));
      if (value > 0xFFFFFFFFu) NotAnInteger(Text);
    }
  } else {
    for (; i < n && Text[i] >= u'0' && Text[i] <= u'9'; ++i) {
      value = value * 10 + (Text[i].unicode() - u'0');
      if (value > 0x80000000u) NotAnInteger(Text);
    }
    if (!negative && value > 0x7FFFFFFFu) NotAnInteger(Text);
  }
  if (i == digitsFrom || i != n) NotAnInteger(Text);
  // Hexadecimal gives the 32 bits as they stand; the sign then negates them.
  const auto bits = static_cast<std::uint32_t>(value);
  return static_cast<std::int32_t>(negative ? 0u - bits : bits);
}

TTrackBar::TTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void TTrackBar::SetParams(int Position, int Min, int Max) {
  if (Max < Min) {
    throw EKorvaneError(QStringLiteral("ﾌﾟﾛﾊﾟﾃｨ %1 の範囲を超えています")
                            .arg(QString::fromLatin1(metaObject()->className()))
                            .toStdString());
  }
  const QSignalBlocker quiet(this);  // only the user's moves are changes
  setRange(Min, Max);
  setValue(Position);
}

TFmline::TFmline(QWidget* parent) : QDialog(parent) {
  Fmline = this;
  Compose();
  FormCreate();
}

TFmline::~TFmline() {
  if (Fmline == this) Fmline = nullptr;
}

void TFmline::Compose() {
  setObjectName(QStringLiteral("Fmline"));
  setWindowTitle(QStringLiteral("ジャンプ先の指定"));
  setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
  QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
  font.setPixelSize(12);
  setFont(font);
  // Wide enough for the window manager to show the whole title beside its buttons.
  QFont titleFont = QApplication::font();
  titleFont.setBold(true);
  const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(windowTitle()) * 5 / 4;
  const int width = std::max(191, titleWidth + kTitleButtonsWidth);
  setFixedSize(width, 103);

  Label1 = NewLabel(this, "Label1", QStringLiteral("最　終　行"), QRect(8, 10, 60, 16));
  e1 = NewComponent<QLineEdit>(this, "e1", QRect(70, 6, 60, 21));
  e1->setReadOnly(true);
  e1->setFocusPolicy(Qt::NoFocus);
  QPalette grey = e1->palette();
  grey.setColor(QPalette::Base, QColor(128, 128, 128));
  grey.setColor(QPalette::Text, Qt::white);
  e1->setPalette(grey);
  Label2 = NewLabel(this, "Label2", QStringLiteral("指　定　行"), QRect(8, 37, 60, 16));
  e2 = NewComponent<QLineEdit>(this, "e2", QRect(70, 33, 60, 21));
  e2->setAttribute(Qt::WA_InputMethodEnabled, false);  // digits and signs only; no conversion
  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(width - 53, 6, 46, 48);
  Button1->setDefault(true);  // Enter on the bar presses OK
  TrackBar1 = new TTrackBar(this);
  TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
  TrackBar1->setGeometry(4, 60, width - 8, 36);
  TrackBar1->setTickPosition(QSlider::TicksAbove);

  connect(Button1, &QPushButton::clicked, this, [this] { Guarded(this, [this] { Button1Click(); }); });
  connect(TrackBar1, &QSlider::valueChanged, this, [this] { TrackBar1Change(); });
  e2->installEventFilter(this);
}

void TFmline::FormCreate() { e2->setText(QStringLiteral("1")); }

void TFmline::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormActivate();
}

void TFmline::FormActivate() {
  e2->setFocus();
  e2->selectAll();  // typing replaces the previous entry
}

void TFmline::TrackBar1Change() { e2->setText(QString::number(TrackBar1->value())); }

bool TFmline::e2KeyPress(int Key) {
  if (Key != Qt::Key_Return && Key != Qt::Key_Enter) return false;
  AcceptLine();  // an entry that is not a number keeps the dialog open to mend it
  accept();
  return true;
}

// The dialog closes first: an entry that is not a number is reported after it has gone.
void TFmline::Button1Click() {
  accept();
  AcceptLine();
}

// Blanks around the entry are dropped, so the request and the main window both see the sign
// as its first character.
void TFmline::AcceptLine() {
  const QString entry = TrimBlanks(e2->text());
  if (entry.startsWith(u'+') || entry.startsWith(u'-')) {
    LineRequest = entry;
    return;
  }
  const std::int32_t last = StrToInt(e1->text());
  LineRequest = StrToInt(entry) > last ? QStringLiteral("0") : entry;
}

bool TFmline::eventFilter(QObject* watched, QEvent* event) {
  if (watched == e2 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      Guarded(this, [&] { e2KeyPress(key); });
      return true;  // Enter never reaches the dialog's buttons
    }
  }
  return QDialog::eventFilter(watched, event);
}
