// Reads arbitrary bytes as a settings file, then writes to it and reads it back.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/files.h"
#include "platform/ini_file.h"

#include "fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::ScratchFile("/tmp/th_ini_fuzz_XXXXXX");
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  platform::IniFile ini(path);
  for (const std::string& section : ini.ReadSections()) {
    if (!ini.SectionExists(section)) std::abort();
    for (const std::string& key : ini.ReadSection(section)) {
      if (!ini.ValueExists(section, key)) std::abort();
      (void)ini.ReadString(section, key, "");
      (void)ini.ReadInteger(section, key, 0);
      (void)ini.ReadBool(section, key, false);
    }
  }
  // A value written must read back unchanged, whatever the file held before.
  const std::string value(reinterpret_cast<const char*>(data), size < 16 ? size : 16);
  std::string clean;
  for (char c : value) clean.push_back(c == '\r' || c == '\n' ? ' ' : c);
  if (ini.WriteString("Fuzz", "Key", value) && ini.ReadString("Fuzz", "Key", "?") != clean)
    std::abort();
  if (ini.EraseSection("Fuzz") && ini.SectionExists("Fuzz")) std::abort();
  return 0;
}
