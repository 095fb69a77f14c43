// Reads arbitrary bytes as favorites.dat, saves the store and reads it back: whatever
// the file held, what the store writes must read back as the same favorites.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "favorites/favorites.h"
#include "platform/ini_file.h"

#include "fuzz_scratch.h"

namespace {

// A carriage return inside a line is written as a blank (a value never breaks a line).
std::string Flat(std::string s) {
  for (char& c : s)
    if (c == '\r') c = ' ';
  return s;
}

bool Same(const TFavoriteItem& a, const TFavoriteItem& b) {
  return Flat(a.UrlName) == b.UrlName && Flat(a.PathName) == b.PathName &&
         Flat(a.Default) == b.Default && Flat(a.Title) == b.Title && a.Folder == b.Folder &&
         a.Method == b.Method &&
         a.Timer == b.Timer && a.Date == b.Date;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::ScratchFile("/tmp/th_favorites_fuzz_XXXXXX");
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  // Huge counts are legal but make each run slow; they are not what this looks for.
  if (platform::IniFile(path).ReadInteger("Favorites", "Count", 0) > 200) return 0;
  TFavorites first;
  first.ProgramFolder = "/prog/";
  first.SetFavoritesPath(path);
  first.DefaultFavorite().Date = {};
  if (!first.SaveFavorites()) std::abort();
  TFavorites second;
  second.ProgramFolder = "/prog/";
  second.SetFavoritesPath(path);
  if (second.Count() != first.Count()) std::abort();
  if (!Same(first.DefaultFavorite(), second.DefaultFavorite())) std::abort();
  for (int i = 0; i < first.Count(); ++i)
    if (!Same(*first.GetItem(i), *second.GetItem(i))) std::abort();
  return 0;
}
