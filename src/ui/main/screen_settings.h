// screen.dat: the window's settings, read and written from one table of keys, so
// that loading and saving can never spell a key differently.  Keys are written in
// the order of the table.
#pragma once

#include <span>
#include <string>

#include "ui/main/settings_keys.h"

namespace ui {

struct TScreenSettings {
  int Top = 0, Left = 0, Width = 0, Height = 0;
  bool ToolBar = true;
  bool StatusBar = true;
  int FavoriteSplit = 0;  // default: client height div 3 (filled in by the window)
  int CacheSplit = 0;     // default: client width div 3
  int FavoriteCols[3] = {100, 100, 100};
  int FavoriteSortType = 0;
  int FavoriteSortOrder = 0;
  int CacheCols[6] = {100, 100, 100, 100, 100, 100};
  int SortType = 5;
  int SortOrder = 0;
  bool AutoArrange = false;
  int ViewStyle = 3;
  bool Refresh = true;
  bool EnableScheme = true;
  // Set by reading: the file held the list's column widths.
  bool HaveCacheCols = false;
};

using TScreenKey = TSettingsKey<TScreenSettings>;
std::span<const TScreenKey> ScreenKeys();

// Reads every key; a missing file or key keeps the value `s` holds.
void ReadScreenSettings(const std::string& path, TScreenSettings& s);
// Writes every key in table order.
void WriteScreenSettings(const std::string& path, const TScreenSettings& s);

}  // namespace ui
