// A settings file written as one table of keys: each row names its section and key and
// where its value lives in the settings record, so reading and writing never drift apart.
#pragma once

#include <span>

#include "platform/ini_file.h"

namespace ui {

template <class S>
struct TSettingsKey {
  const char* section;
  const char* key;
  int* (*integer)(S&);  // one of these two is set
  bool* (*boolean)(S&);
};

// Reads every key of `keys`; a missing key keeps the value `s` holds.
template <class S>
void ReadSettingsKeys(platform::IniFile& ini, std::span<const TSettingsKey<S>> keys, S& s) {
  for (const TSettingsKey<S>& k : keys) {
    if (k.integer) {
      int* v = k.integer(s);
      *v = ini.ReadInteger(k.section, k.key, *v);
    } else {
      bool* v = k.boolean(s);
      *v = ini.ReadBool(k.section, k.key, *v);
    }
  }
}

// Writes every key of `keys` in table order.
template <class S>
void WriteSettingsKeys(platform::IniFile& ini, std::span<const TSettingsKey<S>> keys, const S& s) {
  S copy = s;
  for (const TSettingsKey<S>& k : keys) {
    if (k.integer) {
      ini.WriteInteger(k.section, k.key, *k.integer(copy));
    } else {
      ini.WriteBool(k.section, k.key, *k.boolean(copy));
    }
  }
}

}  // namespace ui
