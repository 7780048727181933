// Qt's own texts (file dialogs, the overwrite question, standard buttons) in Japanese, like the
// rest of the program.
#pragma once

class QCoreApplication;

// Loads Qt's Japanese translation into the application and makes Japanese the default locale.
// False when the translation files are not installed; the program then goes on with Qt's
// English texts.
bool InstallJapaneseTranslations(QCoreApplication& application);
