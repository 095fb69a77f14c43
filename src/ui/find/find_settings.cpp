#include "ui/find/find_settings.h"

#include "platform/ini_file.h"

namespace ui {

namespace {

using S = TFindSettings;
#define TH_INT(section, key, field) \
  {section, key, [](S& s) -> int* { return &s.field; }, nullptr}
#define TH_BOOL(section, key, field) \
  {section, key, nullptr, [](S& s) -> bool* { return &s.field; }}

const TFindKey kKeys[] = {
    TH_INT("General", "Width", Width),
    TH_BOOL("General", "IgnoreCase", IgnoreCase),
    TH_INT("List", "Col01", Cols[0]),
    TH_INT("List", "Col02", Cols[1]),
    TH_INT("List", "Col03", Cols[2]),
    TH_INT("List", "Col04", Cols[3]),
    TH_INT("List", "Col05", Cols[4]),
    TH_INT("List", "Col06", Cols[5]),
    TH_INT("List", "SortType", SortType),
    TH_INT("List", "SortOrder", SortOrder),
    TH_BOOL("List", "AutoArrange", AutoArrange),
    TH_INT("List", "ViewStyle", ViewStyle),
};
#undef TH_INT
#undef TH_BOOL

}  // namespace

std::span<const TFindKey> FindKeys() { return kKeys; }

void ReadFindSettings(const std::string& path, TFindSettings& s) {
  platform::IniFile ini(path);
  ReadSettingsKeys(ini, FindKeys(), s);
}

void WriteFindSettings(const std::string& path, const TFindSettings& s) {
  platform::IniFile ini(path);
  ini.BeginUpdate();
  WriteSettingsKeys(ini, FindKeys(), s);
  ini.EndUpdate();
}

}  // namespace ui
