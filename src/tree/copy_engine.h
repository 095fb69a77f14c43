// The copy to local disk: cached objects are written into a folder tree that mirrors
// their URLs, plain files byte for byte, HTML pages token by token with every link,
// image and background made relative to the local copy.  Images and backgrounds that
// the pages use can be pulled into the same copy.  Every written file gets the cached
// object's date.
//
// One engine serves every copy command (copy to a folder, favorites, drag to the shell,
// the command line).  Questions, messages and progress go through TCopyCallbacks, which
// the caller implements: dialogs in the window, the terminal in the command line, a
// recorder in tests.  Message texts are CP932 like all text of the core.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TWebCacheTreeNode;
class TWebCacheTreeNodeCopyList;

// Which files referenced by copied pages are added to the copy.
inline constexpr int kCopyMethodBelowUrl = 1;   // "URL以下": nothing beyond the list
inline constexpr int kCopyMethodSameDomain = 2; // "同一ドメイン内": images on the base's host
inline constexpr int kCopyMethodAll = 3;        // "すべて": every cached image

// Where a node's folder goes below the destination.
inline constexpr int kFolderCreationBelowUrl = 1;  // "URL以下を作成": folder URL minus the base
inline constexpr int kFolderCreationFromStart = 2; // "URLの最初から作成": the whole folder URL

// The overwrite dialog's results; the answer persists through a run.
inline constexpr int kOverwriteYes = 6;
inline constexpr int kOverwriteNo = 7;
inline constexpr int kOverwriteAll = 10;
inline constexpr int kOverwriteNoToAll = 9;
inline constexpr int kOverwriteNewer = -1;
inline constexpr int kOverwriteCancel = 2;

class TCopyCallbacks {
 public:
  virtual ~TCopyCallbacks() = default;
  // An existing destination file while the answer is 6 or 7: one of the results above.
  virtual int AskOverwrite(const TWebCacheTreeNode& node, const std::string& existingPath) = 0;
  // A failure that stops the run (stop icon); text and caption in CP932.
  virtual void ShowError(const std::string& text, const std::string& caption) = 0;
  // The progress position moves by one for each node taken up.
  virtual void ProgressStep() {}
  // A referenced image joined the copy list: the progress maximum grows by one.
  virtual void ProgressGrow() {}
  // Every tenth node, so that the caller can repaint and react.
  virtual void ProcessMessages() {}
  // A node is finished: `written` when its file was written (copied or rewritten),
  // `rewritten` when it went through the HTML rewriter; `bytes` written.
  virtual void FileFinished(const TWebCacheTreeNode& /*node*/, const std::string& /*path*/,
                            bool /*written*/, bool /*rewritten*/, std::uint64_t /*bytes*/) {}
  // Whether a file that cannot be written ends the run (the window's copy, after its
  // message) or is reported and passed over (a batch export, which must not lose a
  // whole recovery to one bad file).
  virtual bool GoOnAfterFailure() const { return false; }
  // A node that could not be copied, after its message; `path` is where it was to go.
  virtual void FileFailed(const TWebCacheTreeNode& /*node*/, const std::string& /*path*/) {}
};

// Adds a file node, or every file below a folder, to the copy list.
void CollectFiles(TWebCacheTreeNode* node, TWebCacheTreeNodeCopyList& list);

// Copies every unmarked node of `list` below `destination`.  `baseUrl` is the URL the
// copy starts from (cut off the front of folder URLs with FolderCreation 1; its site
// is the domain of CopyMethod 2).  `overwriteAnswer` is read and updated (callers
// start a run with kOverwriteYes).  True when every node was finished; false when the
// run stopped on an error (already shown through `callbacks`) or a cancel, or, when
// the callbacks go on after failures, when any node failed.
bool CopyNodes(const std::string& destination, std::string_view baseUrl, int& overwriteAnswer,
               int copyMethod, int folderCreation, TWebCacheTreeNodeCopyList& list,
               TCopyCallbacks& callbacks);

// Writes the cached page of `node` to `destPath` with its links made local (only when
// `write`), and with CopyMethod 2 or 3 adds the cached images and backgrounds it uses to
// `list` (callbacks->ProgressGrow for each; callbacks may be null).  Returns 0 when
// done, a positive error code when the destination could not be created or written,
// -1 when nodes were added to the list.  `bytesWritten` (optional) receives the size.
// Links lead to where the copy puts their targets under `folderCreation`.
int RewriteHtmlFile(bool write, const std::string& destPath, int copyMethod,
                    TWebCacheTreeNodeCopyList& list, TWebCacheTreeNode& node,
                    std::string_view baseUrl, TCopyCallbacks* callbacks = nullptr,
                    std::uint64_t* bytesWritten = nullptr,
                    int folderCreation = kFolderCreationFromStart);

// 0 when `path` lies strictly below `destination` (the text of `path` must start with
// it) without any empty, "." or ".." step and with every name short enough for the
// host file system; otherwise the error code to report (EPERM for a path that would
// leave the folder, ENAMETOOLONG for a name over 255 bytes on the host).
int CheckPathInsideFolder(std::string_view destination, std::string_view path);

// The three failure messages, formatted (CP932).
std::string FolderCreateFailedText(const std::string& folder, int code);
std::string FileCopyFailedText(const std::string& cacheFile, const std::string& local, int code);
std::string FileDateFailedText(const std::string& cacheFile, const std::string& local, int code);
std::string FolderCreateCaption();  // "フォルダの作成"
std::string FileCopyCaption();      // "ファイルのコピー"
