// The program's windows.
#include "app/Forms.h"

#include "app/Unmein.h"
#include "replace/Unrep.h"

TForms::TForms(const QStringList& commandLine)
    : main_(std::make_unique<TFmmein>(commandLine)), rep_(std::make_unique<TFmrep>(*main_)) {}

// The replace dialog writes its history and memo files as it goes.
TForms::~TForms() {
  rep_.reset();
  main_.reset();
}
