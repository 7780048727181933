// Small makers for the forms' components.
#include "app/Widgets.h"

#include <QLabel>

QLabel* NewLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  return label;
}
