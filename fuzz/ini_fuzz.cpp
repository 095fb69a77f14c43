// Reads arbitrary bytes as a settings file, then writes to it and reads it back.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/codepage.h"
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
  // A value that ends in half a double-byte character is not text: its last byte
  // pairs with whatever follows it in the file (the closing quote), as it would on
  // Windows, so only whole text has to come back unchanged.
  std::size_t pos = 0;
  while (pos < value.size())
    pos += platform::IsLeadByte(static_cast<unsigned char>(value[pos])) ? 2 : 1;
  const bool wholeText = pos == value.size();
  if (ini.WriteString("Fuzz", "Key", value) && wholeText &&
      ini.ReadString("Fuzz", "Key", "?") != clean)
    std::abort();
  if (ini.EraseSection("Fuzz") && ini.SectionExists("Fuzz")) std::abort();
  return 0;
}
