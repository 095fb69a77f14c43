// Content search of the find engine: whether a cached body holds a text, in whichever
// Japanese code the body is written.
#pragma once

#include <string>
#include <string_view>

// True when the cached body at `path` contains `text`: JIS and EUC-JP bodies are
// converted to Shift_JIS first (binary ones are searched as they are); with
// `ignoreCase` ASCII letters are folded (never a trail byte; `text` is expected to be
// folded already), and a match never starts on a trail byte.  A file that cannot be
// read contains nothing.
bool FileContainsText(const std::string& path, std::string_view text, bool ignoreCase);
// The same on bytes in memory.
bool BytesContainText(std::string_view content, std::string_view text, bool ignoreCase);
