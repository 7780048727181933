// The version dialog.
#include "view/Unvar.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "app/Globals.h"
#include "app/ToolImages.h"
#include "app/Widgets.h"

TFmvar* Fmvar = nullptr;

namespace {

QLabel* NewLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry,
                 const QColor& colour, int pixels = 12, bool bold = false, bool italic = false) {
  QLabel* label = ::NewLabel(parent, name, caption, geometry);
  QFont font(QStringLiteral("ＭＳ ゴシック"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  font.setItalic(italic);
  label->setFont(font);
  QPalette colours = label->palette();
  colours.setColor(QPalette::WindowText, colour);
  label->setPalette(colours);
  return label;
}

QFrame* NewLine(QWidget* parent, const char* name, int y) {
  auto* line = NewComponent<QFrame>(parent, name, QRect(12, y, 286, 4));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace

TFmvar::TFmvar(QWidget* parent) : QDialog(parent) {
  Fmvar = this;
  setObjectName(QStringLiteral("Fmvar"));
  setWindowTitle(QStringLiteral("バージョン情報"));
  setFixedSize(310, 221);
  Label1 = NewLabel(this, "Label1", QStringLiteral("テキスト文書結合・変換ソフト"),
                    QRect(16, 10, 280, 20), QColor(0, 0, 128), 15, true, true);
  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(24, 38, 41, 41);
  Image1->setPixmap(ProgramPicture(41));
  Label2 = NewLabel(this, "Label2", QStringLiteral("Ｋｏｒｖａｎｅ"), QRect(80, 46, 210, 26),
                    QColor(128, 0, 0), 21, true);
  Label3 = NewLabel(this, "Label3", QStringLiteral("バージョン"), QRect(80, 86, 80, 20),
                    QColor(0, 0, 255), 12, true);
  Label4 = NewLabel(this, "Label4", QString(), QRect(164, 84, 120, 22), QColor(0, 0, 255), 16,
                    true);
  Label7 = NewLabel(this, "Label7", QString(), QRect(80, 110, 210, 18), QColor(128, 128, 0));
  Bevel1 = NewLine(this, "Bevel1", 134);
  Label5 = NewLabel(this, "Label5", QStringLiteral("制作 : Korvane プロジェクト"),
                    QRect(16, 142, 280, 18), QColor(0, 0, 0));
  Label6 = NewLabel(this, "Label6", QStringLiteral("テキスト文書の結合と変換のためのフリーソフト"),
                    QRect(16, 160, 280, 18), QColor(0, 0, 0));
  Bevel2 = NewLine(this, "Bevel2", 182);
  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(118, 190, 75, 25);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  FormCreate();
}

TFmvar::~TFmvar() {
  if (Fmvar == this) Fmvar = nullptr;
}

void TFmvar::FormCreate() {
  Label4->setText(VersionText);
  Label7->setText(UpdateDateText);
}
