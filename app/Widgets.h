// Small makers for the forms' components: each gets its designer name as its object name and
// its place on the form.
#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

#include <utility>

class QLabel;

// A component of type W made with `arguments` before its parent (as Qt's constructors take
// them: QLabel(caption, parent), QLineEdit(parent), ...).
template <class W, class... Arguments>
[[nodiscard]] W* NewComponent(QWidget* parent, const char* name, QRect geometry,
                              Arguments&&... arguments) {
  auto* component = new W(std::forward<Arguments>(arguments)..., parent);
  component->setObjectName(QString::fromLatin1(name));
  component->setGeometry(geometry);
  return component;
}

[[nodiscard]] QLabel* NewLabel(QWidget* parent, const char* name, const QString& caption,
                               QRect geometry);
