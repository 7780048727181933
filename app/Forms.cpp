// The program's windows.
#include "app/Forms.h"

#include <QApplication>

#include "app/Globals.h"
#include "app/ToolImages.h"
#include "app/Unmein.h"
#include "replace/Unrep.h"
#include "view/UnMark.h"
#include "view/Unline.h"
#include "view/Unvar.h"

// The program's entry: the help file is named before any window exists; then the main window,
// whose start-up prepares what the dialogs read, and the dialogs in their order.
TForms::TForms(const QStringList& commandLine) {
  HelpFile = QStringLiteral("qrc:/help/korvane.html");
  QApplication::setWindowIcon(ProgramIcon());
  main_ = std::make_unique<TFmmein>(commandLine);
  var_ = std::make_unique<TFmvar>();
  rep_ = std::make_unique<TFmrep>(*main_);
  line_ = std::make_unique<TFmline>();
  mark_ = std::make_unique<TFmMark>(*main_);
}

// The replace dialog writes its history and memo files as it goes.
TForms::~TForms() {
  mark_.reset();
  line_.reset();
  rep_.reset();
  var_.reset();
  main_.reset();
}
