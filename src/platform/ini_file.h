// INI files with private-profile semantics: a missing file, section or key gives
// the caller's default; names match without regard to case; writing one key keeps
// every other section and key in its order.  Values that the format would
// otherwise change on the way back (leading or trailing blanks, enclosing quotes)
// are written inside quotes, which reading removes again; line breaks in values
// become blanks, and names that would break the file are refused.
//
// An object reads its file once, on first use, and answers every later read from
// that copy (thousands of keys cost one read and one parse).  A write goes to disk
// at once, whole and atomically (temporary file, then rename); when the file was
// changed by someone else since this object read or wrote it, the write is applied
// to the file's new content, so no key written elsewhere is lost.  Between
// BeginUpdate and EndUpdate writes only change the copy in memory, and EndUpdate
// writes the file once.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

class IniFile {
 public:
  explicit IniFile(std::string path);
  ~IniFile();
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  const std::string& FileName() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  // False when the name would break the file, or the file could not be written (the
  // object then reads what the file holds).
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

  // Collects the writes up to the matching EndUpdate, which writes the file in one
  // piece when anything changed.  EndUpdate returns false when that write failed;
  // the collected changes are then dropped and the object reads what the file holds.
  void BeginUpdate();
  bool EndUpdate();

 private:
  struct Content;
  Content& Loaded() const;
  // Before a change: takes in the file's current bytes when they differ from the
  // ones this object last read or wrote.
  Content& Current();
  // After a change: writes the file unless an update collects the changes.
  bool Changed();
  bool Store();

  std::string path_;
  mutable std::unique_ptr<Content> content_;
  int updates_ = 0;
  bool pending_ = false;
};

}  // namespace platform
