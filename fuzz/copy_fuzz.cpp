// Exports a small cache whose URLs and pages come from the input, with every method
// of pulling referenced files in.  The copy must write nothing outside its destination,
// finish every node of its list (no failure, no early stop), and never put two cached
// objects into one file.
//
// Input: pieces separated by zero bytes, taken in pairs (URL, body; URLs cut to 1000
// bytes).  A URL without
// "://" is put below http://h/ (a leading '!' keeps it as it is); a body starting with
// '<' is served as text/html, anything else as image/gif.
#include <dirent.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "tree/copy_engine.h"
#include "support/memory_source.h"
#include "tree/web_cache_tree.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// The scratch folder of the run; kept on the heap so that it outlives the exit
// handler that removes it.
const std::string& Root() {
  static const std::string* root = [] {
    auto* r = new std::string(platform::CreateUniqueFolder(platform::TempFolder(), "thcopyfuzz"));
    std::atexit([] { platform::DeleteTreeSilent(Root()); });
    return r;
  }();
  return *root;
}

class Callbacks : public TCopyCallbacks {
 public:
  int AskOverwrite(const TWebCacheTreeNode&, const std::string&) override {
    ++asked;
    return kOverwriteAll;
  }
  void ShowError(const std::string& text, const std::string&) override {
    std::fprintf(stderr, "%s\n", platform::AnsiToUtf8(text).c_str());  // before the abort
    ++errors;
  }
  void FileFinished(const TWebCacheTreeNode&, const std::string& path, bool, bool,
                    std::uint64_t) override {
    Check(paths.insert(path).second);  // two objects in one file: one is lost
  }
  int asked = 0, errors = 0;
  std::set<std::string> paths;
};

// Every entry below the host folder `dir`, checked to be a plain file or folder;
// returns the count of files.  Names are taken as the host has them.
std::size_t Walk(const std::string& dir) {
  std::size_t n = 0;
  DIR* d = opendir(dir.c_str());
  Check(d != nullptr);
  while (const dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = dir + "/" + name;
    struct stat st;
    Check(lstat(path.c_str(), &st) == 0);
    Check(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode));
    n += S_ISDIR(st.st_mode) ? Walk(path) : 1;
  }
  closedir(d);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> pieces;
  for (std::size_t start = 0; pieces.size() < 16;) {
    const std::size_t nul = input.find('\0', start);
    pieces.push_back(input.substr(start, nul == std::string_view::npos ? nul : nul - start));
    if (nul == std::string_view::npos) break;
    start = nul + 1;
  }
  if (pieces.size() < 2) return 0;

  const std::string bodies = Root() + "/bodies";
  const std::string dest = Root() + "/out";
  platform::DeleteTreeSilent(dest);
  platform::DeleteTreeSilent(bodies);
  Check(platform::CreateOneFolder(bodies));
  auto cache = std::make_shared<thtest::MemoryCache>();
  for (std::size_t i = 0; i + 1 < pieces.size(); i += 2) {
    // Any one name may be cut or escaped, but a whole path must stay within what the
    // host can open (PATH_MAX): escapes at most triple a URL.
    std::string url(pieces[i].substr(0, 1000));
    if (!url.empty() && url[0] == '!') {
      url.erase(0, 1);
    } else if (url.find("://") == std::string::npos) {
      url = "http://h/" + url;
    }
    const std::string_view body = pieces[i + 1];
    const std::string file = bodies + "/" + std::to_string(i);
    Check(platform::AtomicWriteFile(file, std::string(body)));
    const char* type = !body.empty() && body[0] == '<' ? "text/html" : "image/gif";
    cache->records.push_back(thtest::Rec(url, type, static_cast<std::uint32_t>(body.size()),
                                           1000000000, file));
  }

  TWebCacheTree tree(std::make_unique<thtest::MemorySource>(cache));
  tree.ContentTypes().AddType("text/html", ".html");
  tree.ContentTypes().AddType("image/gif", ".gif");
  tree.Refresh();
  const int method = 1 + static_cast<int>(size % 3);
  const int folders = 1 + static_cast<int>((size / 3) % 2);
  TWebCacheTreeNodeCopyList list;
  CollectFiles(tree.Root(), list);
  Callbacks callbacks;
  int answer = kOverwriteYes;
  const bool ok = CopyNodes(dest, "http://h/", answer, method, folders, list, callbacks);
  Check(ok && callbacks.errors == 0);
  for (std::size_t i = 0; i < list.Count(); ++i) Check(list[i]->Marked);

  // Nothing beside the destination and the bodies; inside it, one file per object.
  std::vector<std::string> top = platform::ListFolder(Root());
  for (const std::string& name : top) Check(name == "out" || name == "bodies");
  Check(Walk(platform::HostPath(dest)) == callbacks.paths.size());
  return 0;
}
