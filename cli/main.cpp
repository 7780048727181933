// korvane-cli: loads and joins files as the window does, runs a sequence of conversion
// commands over them, and writes the result as Shift-JIS with CR LF.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Commands.h"
#include "cli/Recipe.h"
#include "cli/Stream.h"
#include "document/DocumentText.h"
#include "document/Encodings.h"
#include "document/Failures.h"
#include "document/FileIO.h"
#include "document/MemoryTuning.h"
#include "document/Readers.h"

namespace {

constexpr int kExitFailure = 1;  // anything unforeseen, such as memory running out
constexpr int kExitUsage = 2;
constexpr int kExitInputOutput = 3;

constexpr std::string_view kStandardInput = "標準入力";
// Standard input is held whole in memory: an endless stream must end in a message, not in
// memory running out. Files of any size are read by name.
constexpr std::size_t kStandardInputLimit = std::size_t{1} << 30;

constexpr std::string_view kUsage =
    "使い方: korvane-cli [オプション] ファイル...\n"
    "\n"
    "Korvane のウィンドウと同じ規則でファイルを読み込んで結合し、変換命令を順に実行して、\n"
    "結果を Shift-JIS (改行は CR LF。--to で別の文字コード) で書き出します。\n"
    "\n"
    "読み込み: 最初のファイルは「開く」、続くファイルは「合成」と同じに読み込みます。\n"
    "  .htm/.html/.shtml は HTML として (NUL 文字は空白に)、.URL はインターネットショート\n"
    "  カットとして (アドレスの行と空行に) 読みます。- は標準入力をテキストファイルとして\n"
    "  読みます (全体を読み込むときは 1 GiB まで。下の「一度に通す実行」では制限なし)。\n"
    "  NUL や 0x1A で読み込まれなかった部分があれば標準エラーに警告します。\n"
    "  文字コードはファイルごとに判定し (BOM、HTML/XML の charset 宣言、バイトの並び)、\n"
    "  Shift-JIS でないものは変換して、何から変換したかを標準エラーに警告します。判定が確かで\n"
    "  ないときは Shift-JIS として読みます。Shift-JIS にない文字 (é、絵文字など) も文書の中に\n"
    "  保たれ、UTF-8 などで書き出すと元に戻ります。\n"
    "\n"
    "オプション:\n"
    "  -e, --command 命令行    命令を一つ実行する (書き方はレシピの行と同じ)\n"
    "  -f, --recipe ファイル   レシピファイルの命令を実行する\n"
    "                         -e と -f は何度でも指定でき、指定した順に実行します\n"
    "  -o, --output ファイル   結果をファイルに書く (書き終えてから置き換え、途中で失敗したら\n"
    "                         元のファイルには触れない)。省略時と - は標準出力。前回の保存が\n"
    "                         途中で中断されていたファイルは、先に保存前の内容に戻す\n"
    "      --from 文字コード   入力の文字コード: auto (既定、ファイルごとに判定)、cp932、utf-8、\n"
    "                         utf-16le、utf-16be、euc-jp、iso-2022-jp (sjis、shift_jis なども可)。\n"
    "                         cp932 を指定するとバイトをそのまま読みます\n"
    "      --to 文字コード     出力の文字コード: cp932 (既定)、utf-8、utf-8-bom、utf-16le (BOM 付き)、\n"
    "                         euc-jp\n"
    "      --refs             出力の文字コードで表せない文字を文字参照 (&#233; など) で書く。\n"
    "                         指定しないとき、そういう文字があれば何も書かずに終了ステータス 3\n"
    "      --drop             すべてのファイルを、空のウィンドウに一度にドロップしたのと同じに\n"
    "                         読み込む (各ファイルの後ろに空行が一つ入る)\n"
    "      --use-file-name    URL読み込みモード「ファイル名を使う」: .URL はファイル名の行も加える\n"
    "  -h, --help             この説明\n"
    "      --version          版\n"
    "      --list-commands    命令の名前を一行に一つずつ (シェルの補完用)\n"
    "  --                     これより後ろはすべてファイル名\n"
    "\n";

constexpr std::string_view kUsageTail =
    "\n"
    "変換範囲: 命令はすべて変換範囲の行に働き、その後で範囲は文書全体に戻ります (ウィンドウと\n"
    "同じく、break-at-tags の後だけは範囲が残り、その終わりは行数に従います)。range は次の命令の\n"
    "範囲を、範囲欄と同じ 1 から数えた行番号で指定します。\n"
    "\n"
    "レシピ: UTF-8 のテキストで、一行に命令を一つ書きます。空行と、最初の空白でない文字が # の\n"
    "  行は読み飛ばします。語は空白かタブで区切り、\"二重引用符\" の中では空白も語の一部です\n"
    "  (\\\" と \\\\ が \" と \\ になる)。'一重引用符' の中はそのまま語になります。\"\" は空の語です。\n"
    "  例:\n"
    "    # 保存したウェブページを本文だけに\n"
    "    strip-tags-drop-blank\n"
    "    delete-lines-with 広告 PR\n"
    "    replace \"　\" \" \"\n"
    "    trim-and-drop\n"
    "  引数とレシピの文字は文書と同じ規則で変換します。Shift-JIS にない文字も使えて、\n"
    "  UTF-8 などから読んだ文書の同じ文字に一致します。\n"
    "\n"
    "一度に通す実行: 入力がファイル一つ (または標準入力) で Shift-JIS のテキストなら、命令は\n"
    "  入力を先頭から一度通すだけで実行し、読みながら書き出します (使うメモリは入力の大きさに\n"
    "  よりません。命令が二つ以上なら後半は別のスレッドで)。次のときは文書全体を読み込んで\n"
    "  から実行します (結果は同じです): ファイルが二つ以上か --drop のとき、HTML と .URL と\n"
    "  Shift-JIS 以外の文字コードのファイル、出力先が入力と同じファイル、--to の文字コードで\n"
    "  表せない文字がありうるとき (--refs なし)、range の後の break-at-tags に続けて命令が\n"
    "  あるとき、range のない delete-range と save-range。range で指定した行が文書にあると\n"
    "  わかるまでは書き出しを控えます。\n"
    "\n"
    "終了ステータス: 0 成功、2 使い方の誤り (オプション、命令、引数、範囲、レシピの行)、\n"
    "  3 入出力の失敗 (読めないファイル、書けない出力)、1 そのほかの失敗。\n";

// A failure of the process's own input or output that no file name describes.
class EStreamError : public EKorvaneError {
 public:
  using EKorvaneError::EKorvaneError;
};

class EBadFlag : public Recipe::EUsageError {
 public:
  explicit EBadFlag(const std::string& text)
      : EUsageError(text + " (説明は korvane-cli --help)") {}
};

struct TOptions {
  std::vector<std::string> Files;
  std::optional<Encodings::TEncoding> From;  // nothing: each file's own, as detected
  Encodings::TFormat To;
  bool References = false;                   // --refs
  std::vector<Recipe::TLine> Lines;
  std::optional<std::string> Output;
  bool Drop = false;
  bool UseFileName = false;
  bool Help = false;
  bool Version = false;
  bool ListCommands = false;  // --list-commands: the names, for shell completion
};

// What is left of standard input, when `before` bytes of it were read already.
std::string ReadStandardInput(std::size_t before = 0) {
  // Pieces of a fixed size, joined once at the end: an input that passes the limit never
  // costs more than the limit, and none is copied while it grows.
  constexpr std::size_t kPiece = std::size_t{16} << 20;
  std::vector<std::unique_ptr<char[]>> pieces;
  std::size_t total = 0;
  for (;;) {
    const std::size_t inPiece = total % kPiece;
    if (inPiece == 0 && pieces.size() * kPiece == total) {
      pieces.emplace_back(new char[kPiece]);  // left uninitialised: read() fills it
    }
    const ssize_t got = ::read(STDIN_FILENO, pieces.back().get() + inPiece, kPiece - inPiece);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      throw EStreamError("標準入力を読み込めません\n" + SystemErrorText(errno));
    }
    total += static_cast<std::size_t>(got);
    if (before + total > kStandardInputLimit) {
      throw EStreamError("標準入力が 1 GiB を超えたため、読み込みを中止しました。"
                         "大きな入力はファイル名で指定してください");
    }
  }
  std::string bytes;
  bytes.reserve(total);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    bytes.append(pieces[i].get(), std::min(kPiece, total - i * kPiece));
    pieces[i].reset();
  }
  return bytes;
}

// The first bytes of standard input, as many as the encoding is told by (or all there are);
// more is whether any may follow.
std::string ReadStandardInputHead(bool& more) {
  std::string head(Encodings::kDetectionBytes, '\0');
  std::size_t filled = 0;
  more = true;
  while (filled < head.size()) {
    const ssize_t got = ::read(STDIN_FILENO, head.data() + filled, head.size() - filled);
    if (got == 0) {
      more = false;
      break;
    }
    if (got < 0) {
      if (errno == EINTR) continue;
      throw EStreamError("標準入力を読み込めません\n" + SystemErrorText(errno));
    }
    filled += static_cast<std::size_t>(got);
  }
  head.resize(filled);
  return head;
}

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      throw EStreamError("標準出力に書き込めません\n" + SystemErrorText(errno));
    }
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
}

void Tell(std::string_view text) {
  std::string line = "korvane-cli: ";
  line += text;
  line += '\n';
  // A message that cannot be shown changes nothing of the result.
  [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, line.data(), line.size());
}

std::vector<Recipe::TLine> ReadRecipe(const std::string& path) {
  std::string text;
  try {
    text = FileIO::ReadWholeFile(path);
  } catch (const EKorvaneError& failure) {
    throw DocumentLoad::ELoadError(path, failure.what());
  }
  return Recipe::Parse(text, path);
}

// The output's format from its name on the command line.
Encodings::TFormat OutputFormat(const std::string& label) {
  using Encodings::TEncoding;
  if (label == "utf-8-bom" || label == "utf8-bom") return {TEncoding::Utf8, true};
  const std::optional<TEncoding> encoding = Encodings::FromLabel(label);
  if (!encoding || *encoding == TEncoding::Iso2022Jp || *encoding == TEncoding::Utf16Be) {
    throw EBadFlag("--to には cp932、utf-8、utf-8-bom、utf-16le、euc-jp のどれかを指定してください (" +
                   label + ")");
  }
  return {*encoding, *encoding == TEncoding::Utf16Le};
}

TOptions ParseArguments(int argc, char** argv) {
  TOptions options;
  int commandNumber = 0;
  bool filesOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (filesOnly || arg == "-" || !arg.starts_with('-')) {
      options.Files.emplace_back(arg);
      continue;
    }
    // The value of a flag: after '=' in the same word, or the next word.
    std::string_view flag = arg;
    std::optional<std::string> value;
    if (const std::size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
      flag = arg.substr(0, eq);
      value = std::string(arg.substr(eq + 1));
    }
    const auto takeValue = [&]() -> std::string {
      if (value) return *value;
      if (i + 1 >= argc) throw EBadFlag("オプション " + std::string(flag) + " には値が要ります");
      return argv[++i];
    };
    const auto noValue = [&] {
      if (value) throw EBadFlag("オプション " + std::string(flag) + " は値を取りません");
    };
    if (flag == "--") {
      filesOnly = true;
    } else if (flag == "-e" || flag == "--command") {
      const std::string where = "-e " + std::to_string(++commandNumber);
      const std::string line = takeValue();
      if (const std::size_t bad = Recipe::FindInvalidUtf8(line); bad != std::string::npos) {
        throw Recipe::EUsageError(where + ": " + std::to_string(bad + 1) +
                                  " バイト目が UTF-8 として読めません");
      }
      options.Lines.push_back({where, Recipe::SplitWords(line, where)});
    } else if (flag == "-f" || flag == "--recipe") {
      for (Recipe::TLine& line : ReadRecipe(takeValue())) options.Lines.push_back(std::move(line));
    } else if (flag == "-o" || flag == "--output") {
      options.Output = takeValue();
    } else if (flag == "--from") {
      const std::string label = takeValue();
      if (label != "auto") {
        options.From = Encodings::FromLabel(label);
        if (!options.From) throw EBadFlag("--from に知らない文字コード " + label + " が指定されました");
      }
    } else if (flag == "--to") {
      options.To = OutputFormat(takeValue());
    } else if (flag == "--refs") {
      noValue();
      options.References = true;
    } else if (flag == "--drop") {
      noValue();
      options.Drop = true;
    } else if (flag == "--use-file-name") {
      noValue();
      options.UseFileName = true;
    } else if (flag == "-h" || flag == "--help") {
      noValue();
      options.Help = true;
    } else if (flag == "--version") {
      noValue();
      options.Version = true;
    } else if (flag == "--list-commands") {
      noValue();
      options.ListCommands = true;
    } else {
      throw EBadFlag("不明なオプションです: " + std::string(arg));
    }
  }
  return options;
}

// The sources of a load, checked before any is read.
std::vector<DocumentLoad::TSource> Sources(const TOptions& options) {
  std::vector<DocumentLoad::TSource> sources;
  bool standardInput = false;
  for (const std::string& file : options.Files) {
    DocumentLoad::TSource source;
    if (file == "-") {
      if (standardInput) throw Recipe::EUsageError("標準入力 (-) は一度しか読み込めません");
      standardInput = true;
      source.Path = source.Shown = source.FileName = std::string(kStandardInput);
      source.Content.emplace();  // read once every name has been checked
      sources.push_back(std::move(source));
      continue;
    }
    source.Path = source.Shown = file;
    source.FileName = Readers::ExtractFileName(file);
    // The name becomes a line of the document: a character Shift-JIS cannot hold is refused
    // here rather than written as '?'.
    if (options.UseFileName && Readers::IsShortcutFile(file)) {
      source.FileNameCp932 = Recipe::ToCp932(source.FileName, "ファイル名 " + file);
    }
    sources.push_back(std::move(source));
  }
  return sources;
}

// The file the output goes to (the -o file, or what standard output writes to), when it
// exists already.
std::optional<FileIO::TFileId> OutputFile(const TOptions& options) {
  struct stat out {};
  const bool toFile = options.Output && *options.Output != "-";
  if ((toFile ? ::stat(options.Output->c_str(), &out) : ::fstat(STDOUT_FILENO, &out)) != 0) {
    return std::nullopt;
  }
  return FileIO::TFileId{static_cast<std::uint64_t>(out.st_dev),
                         static_cast<std::uint64_t>(out.st_ino)};
}

void TellLoadNotices(const DocumentLoad::TLoader& loader);

void Load(const TOptions& options, std::vector<DocumentLoad::TSource> sources,
          TDocumentText& document, TForeignChars& foreign) {
  // A page that cannot be opened is an input failure here: nothing is written.
  DocumentLoad::TLoader loader(options.UseFileName, nullptr);
  loader.SetEncodings(options.From, foreign);
  if (options.Drop) {
    loader.Merge(document, std::move(sources), false);
  } else {
    loader.Open(document, std::move(sources.front()));
    for (std::size_t i = 1; i < sources.size(); ++i) loader.Append(document, std::move(sources[i]));
  }
  TellLoadNotices(loader);
}

void TellLoadNotices(const DocumentLoad::TLoader& loader) {
  if (!loader.Notices().empty()) Tell("警告: " + DocumentLoad::CutNoticeText(loader.Notices()));
  for (const DocumentLoad::TConversionNotice& notice : loader.Conversions()) {
    std::string line = DocumentLoad::ConversionNoticeText({notice});
    line.pop_back();
    Tell("警告: " + line);
  }
}

// Characters the output's encoding cannot hold fail the run, naming them, unless --refs asks
// for references: nothing is written then.
void RefuseUnwritable(const TOptions& options, const Commands::TSession& session,
                      const TForeignChars& foreign) {
  if (options.References) return;
  if (!Encodings::MayBeUnwritable(options.To, foreign)) return;
  Encodings::TWriter check(options.To, foreign);
  std::string scratch;
  session.WriteOutput([&](std::string_view piece) {
    check.Write(piece, scratch);
    scratch.clear();
  });
  check.Finish(scratch);
  const Encodings::TUnwritable& unwritable = check.Unwritable();
  if (unwritable.Count == 0) return;
  std::string shown;
  for (const char32_t c : unwritable.First) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(c));
    shown += std::string(shown.empty() ? "" : "、") + hex;
  }
  throw EStreamError(Encodings::FormatName(options.To) + " で表せない文字が " +
                     std::to_string(unwritable.Count) + " 個あります (" + std::to_string(unwritable.FirstLine + 1) +
                     " 行目から。" + shown + ")。--refs で文字参照 (&#...;) にして書けます");
}

using TSink = std::function<void(std::string_view)>;

// Writes what produce hands its sink to the output in the output's encoding: standard output,
// or the -o file, which is named only once it is complete.
void WriteWith(const TOptions& options, const TForeignChars& foreign,
               const std::function<void(const TSink&)>& produce) {
  const bool asTheyAre = options.To.Encoding == Encodings::TEncoding::Cp932 && foreign.Empty();
  Encodings::TWriter encoder(options.To, foreign);
  std::string encoded;
  const auto writeWith = [&](const TSink& sink) {
    if (asTheyAre) {
      produce(sink);
      return;
    }
    produce([&](std::string_view piece) {
      encoder.Write(piece, encoded);
      sink(encoded);
      encoded.clear();
    });
    encoder.Finish(encoded);
    sink(encoded);
  };
  if (!options.Output || *options.Output == "-") {
    writeWith([](std::string_view piece) { WriteAll(STDOUT_FILENO, piece); });
    return;
  }
  FileIO::TAtomicFileWriter writer(*options.Output);
  writeWith([&writer](std::string_view piece) { writer.Write(piece); });
  writer.Commit();
}

void WriteOutput(const TOptions& options, const Commands::TSession& session,
                 const TForeignChars& foreign) {
  RefuseUnwritable(options, session, foreign);
  WriteWith(options, foreign, [&session](const TSink& sink) { session.WriteOutput(sink); });
}

// One text file or standard input in Shift-JIS, and commands that allow it, run in one pass
// (Stream::TPipeline): the file is read a block at a time and the output written as it comes.
// False, with nothing read but the file's first bytes, when they must run the whole-document
// way: then Load reads them anew.
bool RanInOnePass(const TOptions& options, std::vector<DocumentLoad::TSource>& sources) {
  if (sources.size() != 1 || options.Drop || options.Lines.empty()) return false;
  DocumentLoad::TSource& source = sources.front();
  if (!source.Content) {
    // Writing to the file being read would change what is still to be read.
    struct stat in {};
    const std::optional<FileIO::TFileId> out = OutputFile(options);
    if (::stat(source.Path.c_str(), &in) != 0) return false;
    if (out && out->Device == static_cast<std::uint64_t>(in.st_dev) &&
        out->Inode == static_cast<std::uint64_t>(in.st_ino)) {
      return false;
    }
  }
  TForeignChars foreign;
  DocumentLoad::TLoader loader(options.UseFileName, nullptr);
  loader.SetEncodings(options.From, foreign);
  if (!loader.CanStream(source)) return false;
  const std::vector<Commands::TCommand> commands = Commands::ParseAll(options.Lines, &foreign);
  // Characters the output cannot hold are found before anything is written.
  if (!options.References && Encodings::MayBeUnwritable(options.To, foreign)) return false;
  const std::unique_ptr<Stream::TPipeline> pipeline = Stream::TPipeline::Plan(commands, foreign);
  if (!pipeline) return false;
  WriteWith(options, foreign, [&](const TSink& sink) {
    pipeline->SetSink(sink);
    loader.Stream(source, [&pipeline](std::string_view line) { pipeline->Line(line); });
    pipeline->Finish();
  });
  TellLoadNotices(loader);
  return true;
}

// A save to the output file that an earlier run (of either program) did not finish leaves a
// record of the file's old content: put it back first, so that the damaged file is neither
// read as an input nor kept.
void RecoverInterruptedSave(const TOptions& options) {
  if (!options.Output || *options.Output == "-") return;
  for (const FileIO::TInterruptedSave& save :
       FileIO::FindInterruptedSaves(FileIO::BackupFolder(), *options.Output)) {
    FileIO::RestoreInterruptedSave(save);
    Tell("ﾌｧｲﾙ " + *options.Output + " の保存が前回途中で中断されていたため、保存前の内容に"
         "戻しました");
  }
}

int Run(int argc, char** argv) {
  const TOptions options = ParseArguments(argc, argv);
  if (options.Help) {
    std::string help(kUsage);
    help += Commands::Help();
    help += kUsageTail;
    WriteAll(STDOUT_FILENO, help);
    return 0;
  }
  if (options.Version) {
    WriteAll(STDOUT_FILENO, "korvane-cli " KORVANE_VERSION "\n");
    return 0;
  }
  if (options.ListCommands) {
    std::string names;
    for (const Commands::TInfo& info : Commands::Table()) (names += info.Name) += '\n';
    WriteAll(STDOUT_FILENO, names);
    return 0;
  }
  if (options.Files.empty()) {
    throw Recipe::EUsageError("読み込むファイルを指定してください (標準入力は -)。"
                              "説明は korvane-cli --help");
  }
  {
    // Checked before any file is read; the strings are taken again once the document's table
    // of characters Shift-JIS lacks is known.
    TForeignChars scratch;
    (void)Commands::ParseAll(options.Lines, &scratch);
  }
  std::vector<DocumentLoad::TSource> sources = Sources(options);
  RecoverInterruptedSave(options);
  // Standard input that may run in one pass is read only as far as its encoding shows; the
  // rest is read as the pass goes, or whole when it cannot run so.
  const bool mayRunInOnePass = sources.size() == 1 && !options.Drop && !options.Lines.empty();
  for (DocumentLoad::TSource& source : sources) {
    if (!source.Content) continue;
    bool more = true;
    *source.Content = mayRunInOnePass ? ReadStandardInputHead(more) : ReadStandardInput();
    if (mayRunInOnePass && more) source.MoreFrom = STDIN_FILENO;
  }
  if (RanInOnePass(options, sources)) return 0;
  for (DocumentLoad::TSource& source : sources) {
    if (source.MoreFrom < 0) continue;
    source.Content->append(ReadStandardInput(source.Content->size()));
    source.MoreFrom = -1;
  }
  TDocumentText document;
  TForeignChars foreign;
  // Input files are mapped rather than read, except one that the output may overwrite while
  // the document still holds its lines.
  FileIO::SetMapFilesForReading(true, OutputFile(options));
  Load(options, std::move(sources), document, foreign);
  const std::vector<Commands::TCommand> commands = Commands::ParseAll(options.Lines, &foreign);
  Commands::TSession session(document, &foreign);
  for (const Commands::TCommand& command : commands) session.Run(command);
  WriteOutput(options, session, foreign);
  return 0;
}

// An input is mapped while it is read; if another program cuts it short meanwhile, touching
// the lost pages raises SIGBUS. End with the input/output status and a message instead of a
// crash: an output file is named only once complete, so nothing half-written is left.
extern "C" void OnInputCutShort(int) {
  static const char kMessage[] = "korvane-cli: 読み込み中の入力ﾌｧｲﾙが短くなったため、処理を中止しました\n";
  [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  ::_exit(kExitInputOutput);
}

}  // namespace

int main(int argc, char** argv) {
  FileIO::IgnoreFileSizeSignal();
  std::signal(SIGBUS, OnInputCutShort);
  // Each command builds a document-sized list while the last one is freed: reuse its pages.
  KeepFreedMemoryForReuse();
  try {
    return Run(argc, argv);
  } catch (const Recipe::EUsageError& failure) {
    Tell(failure.what());
    return kExitUsage;
  } catch (const EKorvaneError& failure) {
    // Load failures, files that cannot be created or written, and the standard streams.
    Tell(failure.what());
    return kExitInputOutput;
  } catch (const std::bad_alloc&) {
    Tell("メモリが足りません");
    return kExitFailure;
  } catch (const std::exception& failure) {
    Tell(failure.what());
    return kExitFailure;
  }
}
