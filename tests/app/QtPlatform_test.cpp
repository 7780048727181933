// The desktop side of the platform layer: Qt's file dialogs as the program sets them up, and
// Qt's own texts in Japanese.
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/QtPlatform.h"
#include "app/Translations.h"
#include "app/Unmein.h"
#include "tests/support/WindowFixture.h"

class QtPlatformTest : public QObject {
  Q_OBJECT
 private slots:
  void fileTypesShowTheirCaptionsAndFilter_data();
  void fileTypesShowTheirCaptionsAndFilter();
  void dialogOpensInTheFolderOfTheProposedName();
  void qtTextsAreJapanese();
};

void QtPlatformTest::fileTypesShowTheirCaptionsAndFilter_data() {
  QTest::addColumn<bool>("save");
  QTest::addColumn<int>("index");  // 1-based
  QTest::addColumn<QStringList>("patterns");
  QTest::newRow("open: text") << false << 1 << QStringList{"*.txt"};
  QTest::newRow("open: GetRight") << false << 2 << QStringList{"*.grx"};
  QTest::newRow("open: saved pages") << false << 3
                                      << QStringList{"*.htm", "*.html", "*.shtml"};
  QTest::newRow("open: shortcuts, in any case") << false << 4
                                                << QStringList{"*.url", "*.URL", "*.Url"};
  QTest::newRow("open: all files, also those without an extension") << false << 5
                                                                     << QStringList{"*"};
  QTest::newRow("save: URL list") << true << 2 << QStringList{"*.lst"};
  QTest::newRow("save: HTML") << true << 6 << QStringList{"*.html"};
  QTest::newRow("save: all") << true << 7 << QStringList{"*"};
}

// The combo box shows the captions exactly; the dialog filters by the real patterns, so the
// all-files entries list files without a dot too; the chosen type maps back to its index.
void QtPlatformTest::fileTypesShowTheirCaptionsAndFilter() {
  QFETCH(bool, save);
  QFETCH(int, index);
  QFETCH(QStringList, patterns);
  TWindowFixture fx;
  const TFileDialog& settings = save ? fx.Form().Filesv : fx.Form().Fileop;
  TFileDialogRequest request{settings.Title, settings.DefaultExt, settings.Filters,
                             QString(), index, settings.ConfirmOverwrite};
  QFileDialog dialog;
  const QStringList filters = ConfigureFileDialog(
      dialog, request, save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  QVERIFY(types != nullptr);
  QCOMPARE(types->count(), settings.Filters.size());
  for (int i = 0; i < types->count(); ++i) QCOMPARE(types->itemText(i), settings.Filters[i].Caption);
  QCOMPARE(types->currentIndex(), index - 1);
  auto* model = dialog.findChild<QFileSystemModel*>();
  QVERIFY(model != nullptr);
  QCOMPARE(model->nameFilters(), patterns);
  QCOMPARE(ChosenFilterIndex(dialog, request), index);
  const int other = index == 1 ? 2 : 1;
  dialog.selectNameFilter(filters[other - 1]);
  QCOMPARE(ChosenFilterIndex(dialog, request), other);
}

void QtPlatformTest::dialogOpensInTheFolderOfTheProposedName() {
  QTemporaryDir dir;
  QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("sub")));
  const QString folder = QDir(dir.filePath(QStringLiteral("sub"))).canonicalPath();
  TFileDialogRequest request{QStringLiteral("ファイルを保存"), QStringLiteral("txt"),
                             {{QStringLiteral("ﾃｷｽﾄ (*.txt)"), QStringLiteral("*.txt")}},
                             folder + QStringLiteral("/name.txt"), 1, true};
  QFileDialog dialog;
  ConfigureFileDialog(dialog, request, QFileDialog::AcceptSave);
  QCOMPARE(QDir(dialog.directory()).canonicalPath(), folder);
  auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  QVERIFY(name != nullptr);
  QCOMPARE(name->text(), QStringLiteral("name.txt"));
}

void QtPlatformTest::qtTextsAreJapanese() {
  QVERIFY(InstallJapaneseTranslations(*QCoreApplication::instance()));
  QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
  QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
  QCOMPARE(QLocale().language(), QLocale::Japanese);
  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  auto* box = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
  QVERIFY(box != nullptr);
  QCOMPARE(box->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
}

QTEST_MAIN(QtPlatformTest)
#include "QtPlatform_test.moc"
