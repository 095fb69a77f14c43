// find.dat: what the find window remembers (its width, the result list's columns,
// sort, view style and arrangement, and the case option), read and written from one
// table of keys.
#pragma once

#include <span>
#include <string>

#include "ui/main/settings_keys.h"

namespace ui {

struct TFindSettings {
  int Width = 581;
  bool IgnoreCase = false;  // the check of "大文字と小文字の区別(&I)"
  int Cols[6] = {100, 100, 100, 100, 100, 100};
  int SortType = 5;
  int SortOrder = 0;
  bool AutoArrange = false;
  int ViewStyle = 3;
};

using TFindKey = TSettingsKey<TFindSettings>;
std::span<const TFindKey> FindKeys();

// A missing file or key keeps the value `s` holds.
void ReadFindSettings(const std::string& path, TFindSettings& s);
// Every key, in table order, in one write.
void WriteFindSettings(const std::string& path, const TFindSettings& s);

}  // namespace ui
