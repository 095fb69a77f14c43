// Loads arbitrary bytes as a registry file and walks everything that was read.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/registry.h"

#include "fuzz_scratch.h"

namespace {

void Walk(const platform::Registry& reg, platform::RootKey root, const std::string& key,
          int depth) {
  (void)reg.ReadString(root, key, "");
  (void)reg.ReadString(root, key, "Content Type");
  if (depth > 8) return;
  for (const std::string& sub : reg.SubKeys(root, key)) {
    Walk(reg, root, key.empty() ? sub : key + "\\" + sub, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::ScratchFile("/tmp/th_reg_fuzz_XXXXXX");
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  platform::Registry reg;
  if (!reg.LoadRegFile(path)) return 0;
  for (auto root : {platform::RootKey::CurrentUser, platform::RootKey::LocalMachine,
                    platform::RootKey::ClassesRoot}) {
    Walk(reg, root, "", 0);
  }
  return 0;
}
