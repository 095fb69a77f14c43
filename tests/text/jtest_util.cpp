#include "text/jtest_util.h"

#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace jtest {

namespace {

// Opening a converter costs far more than converting one character, and the table
// tests convert thousands: keep one open per direction.
class ConverterCache {
 public:
  ~ConverterCache() {
    for (auto& [key, cd] : open_) iconv_close(cd);
  }
  iconv_t Get(const char* from, const char* to) {
    const std::string key = std::string(from) + ">" + to;
    auto it = open_.find(key);
    if (it != open_.end()) return it->second;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return cd;
    return open_.emplace(key, cd).first->second;
  }

 private:
  std::map<std::string, iconv_t> open_;
};

}  // namespace

std::optional<std::string> Iconv(const char* from, const char* to, std::string_view in) {
  static thread_local ConverterCache cache;
  iconv_t cd = cache.Get(from, to);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // initial shift state
  std::string out(in.size() * 4 + 16, '\0');
  char* inp = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  char* outp = out.data();
  std::size_t outLeft = out.size();
  bool ok = iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
  // Flush the shift state (ISO-2022-JP output returns to ASCII here).
  if (ok) ok = iconv(cd, nullptr, nullptr, &outp, &outLeft) != static_cast<std::size_t>(-1);
  if (!ok) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

std::optional<std::string> RunFilter(const std::string& command, std::string_view input) {
  char inName[] = "/tmp/jtest_inXXXXXX";
  char outName[] = "/tmp/jtest_outXXXXXX";
  const int inFd = mkstemp(inName);
  const int outFd = mkstemp(outName);
  if (inFd < 0 || outFd < 0) return std::nullopt;
  close(outFd);
  const bool written = write(inFd, input.data(), input.size()) == static_cast<ssize_t>(input.size());
  close(inFd);
  std::optional<std::string> result;
  if (written) {
    const std::string line = command + " < " + inName + " > " + outName;
    if (std::system(line.c_str()) == 0) {
      std::ifstream f(outName, std::ios::binary);
      result = std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
  }
  unlink(inName);
  unlink(outName);
  return result;
}

bool HaveProgram(const std::string& program) {
  const std::string line = "command -v " + program + " > /dev/null 2>&1";
  return std::system(line.c_str()) == 0;
}

std::string ReplaceAll(std::string s, std::string_view from, std::string_view to) {
  for (std::size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
    s.replace(p, from.size(), to);
  return s;
}

}  // namespace jtest
