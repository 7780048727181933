// Crash recovery in the window: a run that ends abnormally leaves its document offered at the
// next start; a normal end, Save and the answers leave nothing behind; and the real program
// killed at random moments while it runs commands and takes typing on a 20 MB document.
#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProcess>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <set>
#include <string>

#include "app/Forms.h"
#include "app/Globals.h"
#include "app/StatusBar.h"
#include "document/Recovery.h"
#include "document/SaveRecord.h"
#include "document/editor/EditorControl.h"
#include "replace/ReplaceRules.h"
#include "tests/support/ScriptedPlatform.h"
#include "tests/support/WindowFixture.h"

namespace {

std::uint64_t Sum(std::string_view text) {
  FileIO::TChecksum sum;
  sum.Add(text);
  return sum.Value();
}

std::vector<Recovery::TFound> Records(const QString& home) {
  return Recovery::FindRecords((home + QStringLiteral("/recovery")).toStdString());
}

// The child: the program on a document, running commands and taking typing until it is
// killed; it logs the text's checksum after each command ("c", and "C" once its snapshot is
// on disk), and before each key is typed the checksum of the text it will give ("T").
int RunChild(char** argv) {
  qputenv("KORVANE_HOME", argv[2]);
  QApplication application(*new int(1), argv);
  SetPlatform(std::make_unique<TScriptedPlatform>());
  TForms forms({QString::fromLocal8Bit(argv[3])});
  TFmmein& fm = forms.Main();
  fm.show();
  const int log = ::open(argv[4], O_WRONLY | O_CREAT | O_APPEND, 0600);
  std::mt19937 random(static_cast<unsigned>(std::stoul(argv[5])));
  const ConversionRoad::LineRule rules[] = {
      ReplaceRules::KindRule(11, {"a", "", "A"}, {}), ReplaceRules::KindRule(11, {"A", "", "a"}, {}),
      ReplaceRules::KindRule(21, {"9", "", ""}, {})};
  for (;;) {
    if (random() % 4 == 0) {
      fm.ConvertRange(rules[random() % 3], {});
      // Its state is logged before its snapshot can reach the disk ("c"), and again once it
      // has ("C"); the snapshot is handed to the writer when the event loop runs (a busy
      // machine may take more than one pass).
      const std::string sum = std::to_string(Sum(fm.Btext->Text())) + "\n";
      (void)::write(log, ("c " + sum).data(), sum.size() + 2);
      do QCoreApplication::processEvents(); while (fm.snapshotPending_ || fm.snapshotting_);
      fm.RecoveryWriter->Flush();
      (void)::write(log, ("C " + sum).data(), sum.size() + 2);
    } else {
      // One key: its state is logged before it is typed, so that a state in the journal is
      // always in the log.
      const auto line = static_cast<std::int32_t>(random() % static_cast<unsigned>(fm.Btext->LineCount()));
      const std::int64_t at = fm.Btext->LineIndex(line);
      std::string after = fm.Btext->Text();
      after.insert(static_cast<std::size_t>(at), "x");
      const std::string entry = "T " + std::to_string(Sum(after)) + "\n";
      (void)::write(log, entry.data(), entry.size());
      fm.Btext->SetSelStart(at);
      QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
      QApplication::sendEvent(fm.Btext, &key);
      QCoreApplication::processEvents();
      fm.RecoveryWriter->Flush();
    }
  }
}

}  // namespace

class UnmeinRecoveryTest : public QObject {
  Q_OBJECT
 private slots:
  void offeredAfterACrashAndAnsweredAsTheUserSays();
  void normalEndAndSaveLeaveNothing();
  void killedProgramsDocumentIsRebuilt();
};

void UnmeinRecoveryTest::offeredAfterACrashAndAnsweredAsTheUserSays() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  fx.Open(fx.Write(QStringLiteral("page.html"), "<b>a</b>\r\nbb\r\n"));
  fm.Btext->SetSelStart(0);
  QTest::keyClicks(fm.Btext, QStringLiteral("x"));
  fx.Trigger("tbTagCut");
  fm.Btext->SetSelStart(fm.Btext->TextLength());
  QTest::keyClicks(fm.Btext, QStringLiteral("yz"));
  QCoreApplication::processEvents();
  const QByteArray expected = fx.Text();
  fm.AbandonRecoveryForTest();  // as if the program had been killed here
  fx.Stop();
  QCOMPARE(Records(fx.Home()).size(), std::size_t{1});

  for (const TAnswer answer : {TAnswer::Cancel, TAnswer::Yes}) {
    fx.Platform().Answers.push_back(answer);
    fx.Start();
    TFmmein& again = fx.Form();
    again.show();
    QTRY_COMPARE(fx.Platform().Questions.size(), answer == TAnswer::Cancel ? 1 : 2);
    QVERIFY(fx.Platform().Questions.last().Text.startsWith(
        QStringLiteral("前回正常に終了しなかった文書があります。復元しますか？\n\n")));
    QVERIFY(fx.Platform().Questions.last().Text.contains(QStringLiteral("page.html")));
    if (answer == TAnswer::Cancel) {
      QVERIFY(!again.HasDocument);
      fx.Stop();
      QCOMPARE(Records(fx.Home()).size(), std::size_t{1});  // asked again next time
      continue;
    }
    QCOMPARE(fx.Text(), expected);
    QVERIFY(again.Btext->Modified());
    QCOMPARE(again.Filesv.FileName, fx.FilePath(QStringLiteral("page.txt")));
    QCOMPARE(again.Bar->PanelText(0), fx.FilePath(QStringLiteral("page.html")));
  }
  // The restored document is followed by this run's record; No throws a record away.
  fx.Form().AbandonRecoveryForTest();
  fx.Stop();
  fx.Platform().Answers.push_back(TAnswer::No);
  fx.Start();
  fx.Form().show();
  QTRY_COMPARE(fx.Platform().Questions.size(), 3);
  QVERIFY(!fx.Form().HasDocument);
  QVERIFY(Records(fx.Home()).empty());
}

void UnmeinRecoveryTest::normalEndAndSaveLeaveNothing() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  fx.Open(fx.Write(QStringLiteral("doc.txt"), "a\r\n"));
  const QString recovery = fx.Home() + QStringLiteral("/recovery");
  QTest::keyClicks(fm.Btext, QStringLiteral("b"));
  QCoreApplication::processEvents();
  fm.RecoveryWriter->Flush();
  QVERIFY(!QDir(recovery).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
  fx.ChooseFile(fx.FilePath(QStringLiteral("doc.txt")));
  fx.Trigger("Fsave");
  fm.RecoveryWriter->Flush();
  QVERIFY(QDir(recovery).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
  QTest::keyClicks(fm.Btext, QStringLiteral("c"));
  QCoreApplication::processEvents();
  fm.RecoveryWriter->Flush();
  QVERIFY(!QDir(recovery).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
  fx.Platform().Answers.push_back(TAnswer::Yes);  // throw the changes away
  fx.Stop();
  QVERIFY(QDir(recovery).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

// kill -9 of the program at random moments: every record is whole, and the document it gives
// back is the state after the last command whose record was written, or a later one.
void UnmeinRecoveryTest::killedProgramsDocumentIsRebuilt() {
  QTemporaryDir dir;
  std::string text;
  for (int i = 0; text.size() < (20u << 20); ++i) {
    text += "\x93\xfa\x96\x7b\x8c\xea\x82\xcc text line " + std::to_string(i) + " aAa 999\r\n";
  }
  const QString doc = dir.filePath(QStringLiteral("big.txt"));
  {
    QFile file(doc);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
  }
  std::mt19937 random(30);
  int offered = 0, corrupt = 0, later = 0;
  constexpr int kRounds = 30;
  for (int round = 0; round < kRounds; ++round) {
    const QString home = dir.filePath(QStringLiteral("home%1").arg(round));
    const QString log = dir.filePath(QStringLiteral("log%1").arg(round));
    QDir().mkpath(home);
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), home, doc, log, QString::number(random())});
    QVERIFY(child.waitForStarted());
    // Until a command's record is on disk, then a random moment more.
    QElapsedTimer waited;
    waited.start();
    while (!QString::fromLatin1(TWindowFixture::Read(log)).contains(QLatin1Char('C')) &&
           waited.elapsed() < 60000) {
      QTest::qWait(20);
    }
    QTest::qWait(static_cast<int>(random() % 1500));
    child.kill();
    QVERIFY(child.waitForFinished());

    const QStringList lines = QString::fromLatin1(TWindowFixture::Read(log)).split('\n', Qt::SkipEmptyParts);
    qsizetype lastCommand = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
      if (lines[i].startsWith('C')) lastCommand = i;
    }
    QVERIFY(lastCommand >= 0);
    std::set<std::uint64_t> allowed;
    for (qsizetype i = lastCommand; i < lines.size(); ++i) allowed.insert(lines[i].mid(2).toULongLong());
    const std::vector<Recovery::TFound> found = Records(home);
    QVERIFY2(found.size() == 1,
             qPrintable(QStringLiteral("round %1: %2 records; %3 in the folder; log %4")
                            .arg(round).arg(found.size())
                            .arg(QDir(home + QStringLiteral("/recovery")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(','))
                            .arg(lines.join('|').left(300))));
    offered += 1;
    if (!found[0].Problem.empty()) {
      ++corrupt;
      continue;
    }
    const std::uint64_t restored = Sum(found[0].Text);
    QVERIFY2(allowed.count(restored) == 1,
             qPrintable(QStringLiteral("round %1: %2 edits").arg(round).arg(found[0].Edits)));
    later += restored != lines[lastCommand].mid(2).toULongLong();
  }
  qInfo("killed %d times: %d offered, %d corrupt, %d restored past the last command",
        kRounds, offered, corrupt, later);
  QCOMPARE(corrupt, 0);
}

int main(int argc, char** argv) {
  if (argc >= 6 && std::string(argv[1]) == "--child") return RunChild(argv);
  QApplication application(argc, argv);
  UnmeinRecoveryTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "UnmeinRecovery_test.moc"
