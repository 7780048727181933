// One main window for one test.
#include "tests/support/WindowFixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include "document/editor/EditorControl.h"
#include "document/editor/QtText.h"

TWindowFixture::TWindowFixture(const QStringList& commandLine) {
  QDir().mkpath(Home());
  qputenv("KORVANE_HOME", Home().toUtf8());
  auto platform = std::make_unique<TScriptedPlatform>();
  platform_ = platform.get();
  previous_ = SetPlatform(std::move(platform));
  forms_ = std::make_unique<TForms>(commandLine);
}

void TWindowFixture::Restart(const QStringList& commandLine) {
  Stop();
  Start(commandLine);
}

void TWindowFixture::Stop() { forms_.reset(); }

void TWindowFixture::Start(const QStringList& commandLine) {
  forms_ = std::make_unique<TForms>(commandLine);
}

TWindowFixture::~TWindowFixture() {
  forms_.reset();
  SetPlatform(std::move(previous_));
}

QString TWindowFixture::FilePath(const QString& name) const { return dir_.filePath(name); }

QString TWindowFixture::Write(const QString& name, const QByteArray& bytes) const {
  const QString path = FilePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
    QTest::qFail(qPrintable(QStringLiteral("cannot write ") + path), __FILE__, __LINE__);
  }
  return path;
}

QByteArray TWindowFixture::Read(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray("<unreadable>");
  return file.readAll();
}

QAction* TWindowFixture::Action(const char* name) {
  auto* action = forms_->Main().findChild<QAction*>(QString::fromLatin1(name));
  if (action == nullptr) QTest::qFail(name, __FILE__, __LINE__);
  return action;
}

void TWindowFixture::Trigger(const char* name) {
  QAction* action = Action(name);
  if (action != nullptr) action->trigger();
}

void TWindowFixture::ChooseFile(const QString& path, int filterIndex, int choice) {
  platform_->FileChoices.push_back(TFileDialogAnswer{path, filterIndex, choice});
}

void TWindowFixture::CancelDialog() { platform_->FileChoices.push_back(std::nullopt); }

void TWindowFixture::Open(const QString& path) {
  ChooseFile(path);
  Trigger("Fopen");
}

QByteArray TWindowFixture::Text() {
  const std::string text = forms_->Main().Btext->Text();
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

void TWindowFixture::CaretToLine(int line) {
  forms_->Main().Btext->SetSelStart(forms_->Main().Btext->LineIndex(line));
}

QColor TWindowFixture::FieldColor(const QLineEdit* field) {
  return field->palette().color(QPalette::Base);
}

QByteArray Sjis(const QString& text) {
  const std::string bytes = QtText::ToCp932Lossy(text);
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString ReadFailure(const QString& path, const QString& reason) {
  return QStringLiteral("ﾌｧｲﾙ %1 を読み込めません\n%2").arg(path, reason);
}

bool DragAndDrop(QWidget* widget, const QMimeData& data, QPoint at) {
  const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
  QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &enter);
  if (!enter.isAccepted()) return false;
  QDragMoveEvent move(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &move);
  if (!move.isAccepted()) return false;
  QDropEvent drop(QPointF(at), offered, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &drop);
  QCoreApplication::processEvents();
  return drop.isAccepted();
}

std::unique_ptr<QMimeData> FileDrag(const QStringList& paths) {
  auto data = std::make_unique<QMimeData>();
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data->setUrls(urls);
  return data;
}
