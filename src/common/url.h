// URL helpers shared by the tree, the list panes and the copy engine.
//
// URLs are plain ANSI (CP932) byte text: scheme, host and path are not parsed
// separately and '/' separates segments.  Every search for a character is double-byte
// aware, so a trail byte such as the 0x5C of a kanji never counts as a backslash.
// All functions are pure; none keeps state between calls.
#pragma once

#include <string>
#include <string_view>

// The three pieces SplitUrl cuts a URL into.
struct TUrlParts {
  std::string folder;    // up to and including the last '/', percent-decoded
  std::string fileName;  // behind the last '/', percent-decoded
  std::string extra;     // query, parameters and "name=value" tail, kept raw
};

// Cuts `url` into folder, file name and extra part:
//   "?..." and ";..." tails go to extra; a segment holding '=' or '$' (CGI-style
//   path parameters) moves, with everything behind it, to extra; the rest splits
//   at its last '/'.  Folder and file name come back through UrlDecodeText, the
//   extra part stays raw.
// Each output pointer may be null when the caller does not want that piece.
void SplitUrl(std::string_view url, std::string* folder, std::string* fileName,
              std::string* extra);
TUrlParts SplitUrl(std::string_view url);
// The same cut with nothing decoded: for URLs that are decoded already (the rename
// list's), which must not be decoded a second time ("100%.gif" is a name, not an escape).
TUrlParts SplitUrlRaw(std::string_view url);

// folder + fileName + extra of SplitUrl: the URL with its folder and file name
// decoded for display.
std::string DecodeUrl(std::string_view url);

// Percent-decoding.  "%xy" yields one byte (a non-hex digit counts as 0, missing digits
// at the end as 0); a zero byte ends the text.  When any '%' was present the bytes are
// then read as UTF-8 and converted to the ANSI code page when they are valid UTF-8
// that the code page can hold; otherwise, when they are valid Shift_JIS, they are
// taken as they are (old servers escaped Shift_JIS: "%93%FA" is 日); otherwise the text
// stays as it was, escapes and all.  Text without '%' is returned unchanged.
std::string UrlDecodeText(std::string_view text);

// "http://h/a/b.html" -> "http://h/a/"; a URL ending in '/' is returned unchanged;
// "" when there is no '/'.
std::string UrlFolder(std::string_view url);
// "http://h/a/b.html" -> "http://h/"; "" when no '/' is left.
std::string UrlParentFolder(std::string_view url);
// "http://h/a/b.html" -> "a".
std::string UrlFolderName(std::string_view url);
// "http://h/a/b.html" -> "b.html"; "" when the URL ends in '/'.
std::string UrlFileName(std::string_view url);

// The leading scheme, host and '/': "http://host/dir/x.html" -> "http://host/";
// "" when the URL has fewer than two '/' once "//" is folded.
std::string GetUrlSiteRoot(std::string_view url);

// Maps a URL onto a relative path below some destination folder, one folder per
// segment, using the host separator: "http://host/a/b.html" -> "http$3a/host/a/b.html".
//
// The result never names anything above its starting folder:
//  - "//" is folded to "/" and empty segments are skipped, so the result never starts
//    with a separator;
//  - folder segments go through EscapeFileName, so a segment that is exactly "." or
//    ".." is written as "$2e" / "$2e$2e";
//  - the file part (fileName + extra) keeps its characters except '/' -> "$2f" and
//    '\' -> "$5c" (either could be read as a separator), and a file part that is
//    exactly "." or ".." is escaped like a segment; a zero byte ends it.
// Segments are split at every '/' byte: '/' is never a CP932 trail byte, so this is
// the same as the double-byte aware split for valid text and stays safe for broken
// text (a lone lead byte before '/').
std::string UrlToLocalPath(std::string_view url);

// The relative reference that leads from the document `base` to `target`, both
// absolute, '/'-separated and in one tree (the mirror keeps hosts side by side):
//   ("http://host/a/b.html", "http://host/a/d/e.html") -> "d/e.html"
//   ("http://h1/a.html", "http://h2/b.html") -> "../h2/b.html"
// Segments are compared ignoring case in the user's locale.
std::string MakeRelativeUrl(std::string_view base, std::string_view target);

// Replaces the characters a file name cannot hold by "$xx" (lower-case hex):
// '\' '/' ':' '*' '"' '<' '>' '|'.  '?' and '$' are left alone.  A text that is exactly
// "." or ".." (no file can have that name) becomes "$2e" / "$2e$2e", so that a name
// escaped here never refers to its own or its parent folder.
std::string EscapeFileName(std::string_view text);
// Replaces the characters that would break a relative link by "%xx":
// '\' ':' '*' '?' '"' '<' '>' '|'.  '/' and '%' are left alone.
std::string EscapeUrlPath(std::string_view text);
