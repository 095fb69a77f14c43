// Read-only registry.  On this host the data comes from Wine registry files
// (user.reg = HKEY_CURRENT_USER, system.reg = HKEY_LOCAL_MACHINE, whose
// Software\Classes is HKEY_CLASSES_ROOT) or from a REGEDIT4 / "Windows Registry
// Editor Version 5.00" export.  Names and values are ANSI text.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class RootKey { CurrentUser, LocalMachine, ClassesRoot };

class Registry {
 public:
  Registry();
  ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  // Loads user.reg and system.reg of a Wine prefix (missing files are empty; false
  // only when the folder itself is missing).  Loading adds to what is loaded.
  bool LoadWinePrefix(const std::string& hostDir);
  // Loads an exported .reg file (REGEDIT4 in ANSI or UTF-8, version 5.00 in UTF-16 or
  // UTF-8; a Wine file works too); keys are placed under their named root,
  // HKEY_CLASSES_ROOT\x under HKEY_LOCAL_MACHINE\Software\Classes\x.  False for a
  // missing file or one without a known header line; nothing is loaded then.
  bool LoadRegFile(const std::string& hostPath);
  void Clear();

  bool KeyExists(RootKey root, const std::string& key) const;
  // Value "" or "@" reads the key's default value.  Strings (REG_SZ; REG_EXPAND_SZ
  // unexpanded; the first string of REG_MULTI_SZ) come back as ANSI text, a DWORD
  // as its decimal text; binary values and missing ones give nullopt.
  // Under ClassesRoot the user's Software\Classes is read before the machine's.
  std::optional<std::string> ReadString(RootKey root, const std::string& key,
                                        const std::string& value) const;
  std::vector<std::string> SubKeys(RootKey root, const std::string& key) const;

  // Human-readable description of where the data came from.
  std::string Source() const;

  // The process-wide registry.  On first use it loads $TOLLHAVEN_REGISTRY when set,
  // else the Wine prefix ($WINEPREFIX, default ~/.wine).
  static Registry& Current();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
