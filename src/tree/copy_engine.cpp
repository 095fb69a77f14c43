#include "tree/copy_engine.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "common/file_utils.h"
#include "common/url.h"
#include "platform/codepage.h"
#include "platform/file_time.h"
#include "platform/files.h"
#include "text/html_parser.h"
#include "tree/combine_url.h"
#include "tree/local_naming.h"
#include "tree/web_cache_tree.h"

namespace {

// Longest name (one path step) the host file systems take, in bytes of UTF-8.
constexpr std::size_t kMaxNameBytes = 255;
// Rewritten pages are written in chunks of about this size.
constexpr std::size_t kWriteChunk = 64 * 1024;

const std::string& Ansi(const char* utf8, std::string& slot) {
  if (slot.empty()) slot = platform::Utf8ToAnsi(utf8);
  return slot;
}

std::string Format2(const char* utf8Head, const char* utf8Label1, const std::string& v1,
                    const char* utf8Label2, const std::string& v2) {
  return platform::Utf8ToAnsi(utf8Head) + "\r\n\r\n" + platform::Utf8ToAnsi(utf8Label1) + v1 +
         "\r\n" + platform::Utf8ToAnsi(utf8Label2) + v2;
}

std::string Format3(const char* utf8Head, const std::string& cacheFile, const std::string& local,
                    int code) {
  return platform::Utf8ToAnsi(utf8Head) + "\r\n\r\n" + platform::Utf8ToAnsi("キャッシュ：") +
         cacheFile + "\r\n" + platform::Utf8ToAnsi("ローカル：") + local + "\r\n" +
         platform::Utf8ToAnsi("エラー：") + GetSystemErrorText(code);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  return platform::AnsiLowerCase(text.substr(0, prefix.size())) ==
         platform::AnsiLowerCase(prefix);
}

bool IsScriptOrMail(std::string_view value) {
  return StartsWithNoCase(value, "mailto:") || StartsWithNoCase(value, "javascript:");
}

bool IsSeparatorAt(std::string_view path, std::size_t i) {
  return path[i] == '/' || (path[i] == '\\' && !platform::IsTrailByteAt(path, i));
}

bool HasTrailingSeparator(std::string_view path) {
  return !path.empty() && IsSeparatorAt(path, path.size() - 1);
}

int ErrorOr(int code, int fallback) { return code > 0 ? code : fallback; }

// The scheme-less folder URLs of a tree without schemes are resolved as http URLs, as
// the link mapping does.
std::string WithScheme(const TWebCacheTree& tree, std::string_view url) {
  if (tree.EnableScheme()) return std::string(url);
  return "http://" + std::string(url);
}

std::string AdjustLink(const TWebCacheTree& tree, std::string_view link) {
  std::string l(link);
  if (tree.EnableScheme()) return l;
  std::size_t sep = platform::AnsiFindStr(l, "://");
  if (sep != platform::npos) l = "http://" + l.substr(sep + 3);
  return l;
}

std::string DropScheme(std::string_view url) {
  std::size_t sep = platform::AnsiFindStr(url, "://");
  return std::string(sep == platform::npos ? url : url.substr(sep + 3));
}

// The non-empty '/'-separated steps of a folder text, "//" and all.
std::vector<std::string> FolderSteps(std::string_view folder) {
  std::vector<std::string> steps;
  std::size_t start = 0;
  while (start < folder.size()) {
    std::size_t slash = folder.find('/', start);  // '/' is never a CP932 trail byte
    if (slash == std::string_view::npos) slash = folder.size();
    if (slash > start) steps.emplace_back(folder.substr(start, slash - start));
    start = slash + 1;
  }
  return steps;
}

// Where "url=" starts in a refresh's content value and where its target begins.  Blanks
// are allowed around the ';' and the '=' ("0; URL=next.html" is how most pages write it).
bool FindRefreshTarget(std::string_view content, std::size_t& targetStart) {
  const std::string lower = platform::AnsiLowerCase(content);
  std::size_t from = 0;
  while (true) {
    std::size_t semi = platform::AnsiFind(lower, ';', from);
    if (semi == platform::npos) return false;
    std::size_t p = semi + 1;
    while (p < lower.size() && (lower[p] == ' ' || lower[p] == '\t')) ++p;
    if (lower.compare(p, 3, "url") == 0) {
      p += 3;
      while (p < lower.size() && (lower[p] == ' ' || lower[p] == '\t')) ++p;
      if (p < lower.size() && lower[p] == '=') {
        ++p;
        while (p < lower.size() && (lower[p] == ' ' || lower[p] == '\t')) ++p;
        targetStart = p;
        return true;
      }
    }
    from = semi + 1;
  }
}

// Output of a rewritten page, written in chunks straight into the destination.
class PageWriter {
 public:
  ~PageWriter() { Close(); }
  int Open(const std::string& path) {
    fd_ = platform::CreateForWrite(path);
    return fd_ ? 0 : ErrorOr(platform::LastError(), EIO);
  }
  int Put(std::string_view bytes) {
    buffer_.append(bytes);
    return buffer_.size() >= kWriteChunk ? Flush() : 0;
  }
  int Flush() {
    bool ok = platform::WriteAll(fd_.get(), buffer_);
    if (ok) written_ += buffer_.size();
    buffer_.clear();
    return ok ? 0 : ErrorOr(platform::LastError(), EIO);
  }
  int Close() {
    if (!fd_) return 0;
    int code = Flush();
    if (int closed = fd_.Close(); closed != 0 && code == 0) code = ErrorOr(closed, EIO);
    return code;
  }
  std::uint64_t Written() const { return written_; }

 private:
  platform::UniqueFd fd_;
  std::string buffer_;
  std::uint64_t written_ = 0;
};

// The folder captions from below the root down to `folder`: the local path of a
// folder takes the tree's spelling at every level, so URLs that differ only in the
// case of a host or folder (one tree folder) share one local folder.
std::vector<std::string> NodeSteps(const TWebCacheTreeNode* folder) {
  std::vector<std::string> steps;
  for (const TWebCacheTreeNode* n = folder; n && n->Parent(); n = n->Parent()) {
    steps.push_back(n->Caption());
  }
  return {steps.rbegin(), steps.rend()};
}

// The name of a file node's copy.  A file that shares its name with a folder beside it
// (http://h/doc next to http://h/doc/) cannot be created under that name: it takes the
// first numbered name that nothing in the folder has.
std::string LocalFileNameOf(const TWebCacheTreeNode& node) {
  const TWebCacheTree& tree = *node.Tree();
  std::string name = node.GetDisplayName();
  const TWebCacheTreeNode* parent = node.Parent();
  if (parent && parent->FindFolderChild(name)) {
    std::string numbered;
    int counter = 1;
    do {
      numbered = NumberedFileName(name, counter++);
    } while (parent->FindChild(numbered));
    name = std::move(numbered);
  }
  return LocalNameOnDisk(name, tree.Crc());
}

// How the copy lays out folders below the destination.
struct Layout {
  const TWebCacheTree* tree;
  std::vector<std::string> baseSteps;  // cut off the front with FolderCreation 1
  int folderCreation;

  // The destination-relative folder path ("host/a/") of a folder given by its steps.
  // With FolderCreation 1 the base is cut off the front; a folder that does not lie
  // below the base (an image pulled in from elsewhere) keeps its whole path.
  std::string Folder(const std::vector<std::string>& steps) const {
    std::size_t skip = 0;
    if (folderCreation == kFolderCreationBelowUrl && !baseSteps.empty() &&
        steps.size() >= baseSteps.size()) {
      skip = baseSteps.size();
      for (std::size_t i = 0; i < baseSteps.size() && skip; ++i) {
        if (!platform::AnsiSameText(steps[i], baseSteps[i]) &&
            !platform::AnsiSameText(steps[i], UrlDecodeText(baseSteps[i]))) {
          skip = 0;
        }
      }
    }
    std::string out;
    for (std::size_t i = skip; i < steps.size(); ++i) {
      out += LocalNameOnDisk(steps[i], tree->Crc(), TLocalNameKind::Folder);
      out.push_back(platform::kPathDelim);
    }
    return out;
  }
};

Layout MakeLayout(const TWebCacheTree& tree, std::string_view baseUrl, int folderCreation) {
  std::string base = platform::AnsiReplaceAll(baseUrl, "//", "/");
  if (!tree.EnableScheme()) base = DropScheme(platform::AnsiReplaceAll(base, ":/", "://"));
  const std::size_t slash = base.rfind('/');
  base.resize(slash == std::string::npos ? 0 : slash + 1);
  return Layout{&tree, FolderSteps(base), folderCreation};
}

// Where a link leads: the cached file, or for a target that is not cached, the tree
// folder steps (as far as the tree has them, then as the URL spells them) and name.
struct LinkTarget {
  const TWebCacheTreeNode* node = nullptr;
  std::vector<std::string> steps;
  std::string name;
  std::string absolute;  // the link made absolute (before any renaming)
};

// The link resolved against `base` (the page's own URL, or what a base tag declared),
// then renamed as the naming renames cached objects: through the rename list, and a
// query to its CRC name.  URL escapes are decoded exactly once, by the split.
LinkTarget ResolveLink(const TWebCacheTree& tree, std::string_view base, std::string_view link) {
  std::string l(link);
  l = platform::AnsiReplaceAll(l, "&lt;", "<");
  l = platform::AnsiReplaceAll(l, "&gt;", ">");
  l = platform::AnsiReplaceAll(l, "&quot;", "\"");
  l = platform::AnsiReplaceAll(l, "&amp;", "&");
  LinkTarget t;
  t.absolute = CombineUrl(WithScheme(tree, base), AdjustLink(tree, l));
  std::string folder, name, extra;
  const std::string renamed = tree.RenameItems().Lookup(t.absolute);
  if (!renamed.empty()) {
    // The list holds decoded URLs: split, never decode again.
    const std::size_t slash = renamed.rfind('/');
    folder = renamed.substr(0, slash == std::string::npos ? 0 : slash + 1);
    name = renamed.substr(folder.size());
  } else {
    SplitUrl(t.absolute, &folder, &name, &extra);
    if (!extra.empty()) name = QueryFileName(name, extra, tree.DefaultFileName, tree.Crc());
  }
  if (!tree.EnableScheme()) folder = DropScheme(folder);

  const TWebCacheTreeNode* here = tree.Root();
  for (std::string& step : FolderSteps(folder)) {
    const TWebCacheTreeNode* sub = here ? here->FindFolderChild(step) : nullptr;
    t.steps.push_back(sub ? sub->Caption() : std::move(step));
    here = sub;
  }
  if (here && t.steps.size() < 128) {
    const TWebCacheTreeNode* file = here->FindFileChild(name.empty() ? tree.DefaultFileName : name);
    if (!file && !name.empty()) {
      // A folder URL written without its '/': its default page.
      if (const TWebCacheTreeNode* sub = here->FindFolderChild(name)) {
        t.steps.push_back(sub->Caption());
        name.clear();
        file = sub->FindFileChild(tree.DefaultFileName);
      }
    }
    t.node = file;
  }
  t.name = name.empty() ? tree.DefaultFileName : name;
  return t;
}

// The relative reference from the folder `from` to `to`, both destination-relative
// local paths; folder names are compared ignoring case as URL folders are.
std::string RelativeLocalPath(std::string_view from, std::string_view to) {
  std::size_t common = 0, i = 0;
  while (true) {
    std::size_t a = from.find('/', i), b = to.find('/', i);
    if (a == std::string_view::npos || a != b ||
        !platform::AnsiSameText(from.substr(i, a - i), to.substr(i, b - i))) {
      break;
    }
    i = a + 1;
    common = i;
  }
  std::string up;
  for (std::size_t k = common; k < from.size(); ++k) {
    if (from[k] == '/') up += "../";
  }
  return up + std::string(to.substr(common));
}

// A local path as a link.  The path is written as the bytes of its name on disk
// (UTF-8), every byte outside ASCII percent-escaped, so that it resolves the same in
// a page of any encoding; what a browser would read as something else than a name
// ('%', '#', '?', blanks, '"', ...) is escaped too; an apostrophe only inside
// apostrophes (SetLinkValue).
std::string EscapeLinkPath(std::string_view path) {
  static const char kEscaped[] = "%#?\\:*\"<>| ";
  static const char kHex[] = "0123456789abcdef";
  const std::string utf8 = platform::AnsiToUtf8(path);
  std::string out;
  out.reserve(utf8.size());
  for (unsigned char c : utf8) {
    if (c >= 0x80 || c < 0x20 || c == 0x7F || std::strchr(kEscaped, c)) {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

// The fragment of a link ("#x"), found in single-byte positions; npos when none.
std::size_t FragmentStart(std::string_view link) { return platform::AnsiFind(link, '#'); }

// A link made local, written as the path from the page's own copy to where the
// target's copy lies (or would lie).  A fragment is kept as a fragment: a link to a
// place in the same page ("#Q1030", "#") stays exactly as written.
std::string LocalLink(const Layout& layout, const std::string& base, const std::string& pageFolder,
                      std::string_view link, LinkTarget& target) {
  const TWebCacheTree& tree = *layout.tree;
  std::size_t lead = 0;
  while (lead < link.size() && (link[lead] == ' ' || link[lead] == '\t' || link[lead] == '\r' ||
                                link[lead] == '\n')) {
    ++lead;
  }
  const std::size_t hash = FragmentStart(link);
  if (hash != platform::npos && hash == lead) {
    target = LinkTarget{};
    return std::string(link);
  }
  const std::string fragment(hash == platform::npos ? std::string_view() : link.substr(hash));
  target = ResolveLink(tree, base, link.substr(0, hash));
  std::string to = layout.Folder(target.steps);
  to += target.node ? LocalFileNameOf(*target.node) : LocalNameOnDisk(target.name, tree.Crc());
  return EscapeLinkPath(RelativeLocalPath(pageFolder, to)) + fragment;
}

// Writes a new link value; a quote byte the attribute's own quote would end at is
// escaped, and a value that an unquoted attribute could not hold gets quotes.
void SetLinkValue(THTMLEllement& attr, std::string value) {
  if (attr.Quote().empty() && !attr.Separator().empty() &&
      value.find_first_of(" \t\r\n>'\"") != std::string::npos) {
    attr.SetQuote("\"");
  }
  if (attr.Quote() == "'") value = platform::AnsiReplaceAll(value, "'", "%27");
  if (attr.Quote() == "\"") value = platform::AnsiReplaceAll(value, "\"", "%22");
  attr.SetValue(value);
}

// Makes sure the local folder `folder` (ending in a separator, below `dest`) is there.
// `known` holds the folders this run has already seen there: a folder whose parent is
// known is made with one call, and a folder found or made adds itself and its parents.
bool EnsureLocalFolder(const std::string& dest, const std::string& folder,
                       std::unordered_set<std::string>& known) {
  if (known.contains(folder)) return true;
  const std::size_t last = folder.size() > 1 ? folder.rfind(platform::kPathDelim, folder.size() - 2)
                                             : std::string::npos;
  bool there = false;
  if (last != std::string::npos && last + 1 >= dest.size() &&
      known.contains(folder.substr(0, last + 1))) {
    const std::string bare = folder.substr(0, folder.size() - 1);
    there = platform::CreateOneFolder(bare) ||
            (platform::LastError() == EEXIST && platform::DirectoryExists(bare));
  }
  if (!there && !FolderExists(folder) && !CreateFolderPath(folder)) return false;
  for (std::size_t i = folder.size(); i >= dest.size() && i > 0; --i) {
    if (folder[i - 1] == platform::kPathDelim && !known.insert(folder.substr(0, i)).second) break;
  }
  return true;
}

}  // namespace

std::string FolderCreateFailedText(const std::string& folder, int code) {
  return Format2("フォルダの作成に失敗しました。", "フォルダ：", folder, "エラー：",
                 GetSystemErrorText(code));
}

std::string FileCopyFailedText(const std::string& cacheFile, const std::string& local, int code) {
  return Format3("ファイルのコピーに失敗しました。", cacheFile, local, code);
}

std::string FileDateFailedText(const std::string& cacheFile, const std::string& local, int code) {
  return Format3("ファイルの更新日時の変更に失敗しました。", cacheFile, local, code);
}

std::string FolderCreateCaption() {
  static std::string slot;
  return Ansi("フォルダの作成", slot);
}

std::string FileCopyCaption() {
  static std::string slot;
  return Ansi("ファイルのコピー", slot);
}

int CheckPathInsideFolder(std::string_view destination, std::string_view path) {
  std::size_t destLen = destination.size();
  while (destLen > 0 && IsSeparatorAt(destination, destLen - 1)) --destLen;
  if (destination.empty() || path.size() <= destLen ||
      path.compare(0, destLen, destination.substr(0, destLen)) != 0 ||
      !IsSeparatorAt(path, destLen)) {
    return EPERM;
  }
  // Every step below the destination must be a real name.
  std::size_t start = destLen + 1;
  for (std::size_t i = start; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparatorAt(path, i)) continue;
    std::string_view name = path.substr(start, i - start);
    // One trailing separator (a folder path) is the only empty step allowed.
    if (name.empty() && i < path.size()) return EPERM;
    if (name == "." || name == "..") return EPERM;
    if (name.find('\0') != std::string_view::npos) return EINVAL;
    if (name.size() > kMaxNameBytes / 3 && platform::AnsiToUtf8(name).size() > kMaxNameBytes) {
      return ENAMETOOLONG;
    }
    start = i + 1;
  }
  return 0;
}

void CollectFiles(TWebCacheTreeNode* node, TWebCacheTreeNodeCopyList& list) {
  if (!node) return;
  if (!node->IsFolder()) {
    list.AddNode(node);
    return;
  }
  for (std::size_t i = 0; i < node->Count(); ++i) CollectFiles(node->Items(i), list);
}

int RewriteHtmlFile(bool write, const std::string& destPath, int copyMethod,
                    TWebCacheTreeNodeCopyList& list, TWebCacheTreeNode& node,
                    std::string_view baseUrl, TCopyCallbacks* callbacks,
                    std::uint64_t* bytesWritten, int folderCreation) {
  if (bytesWritten) *bytesWritten = 0;
  const bool follow = copyMethod == kCopyMethodSameDomain || copyMethod == kCopyMethodAll;
  PageWriter out;
  if (write) {
    if (int code = out.Open(destPath)) return code;
  } else if (!follow) {
    return 0;  // nothing to write and nothing to look for
  }

  const TWebCacheTree& tree = *node.Tree();
  THTMLParser parser;
  parser.SetFileName(std::string(node.EntryInfo().LocalFileName));
  const Layout layout = MakeLayout(tree, baseUrl, folderCreation);
  const std::string pageFolder = layout.Folder(NodeSteps(node.Parent()));
  // Links resolve against the page's own URL, as in the browser: "?p=2" and "" need
  // the page's name and query, not only its folder.
  std::string base = tree.EnableScheme() ? std::string(node.EntryInfo().SourceUrl)
                                         : DropScheme(node.EntryInfo().SourceUrl);
  const std::string domain = GetUrlSiteRoot(WithScheme(tree, baseUrl));
  int result = 0;

  THTMLTag tag;
  std::size_t pos = 0;
  for (bool more = parser.ReadFirstToken(pos, tag); more; more = parser.ReadNextToken(pos, tag)) {
    if (tag.Kind() == HtmlTokenKind::Tag && tag.AttributeCount() > 0) {
      const std::string name = platform::AnsiLowerCase(tag.Name());
      bool refresh = write && name == "meta" && tag.AttributeCount() >= 2 &&
                     platform::AnsiLowerCase(tag.Attributes(0).Name()) == "http-equiv" &&
                     platform::AnsiLowerCase(tag.Attributes(0).Value()) == "refresh" &&
                     platform::AnsiLowerCase(tag.Attributes(1).Name()) == "content";
      if (refresh) {
        THTMLEllement& content = tag.Attributes(1);
        const std::string value = content.Value();
        std::size_t at = 0;
        if (FindRefreshTarget(value, at)) {
          // A quoted URL (URL='next.html') is rewritten inside its quotes.
          std::size_t end = value.size();
          std::string quote;
          if (at < value.size() && (value[at] == '\'' || value[at] == '"')) {
            const std::size_t close = value.find(value[at], at + 1);
            if (close != std::string::npos) {
              quote.assign(1, value[at]);
              ++at;
              end = close;
            }
          }
          std::string_view target = std::string_view(value).substr(at, end - at);
          if (!target.empty() && !IsScriptOrMail(target)) {
            LinkTarget mapped;
            std::string link = LocalLink(layout, base, pageFolder, target, mapped);
            if (!quote.empty()) link = platform::AnsiReplaceAll(link, quote, quote == "'" ? "%27" : "%22");
            SetLinkValue(content, value.substr(0, at) + link + value.substr(end));
          }
        }
      } else {
        // A style sheet a page links to is as much part of it as its images.
        bool styleSheet = false;
        if (name == "link") {
          const int rel = tag.FindAttribute("rel");
          styleSheet = rel >= 0 && platform::AnsiLowerCase(tag.Attributes(rel).Value())
                                           .find("stylesheet") != std::string::npos;
        }
        for (int i = 0; i < tag.AttributeCount();) {
          THTMLEllement& attr = tag.Attributes(i);
          const std::string attrName = platform::AnsiLowerCase(attr.Name());
          const bool isSrc = attrName == "src" || attrName == "background" ||
                             (styleSheet && attrName == "href");
          if ((!isSrc && attrName != "href") || IsScriptOrMail(attr.Value())) {
            ++i;
            continue;
          }
          const std::string value = attr.Value();
          if (name == "base" && attrName == "href") {
            // Later links resolve against the page's declared base; the copy drops it
            // so that they resolve against the copy's own folder.
            if (tree.EnableScheme()) {
              base = CombineUrl(base, value);
            } else {
              base = DropScheme(CombineUrl(WithScheme(tree, base), AdjustLink(tree, value)));
            }
            tag.RemoveAttribute(i);
            continue;
          }
          LinkTarget target;
          SetLinkValue(attr, LocalLink(layout, base, pageFolder, value, target));
          if (isSrc && follow && target.node) {
            if (copyMethod == kCopyMethodAll || StartsWithNoCase(target.absolute, domain)) {
              TWebCacheTreeNode* found = const_cast<TWebCacheTreeNode*>(target.node);
              if (!list.Contains(found)) {
                list.AddNode(found);
                if (callbacks) callbacks->ProgressGrow();
                result = -1;
              }
            }
          }
          ++i;
        }
      }
    }
    if (write) {
      if (int code = out.Put(tag.Text())) return code;
    }
  }
  if (write) {
    if (int code = out.Close()) return code;
    if (bytesWritten) *bytesWritten = out.Written();
  }
  return result;
}

bool CopyNodes(const std::string& destination, std::string_view baseUrl, int& overwriteAnswer,
               int copyMethod, int folderCreation, TWebCacheTreeNodeCopyList& list,
               TCopyCallbacks& callbacks) {
  const std::string base = platform::AnsiReplaceAll(baseUrl, "//", "/");
  std::string dest = destination;
  if (!HasTrailingSeparator(dest)) dest.push_back(platform::kPathDelim);
  if (destination.empty()) {
    callbacks.ShowError(FolderCreateFailedText(destination, EINVAL), FolderCreateCaption());
    return false;
  }
  if (list.Count() == 0) return true;
  const Layout layout = MakeLayout(*list[0]->Tree(), base, folderCreation);

  int steps = 0;
  bool anyFailed = false;
  std::unordered_set<std::string> knownFolders;
  for (std::size_t i = 0; i < list.Count(); ++i) {
    TWebCacheTreeNode* node = list[i];
    if (node->Marked) continue;
    callbacks.ProgressStep();
    if (++steps % 10 == 0) callbacks.ProcessMessages();

    const TWebCacheEntryView entry = node->EntryInfo();
    const std::string cacheFile(entry.LocalFileName);
    const std::string localFolder = dest + layout.Folder(NodeSteps(node->Parent()));
    const std::string destPath = localFolder + LocalFileNameOf(*node);

    // A failure is shown; then the run stops, or the node is passed over.
    auto failed = [&](const std::string& text, const std::string& caption) {
      callbacks.ShowError(text, caption);
      if (!callbacks.GoOnAfterFailure()) return true;
      anyFailed = true;
      node->Marked = true;
      callbacks.FileFailed(*node, destPath);
      return false;
    };
    // Whatever the cache holds, nothing is written outside the destination.
    if (int code = CheckPathInsideFolder(dest, destPath)) {
      if (failed(FileCopyFailedText(cacheFile, destPath, code), FileCopyCaption())) {
        return false;
      }
      continue;
    }
    // Each local folder is looked for (and made) once per run.
    if (!EnsureLocalFolder(dest, localFolder, knownFolders)) {
      if (failed(FolderCreateFailedText(localFolder, ErrorOr(platform::LastError(), EIO)),
                 FolderCreateCaption())) {
        return false;
      }
      continue;
    }

    bool write = true;
    if (platform::FileOrDirectoryExists(destPath)) {
      if (overwriteAnswer == kOverwriteYes || overwriteAnswer == kOverwriteNo) {
        overwriteAnswer = callbacks.AskOverwrite(*node, destPath);
      }
      if (overwriteAnswer == kOverwriteCancel) return false;
      if (overwriteAnswer == kOverwriteNewer) {
        platform::FILETIME cached = 0, existing = 0;
        write = platform::SystemTimeToFileTime(entry.LastModified, cached) &&
                (!GetFileLocalWriteTime(destPath, existing) || cached > existing);
      } else if (overwriteAnswer == kOverwriteNo || overwriteAnswer == kOverwriteNoToAll) {
        write = false;
      }
    }

    const bool isHtml = IsHtmlEntry(entry);
    int result = 0;
    bool restart = false;
    std::uint64_t bytes = 0;
    if (isHtml) {
      result = RewriteHtmlFile(write, destPath, copyMethod, list, *node, base, &callbacks, &bytes,
                               folderCreation);
      if (result == -1) {
        restart = true;
        result = 0;
      }
    } else if (write) {
      if (!platform::CopyFileReplace(cacheFile, destPath, bytes)) {
        result = ErrorOr(platform::LastError(), EIO);
      }
    }

    if (write) {
      if (result > 0) {
        if (failed(FileCopyFailedText(cacheFile, destPath, result), FileCopyCaption())) {
          return false;
        }
        continue;
      }
      platform::FILETIME utc = 0;
      bool dated = EntryLastModifiedUtc(entry, utc);
      if (!dated) platform::SetLastError(EINVAL);
      if (!dated || !platform::SetFileLastWriteTime(destPath, utc)) {
        if (failed(FileDateFailedText(cacheFile, destPath,
                                      ErrorOr(platform::LastError(), EIO)),
                   FileCopyCaption())) {
          return false;
        }
        if (restart) i = static_cast<std::size_t>(-1);
        continue;
      }
    }
    node->Marked = true;
    callbacks.FileFinished(*node, destPath, write, isHtml && write, bytes);
    // Pages added images to the list: walk it again from the start (finished nodes are
    // marked and passed over).
    if (restart) i = static_cast<std::size_t>(-1);
  }
  return !anyFailed;
}
