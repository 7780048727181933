// Small makers for the forms' components.
#include "app/Widgets.h"

#include <QLabel>

QLabel* NewLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
  return NewComponent<QLabel>(parent, name, geometry, caption);
}
