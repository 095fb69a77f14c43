#include "tree/copy_engine.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/file_utils.h"
#include "common/url.h"
#include "platform/codepage.h"
#include "platform/file_time.h"
#include "platform/files.h"
#include "text/html_parser.h"
#include "tree/combine_url.h"
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

// The folder text of a node below the destination.  With FolderCreation 1 the base is
// cut off the front; a folder that does not lie below the base (an image pulled in from
// elsewhere) keeps its whole URL rather than losing an arbitrary number of characters.
std::string LocalFolderText(std::string_view folderUrl, const std::string& base,
                            int folderCreation) {
  std::string folder = platform::AnsiReplaceAll(folderUrl, "//", "/");
  if (folderCreation == kFolderCreationBelowUrl && !base.empty() &&
      StartsWithNoCase(folder, base)) {
    folder.erase(0, base.size());
  }
  return folder;
}

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

// The folder URL under which a file node's copy lies: its tree folder's, whose case is
// that of the first URL met in that folder.  URLs that differ only in case share one
// tree folder, and on a file system that tells case apart they must share one local
// folder too.
std::string MirrorFolderUrl(const TWebCacheTreeNode& node) {
  const TWebCacheTreeNode* parent = node.Parent();
  if (parent && parent->Parent()) return parent->EntryInfo().FolderUrl;
  return node.EntryInfo().FolderUrl;
}

// The cached file a mapped link target names: a folder stands for its default file;
// a fragment is not part of the name.
TWebCacheTreeNode* FindTargetFile(const TWebCacheTree& tree, std::string_view target,
                                  std::string* fragment) {
  std::size_t hash = platform::AnsiFind(target, '#');
  std::string_view url = target.substr(0, hash);
  TWebCacheTreeNode* node = tree.FindNodeByUrl(url);
  if (node && node->IsFolder()) {
    if (url.empty() || url.back() != '/') return nullptr;
    node = tree.FindNodeByUrl(std::string(url) + tree.DefaultFileName);
  }
  if (!node || node->IsFolder()) return nullptr;
  if (fragment) fragment->assign(hash == std::string_view::npos ? "" : target.substr(hash));
  return node;
}

// How the copy lays out folders: the destination-relative path of a folder URL.
struct Layout {
  const TWebCacheTree& tree;
  std::string base;  // "//" folded; cut off the front with FolderCreation 1
  int folderCreation;

  std::string Folder(std::string_view folderUrl) const {
    std::string folder = tree.EnableScheme() ? std::string(folderUrl) : DropScheme(folderUrl);
    return UrlToLocalPath(LocalFolderText(folder, base, folderCreation));
  }
};

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

// A local path as a link: what a browser decodes back to the name is escaped, along
// with what the window's links have always escaped.
std::string EscapeLinkPath(std::string_view path) {
  static const char kEscaped[] = "%#?\\:*\"<>|";
  std::string out;
  out.reserve(path.size());
  for (std::size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (platform::IsLeadByte(c) && i + 1 < path.size()) {
      out.append(path.substr(i, 2));
      ++i;
    } else if (c != 0 && std::strchr(kEscaped, c)) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02x", c);
      out += hex;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

// A link made local: resolved against `base` (the page's folder, or what a base tag
// declared) and mapped as LinkToLocal maps it, then written as the path from the page's
// own copy to where the target's copy lies (or would lie).  Working from the local
// layout rather than from the URLs keeps links right where the two differ: the copy
// drops the base tag, URLs that differ only in case share one local folder and name
// (case matters on this file system), folder names hold escapes ("h$3a8080" for a
// port), and with FolderCreation 1 a target outside the base URL lies in its whole-URL
// folder inside the destination.  `target` receives the mapped absolute target.
std::string LocalLink(const Layout& layout, const std::string& base, const std::string& pageFolder,
                      std::string_view link, std::string& target) {
  const TWebCacheTree& tree = layout.tree;
  target = tree.MapLinkTarget(WithScheme(tree, base), AdjustLink(tree, link));
  std::string folder, name, extra;
  if (const TWebCacheTreeNode* node = FindTargetFile(tree, target, &extra)) {
    folder = MirrorFolderUrl(*node);
    name = node->GetDisplayName();
  } else {
    SplitUrl(target, &folder, &name, &extra);
    if (name.empty()) name = tree.DefaultFileName;
    if (extra.empty() || extra[0] != '#') extra.clear();  // only a fragment is kept
  }
  const std::string to = layout.Folder(folder) + UrlToLocalPath(name);
  return EscapeLinkPath(RelativeLocalPath(layout.Folder(pageFolder), to)) + extra;
}

// A new value that an unquoted attribute could not hold as it is gets quotes.
void SetLinkValue(THTMLEllement& attr, const std::string& value) {
  if (attr.Quote().empty() && !attr.Separator().empty() &&
      value.find_first_of(" \t\r\n>'\"") != std::string::npos) {
    attr.SetQuote(value.find('"') == std::string::npos ? "\"" : "'");
  }
  attr.SetValue(value);
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
  parser.SetFileName(node.EntryInfo().LocalFileName);
  const std::string pageFolder = MirrorFolderUrl(node);
  const Layout layout{tree, platform::AnsiReplaceAll(baseUrl, "//", "/"), folderCreation};
  std::string base = pageFolder;
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
          std::string_view target = std::string_view(value).substr(at);
          if (!target.empty() && !IsScriptOrMail(target)) {
            std::string mapped;
            content.SetValue(value.substr(0, at) + LocalLink(layout, base, pageFolder, target, mapped));
          }
        }
      } else {
        for (int i = 0; i < tag.AttributeCount();) {
          THTMLEllement& attr = tag.Attributes(i);
          const std::string attrName = platform::AnsiLowerCase(attr.Name());
          const bool isSrc = attrName == "src" || attrName == "background";
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
          std::string target;
          SetLinkValue(attr, LocalLink(layout, base, pageFolder, value, target));
          if (isSrc && follow) {
            if (copyMethod == kCopyMethodAll || StartsWithNoCase(target, domain)) {
              TWebCacheTreeNode* found = FindTargetFile(tree, target, nullptr);
              if (found && !list.Contains(found)) {
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

  int steps = 0;
  std::string knownFolder;
  for (std::size_t i = 0; i < list.Count(); ++i) {
    TWebCacheTreeNode* node = list[i];
    if (node->Marked) continue;
    callbacks.ProgressStep();
    if (++steps % 10 == 0) callbacks.ProcessMessages();

    const TWebCacheEntryInfoEx& entry = node->EntryInfo();
    const std::string localFolder =
        dest + UrlToLocalPath(LocalFolderText(MirrorFolderUrl(*node), base, folderCreation));
    const std::string destPath = localFolder + UrlToLocalPath(node->GetDisplayName());

    // Whatever the cache holds, nothing is written outside the destination.
    if (int code = CheckPathInsideFolder(dest, destPath)) {
      callbacks.ShowError(FileCopyFailedText(entry.LocalFileName, destPath, code),
                          FileCopyCaption());
      return false;
    }
    // Files of one folder come one after the other: its existence is checked once.
    if (localFolder != knownFolder && !FolderExists(localFolder) &&
        !CreateFolderPath(localFolder)) {
      callbacks.ShowError(FolderCreateFailedText(localFolder, ErrorOr(platform::LastError(), EIO)),
                          FolderCreateCaption());
      return false;
    }
    knownFolder = localFolder;

    bool write = true;
    if (platform::FileExists(destPath) || platform::DirectoryExists(destPath)) {
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
      if (platform::CopyFileReplace(entry.LocalFileName, destPath)) {
        std::uint64_t size = 0;
        bytes = platform::GetFileSize(destPath, size) ? size : entry.Size;
      } else {
        result = ErrorOr(platform::LastError(), EIO);
      }
    }

    if (write) {
      if (result > 0) {
        callbacks.ShowError(FileCopyFailedText(entry.LocalFileName, destPath, result),
                            FileCopyCaption());
        return false;
      }
      platform::FILETIME local = 0, utc = 0;
      bool dated = platform::SystemTimeToFileTime(entry.LastModified, local) &&
                   platform::LocalFileTimeToFileTime(local, utc);
      if (!dated) platform::SetLastError(EINVAL);
      if (!dated || !platform::SetFileLastWriteTime(destPath, utc)) {
        callbacks.ShowError(
            FileDateFailedText(entry.LocalFileName, destPath, ErrorOr(platform::LastError(), EIO)),
            FileCopyCaption());
        return false;
      }
    }
    node->Marked = true;
    callbacks.FileFinished(*node, destPath, write, isHtml && write, bytes);
    // Pages added images to the list: walk it again from the start (finished nodes are
    // marked and passed over).
    if (restart) i = static_cast<std::size_t>(-1);
  }
  return true;
}
