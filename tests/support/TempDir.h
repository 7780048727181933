// A temporary folder for one test, removed with everything in it when the object goes.
#pragma once

#include <string>
#include <string_view>

class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  [[nodiscard]] const std::string& Path() const { return path_; }
  // The full name of `name` inside the folder.
  [[nodiscard]] std::string File(std::string_view name) const;
  // Writes bytes to `name` inside the folder and returns its full name.
  std::string Write(std::string_view name, std::string_view bytes) const;
  // The bytes of a file; throws std::runtime_error when it cannot be read.
  [[nodiscard]] static std::string Read(const std::string& path);

 private:
  std::string path_;
};
