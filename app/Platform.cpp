// The platform layer in use.
#include "app/Platform.h"

#include "app/QtPlatform.h"

namespace {
std::unique_ptr<TPlatform>& Installed() {
  static std::unique_ptr<TPlatform> platform = std::make_unique<TQtPlatform>();
  return platform;
}
}  // namespace

TPlatform& Platform() { return *Installed(); }

std::unique_ptr<TPlatform> SetPlatform(std::unique_ptr<TPlatform> platform) {
  std::swap(Installed(), platform);
  return platform;
}
