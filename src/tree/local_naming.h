// The rules that turn a cached URL's file name into the local file name of its copy:
// the extension follows the content type, a query becomes a CRC tag, and clashes in
// one folder get a numbered suffix.  Pure functions; the tree applies them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TCrcTable;
class TWebCacheHeaderInfo;
struct TContentTypeItem;

// The extension of a file name from its last '.' on, dot included ("" when none).
std::string FileNameExtension(std::string_view name);
// The file name without that extension.
std::string FileNameStem(std::string_view name);

// The entry's content type as naming uses it: the "Content-Type" value lower-cased,
// cut before its first ';' and trimmed of blanks.
std::string NamingContentType(const TWebCacheHeaderInfo& header);

// The 8 lower-case hex digits of the CRC-32 (started from 0) over `query`.
std::string QueryTag(const TCrcTable& crc, std::string_view query);

// The local name for an object named `fileName` with extra part `queryPart` and the
// given content type (`row` is its content-type table item, or null).  Returns
// `fileName` itself when the name stays as it is.
std::string ChooseLocalFileName(std::string_view fileName, std::string_view queryPart,
                                std::string_view contentType, const TContentTypeItem* row,
                                const TCrcTable& crc);

// name without extension + "~" + counter as four digits + extension ("a~0001.gif").
std::string NumberedFileName(std::string_view name, int counter);

// The name under which a link target with an extra part (a query) would be stored:
// file name (or `defaultName` when empty) without extension + "~" + tag + extension.
std::string QueryFileName(std::string_view fileName, std::string_view extra,
                          std::string_view defaultName, const TCrcTable& crc);

// Longest name (one path step) the host file systems take, in bytes of UTF-8.
inline constexpr std::size_t kMaxLocalNameBytes = 255;

// The name a file or folder called `name` (a tree caption, already decoded) gets on
// disk.  A folder name has the characters no file name can hold escaped as "$xx"
// (EscapeFileName); a file name keeps its characters but the separators ('/' -> "$2f",
// '\' -> "$5c": a%2Fb.html is a$2fb.html, as `list` shows it).  "." and ".." are
// escaped, a zero byte ends the name, and a name whose UTF-8 form is longer than
// kMaxLocalNameBytes is cut and tagged with the CRC of the whole name, keeping its
// extension ("long...~1a2b3c4d.html").  The same name always gives the same result,
// so links can be worked out from it.
enum class TLocalNameKind { File, Folder };
std::string LocalNameOnDisk(std::string_view name, const TCrcTable& crc,
                            TLocalNameKind kind = TLocalNameKind::File);
