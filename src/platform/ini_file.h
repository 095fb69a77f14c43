// INI files with private-profile semantics: a missing file, section or key gives
// the caller's default; names match without regard to case; writing one key keeps
// every other section and key in its order.  Every write goes to disk at once
// (atomically: temporary file, then rename).  Values that the format would
// otherwise change on the way back (leading or trailing blanks, enclosing quotes)
// are written inside quotes, which reading removes again; line breaks in values
// become blanks, and names that would break the file are refused.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

class IniFile {
 public:
  explicit IniFile(std::string path);

  const std::string& FileName() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  bool WriteString(const std::string& section, const std::string& key,
                   const std::string& value);
  bool WriteInteger(const std::string& section, const std::string& key, int value);
  bool WriteBool(const std::string& section, const std::string& key, bool value);

  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  std::vector<std::string> ReadSections() const;
  std::vector<std::string> ReadSection(const std::string& section) const;  // key names
  bool EraseSection(const std::string& section);
  bool DeleteKey(const std::string& section, const std::string& key);

 private:
  struct Content;
  std::shared_ptr<const Content> Load() const;
  bool Store(const Content& content);

  std::string path_;
  // The parsed file, reused while the bytes on disk are unchanged, so that reading
  // many keys does not parse the file each time.  Not for use from two threads at once.
  mutable std::shared_ptr<const Content> cache_;
};

}  // namespace platform
