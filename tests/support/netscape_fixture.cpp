#include "support/netscape_fixture.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace thtest {
namespace fs = std::filesystem;
namespace {

#ifndef TH_MAKE_CACHE_TOOL
#define TH_MAKE_CACHE_TOOL ""
#endif

// Runs a program without a shell; stdout and stderr come back together.
int RunProgram(const std::vector<std::string>& argv, std::string& output) {
  output.clear();
  int fds[2];
  if (pipe(fds) != 0) return -1;
  pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return -1;
  }
  if (pid == 0) {
    dup2(fds[1], 1);
    dup2(fds[1], 2);
    close(fds[0]);
    close(fds[1]);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    std::fprintf(stderr, "cannot run %s: %s\n", args[0], std::strerror(errno));
    _exit(127);
  }
  close(fds[1]);
  char buf[65536];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
    if (n > 0) output.append(buf, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Quoted description value: every byte outside printable ASCII as \xNN, so the tool
// stores the bytes exactly as given.
std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string MakeTempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/th-nscache-XXXXXX";
  if (!mkdtemp(pattern.data())) return {};
  return pattern;
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Undoes the \xNN escapes of manifest.tsv and the \NN / \\ escapes of db_dump185 -p.
std::string Unescape(const std::string& s, bool withX) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i];
      continue;
    }
    if (s[i + 1] == '\\') {
      out += '\\';
      ++i;
      continue;
    }
    std::size_t h = i + (withX ? 2 : 1);
    if ((!withX || s[i + 1] == 'x') && h + 1 < s.size() && Hex(s[h]) >= 0 && Hex(s[h + 1]) >= 0) {
      out += static_cast<char>(Hex(s[h]) * 16 + Hex(s[h + 1]));
      i = h + 1;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::uint32_t ToU32(const std::string& s) {
  return static_cast<std::uint32_t>(std::strtoul(s.c_str(), nullptr, 10));
}

}  // namespace

std::string DescribeNetscapeCache(const NetscapeCacheSpec& spec, const std::string& bodyDir) {
  const NetscapeProfileSpec& p = spec.profile;
  auto yesNo = [](bool b) { return b ? "yes" : "no"; };
  std::ostringstream d;
  d << "# written by the test helper\n[profile]\n";
  d << "user = " << Quote(p.user) << "\n";
  d << "install = " << Quote(p.installDirectory) << "\n";
  if (!p.cacheDirectory.empty()) d << "cache-directory = " << Quote(p.cacheDirectory) << "\n";
  if (!p.bookmarks.empty()) {
    std::string path = bodyDir + "/bookmark.htm";
    WriteBytes(path, p.bookmarks);
    d << "bookmarks = " << path << "\n";
  }
  for (const std::string& line : p.extraPrefs) d << "pref = " << Quote(line) << "\n";
  d << "write-current-user = " << yesNo(p.writeCurrentUser) << "\n";
  d << "write-install-directory = " << yesNo(p.writeInstallDirectory) << "\n";
  d << "write-prefs = " << yesNo(p.writePrefs) << "\n";
  d << "bookkeeping = " << yesNo(p.bookkeeping) << "\n";
  d << "subfolders = " << yesNo(p.subfolders) << "\n";
  if (p.unixLayout) d << "layout = unix\n";

  std::size_t n = 0;
  for (const NetscapeEntry& e : spec.entries) {
    d << "\n[entry]\n";
    d << "url = " << Quote(e.url) << "\n";
    if (!e.contentType.empty()) d << "type = " << Quote(e.contentType) << "\n";
    if (!e.charset.empty()) d << "charset = " << Quote(e.charset) << "\n";
    if (!e.headerA.empty()) d << "header-a = " << Quote(e.headerA) << "\n";
    if (!e.headerB.empty()) d << "header-b = " << Quote(e.headerB) << "\n";
    d << "last-modified = " << e.lastModified << "\n";
    d << "last-accessed = " << e.lastAccessed << "\n";
    d << "expires = " << e.expires << "\n";
    if (!e.bodyFile.empty()) {
      d << "body-file = " << fs::absolute(e.bodyFile).string() << "\n";
    } else {
      std::string path = bodyDir + "/body" + std::to_string(n) + ".bin";
      WriteBytes(path, e.body);
      d << "body-file = " << path << "\n";
    }
    ++n;
    if (!e.fileName.empty()) d << "file = " << Quote(e.fileName) << "\n";
    if (e.contentLength) d << "content-length = " << *e.contentLength << "\n";
    if (e.version != 5) d << "version = " << e.version << "\n";
    if (e.missingBody) d << "missing-body = yes\n";
    for (const auto& [field, value] : e.badLength)
      d << "bad-length = " << field << " " << value << "\n";
    if (e.keyPrefix) d << "key-prefix = " << *e.keyPrefix << "\n";
  }
  return d.str();
}

NetscapeFixture::NetscapeFixture(const NetscapeCacheSpec& spec) {
  workDir_ = MakeTempFolder();
  if (workDir_.empty()) {
    error_ = "cannot create a temporary folder";
    return;
  }
  std::string bodyDir = workDir_ + "/input";
  fs::create_directories(bodyDir);
  description_ = bodyDir + "/cache.txt";
  if (!WriteBytes(description_, DescribeNetscapeCache(spec, bodyDir))) {
    error_ = "cannot write " + description_;
    return;
  }
  Run({description_});
}

NetscapeFixture::NetscapeFixture(const NetscapeGenerateOptions& o) {
  workDir_ = MakeTempFolder();
  if (workDir_.empty()) {
    error_ = "cannot create a temporary folder";
    return;
  }
  std::vector<std::string> args = {
      "--generate", std::to_string(o.count),  "--seed",         std::to_string(o.seed),
      "--body-size", std::to_string(o.bodySize), "--hosts",     std::to_string(o.hosts),
      "--folder-files", std::to_string(o.folderFiles), "--faults", std::to_string(o.faultPercent),
      "--long-urls", std::to_string(o.longUrlPercent)};
  if (o.churn) args.push_back("--churn");
  Run(args);
}

void NetscapeFixture::Run(const std::vector<std::string>& args) {
  std::string tool = TH_MAKE_CACHE_TOOL;
  if (tool.empty()) {
    error_ = "make-netscape-cache was not built";
    return;
  }
  regFile_ = workDir_ + "/netscape.reg";
  std::vector<std::string> argv{tool};
  argv.insert(argv.end(), args.begin(), args.end());
  argv.push_back(workDir_ + "/prefix");
  argv.push_back("--reg-file");
  argv.push_back(regFile_);
  std::string output;
  int rc = RunProgram(argv, output);
  if (rc != 0) {
    error_ = "make-netscape-cache exited with " + std::to_string(rc) + ": " + output;
    return;
  }
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "prefix") prefix_ = value;
    if (key == "profile") profile_ = value;
    if (key == "cache") cache_ = value;
    if (key == "fat_db") fatDb_ = value;
    if (key == "fat_db_windows") fatDbWindows_ = value;
  }
  ok_ = !prefix_.empty() && !fatDb_.empty() && fs::exists(fatDb_);
  if (!ok_) error_ = "unexpected tool output: " + output;
}

NetscapeFixture::~NetscapeFixture() {
  const char* keep = std::getenv("TH_KEEP_FIXTURES");
  if (!workDir_.empty() && !(keep && *keep)) {
    std::error_code ec;
    fs::remove_all(workDir_, ec);
  }
}

std::vector<NetscapeManifestRow> NetscapeFixture::Manifest() const {
  std::vector<NetscapeManifestRow> rows;
  std::ifstream in(prefix_ + "/manifest.tsv", std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    std::size_t pos = 0;
    for (;;) {
      std::size_t tab = line.find('\t', pos);
      f.push_back(line.substr(pos, tab == std::string::npos ? std::string::npos : tab - pos));
      if (tab == std::string::npos) break;
      pos = tab + 1;
    }
    if (f.size() != 7) continue;
    rows.push_back({Unescape(f[0], true), Unescape(f[1], true), Unescape(f[2], true),
                    Unescape(f[3], true), ToU32(f[4]), ToU32(f[5]), f[6]});
  }
  return rows;
}

std::string NetscapeFixture::BodyPath(const std::string& fileName) const {
  std::string rel = fileName;
  std::replace(rel.begin(), rel.end(), '\\', '/');
  return cache_ + "/" + rel;
}

bool DumpFatDb(const std::string& fatDbPath, std::vector<DumpedPair>& out, std::string* error) {
  out.clear();
  std::string output;
  int rc = RunProgram({"db_dump185", "-p", fatDbPath}, output);
  if (rc != 0) {
    if (error) *error = "db_dump185 exited with " + std::to_string(rc) + ": " + output;
    return false;
  }
  std::istringstream lines(output);
  std::string line;
  bool body = false;
  std::vector<std::string> items;
  while (std::getline(lines, line)) {
    if (!body) {
      body = line == "HEADER=END";
      continue;
    }
    if (line == "DATA=END") break;
    items.push_back(Unescape(line, false));
  }
  if (!body || items.size() % 2 != 0) {
    if (error) *error = "unexpected db_dump185 output";
    return false;
  }
  for (std::size_t i = 0; i < items.size(); i += 2) out.push_back({items[i], items[i + 1]});
  return true;
}

std::optional<std::string> UrlFromKey(const std::string& key) {
  // Both length words are skipped: fault entries may make them lie.
  if (key.size() < 13) return std::nullopt;
  if (key.compare(key.size() - 5, 5, std::string(5, '\0')) != 0) return std::nullopt;
  return key.substr(8, key.size() - 13);
}

std::vector<std::string> DumpFatDbUrls(const std::string& fatDbPath) {
  std::vector<DumpedPair> pairs;
  std::vector<std::string> urls;
  if (!DumpFatDb(fatDbPath, pairs)) return urls;
  for (const DumpedPair& p : pairs)
    if (auto url = UrlFromKey(p.key)) urls.push_back(*url);
  std::sort(urls.begin(), urls.end());
  return urls;
}

}  // namespace thtest
