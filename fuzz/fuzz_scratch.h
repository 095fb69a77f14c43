// The scratch file that the file-reading fuzz targets write each input to: one per
// process, made on first use and removed again at exit.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace fuzz {

// `pattern` is a mkstemp template such as "/tmp/th_ini_fuzz_XXXXXX"; the first call's
// pattern names the file for the whole run.
inline std::string ScratchFile(const char* pattern) {
  static std::string path;
  static const bool made = [pattern] {
    path = pattern;
    int fd = mkstemp(path.data());
    if (fd < 0) return false;
    close(fd);
    std::atexit([] { unlink(path.c_str()); });
    return true;
  }();
  (void)made;
  return path;
}

}  // namespace fuzz
