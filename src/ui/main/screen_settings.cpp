#include "ui/main/screen_settings.h"

#include "platform/ini_file.h"

namespace ui {

namespace {

using S = TScreenSettings;
#define TH_INT(section, key, field) \
  {section, key, [](S& s) -> int* { return &s.field; }, nullptr}
#define TH_BOOL(section, key, field) \
  {section, key, nullptr, [](S& s) -> bool* { return &s.field; }}

const TScreenKey kKeys[] = {
    TH_INT("General", "Top", Top),
    TH_INT("General", "Left", Left),
    TH_INT("General", "Width", Width),
    TH_INT("General", "Height", Height),
    TH_BOOL("General", "ToolBar", ToolBar),
    TH_BOOL("General", "StatusBar", StatusBar),
    TH_INT("General", "FavoriteSplit", FavoriteSplit),
    TH_INT("General", "CacheSplit", CacheSplit),
    TH_INT("Favorites", "Col01", FavoriteCols[0]),
    TH_INT("Favorites", "Col02", FavoriteCols[1]),
    TH_INT("Favorites", "Col03", FavoriteCols[2]),
    TH_INT("Favorites", "SortType", FavoriteSortType),
    TH_INT("Favorites", "SortOrder", FavoriteSortOrder),
    TH_INT("Cache", "Col01", CacheCols[0]),
    TH_INT("Cache", "Col02", CacheCols[1]),
    TH_INT("Cache", "Col03", CacheCols[2]),
    TH_INT("Cache", "Col04", CacheCols[3]),
    TH_INT("Cache", "Col05", CacheCols[4]),
    TH_INT("Cache", "Col06", CacheCols[5]),
    TH_INT("Cache", "SortType", SortType),
    TH_INT("Cache", "SortOrder", SortOrder),
    TH_BOOL("Cache", "AutoArrange", AutoArrange),
    TH_INT("Cache", "ViewStyle", ViewStyle),
    TH_BOOL("Cache", "Refresh", Refresh),
    TH_BOOL("Option", "EnableScheme", EnableScheme),
};
#undef TH_INT
#undef TH_BOOL

}  // namespace

std::span<const TScreenKey> ScreenKeys() { return kKeys; }

void ReadScreenSettings(const std::string& path, TScreenSettings& s) {
  platform::IniFile ini(path);
  ReadSettingsKeys(ini, ScreenKeys(), s);
  s.HaveCacheCols = ini.ValueExists("Cache", "Col01");
}

void WriteScreenSettings(const std::string& path, const TScreenSettings& s) {
  platform::IniFile ini(path);
  WriteSettingsKeys(ini, ScreenKeys(), s);
}

}  // namespace ui
