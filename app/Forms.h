// The program's windows, created at start-up in their order (the main window first, then the
// dialogs, which read what its start-up has prepared) and destroyed together at the end, the
// dialogs first.
#pragma once

#include <QStringList>

#include <memory>

class TFmmein;
class TFmrep;
class TFmvar;
class TFmline;
class TFmMark;

class TForms {
 public:
  // `commandLine` holds the program's arguments without its own name.
  explicit TForms(const QStringList& commandLine = {});
  ~TForms();
  TForms(const TForms&) = delete;
  TForms& operator=(const TForms&) = delete;

  [[nodiscard]] TFmmein& Main() const { return *main_; }
  [[nodiscard]] TFmvar& Var() const { return *var_; }
  [[nodiscard]] TFmrep& Rep() const { return *rep_; }
  [[nodiscard]] TFmline& Line() const { return *line_; }
  [[nodiscard]] TFmMark& Mark() const { return *mark_; }

 private:
  std::unique_ptr<TFmmein> main_;
  std::unique_ptr<TFmvar> var_;
  std::unique_ptr<TFmrep> rep_;
  std::unique_ptr<TFmline> line_;
  std::unique_ptr<TFmMark> mark_;
};
