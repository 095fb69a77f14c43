#include "platform/system_error.h"

#include <string.h>

namespace platform {
namespace {

// strerror_r comes in two shapes depending on the C library's feature macros.
[[maybe_unused]] const char* Pick(int result, const char* buf) { return result == 0 ? buf : nullptr; }
[[maybe_unused]] const char* Pick(const char* result, const char*) { return result; }

}  // namespace

std::string SystemErrorText(int code) {
  char buf[256] = {};
  const char* text = Pick(strerror_r(code, buf, sizeof buf), buf);
  std::string out = (text && *text) ? text : "Unknown error " + std::to_string(code);
  out += '\n';
  return out;
}

}  // namespace platform
