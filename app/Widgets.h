// Small makers for the forms' components: each gets its designer name as its object name.
#pragma once

#include <QRect>
#include <QString>

class QLabel;
class QWidget;

[[nodiscard]] QLabel* NewLabel(QWidget* parent, const char* name, const QString& caption,
                               QRect geometry);
