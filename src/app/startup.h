// How both programs start: the options they share (--prefix, --registry, --fat-db,
// --cache-dir, --netscape-home, --settings), pointing the platform layer at the Wine prefix, registry and settings
// folder those name, the cache source, and the settings files the cache tree keeps
// (renameList.dat, contentType.dat).  The window and tollhaven-cli each add their own
// options and word the failures in their own language.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cache/netscape_location.h"

class TWebCacheSource;
class TWebCacheTree;

struct TStartupOptions {
  std::string Prefix;        // --prefix DIR: Wine prefix holding registry and drive C:
  std::string RegistryFile;  // --registry FILE: REGEDIT4 export used instead
  std::string FatDb;         // --fat-db FILE: read this FAT.DB, skip the location step
  std::string CacheDir;      // --cache-dir DIR: a bare cache folder (FAT.DB or index.db)
  std::string NetscapeHome;  // --netscape-home DIR: a Unix profile folder (~/.netscape)
  std::string SettingsDir;   // --settings DIR: where settings files live
  // Settings files are read but never written (commands that only look at the cache).
  bool ReadOnly = false;
};

// An option that one program adds to the shared ones: "--name VALUE" / "--name=VALUE"
// when Value is set, a flag when Flag is set.  A flag that ends the options (-h) stops
// start-up with TStartupStatus::Stopped before anything is applied.
struct TStartupOption {
  std::string_view Name;
  std::string* Value = nullptr;
  bool* Flag = nullptr;
  bool EndsOptions = false;
};

struct TStartupRules {
  std::span<const TStartupOption> Extra;
  // True: the options end at the first argument that does not start with "--" (a
  // command), which must be there; false: every argument is an option.
  bool ArgumentEndsOptions = false;
  // Asked about that argument before anything is applied; false rejects it.
  std::function<bool(std::string_view)> AcceptArgument;
};

enum class TStartupStatus {
  Ok,
  Stopped,             // a flag that ends the options was given
  UnknownOption,       // Subject: the argument as given
  MissingValue,        // Subject: the option name (no value, or an empty one)
  NoArgument,          // ArgumentEndsOptions, and nothing follows the options
  RejectedArgument,    // Subject: the argument AcceptArgument refused
  UnreadableRegistry,  // Subject: the --registry file
};

struct TStartupResult {
  TStartupStatus Status = TStartupStatus::Ok;
  std::string Subject;
  std::size_t Next = 0;  // with ArgumentEndsOptions: the index of that argument
};

// Reads the options from args (args[0] is the program) into `options` and the extra
// options' targets, then, when all are valid, sets the Wine prefix, the settings
// folder and the process-wide registry from them.
TStartupResult StartUp(const std::vector<std::string>& args, const TStartupRules& rules,
                       TStartupOptions& options);

// How the options say the cache is found: the FAT.DB given, the cache folder given,
// the Unix profile given; without any location option (--prefix, --registry,
// TOLLHAVEN_REGISTRY included) the Wine prefix's profile, then ~/.netscape.
TCacheSearch CacheSearchFor(const TStartupOptions& options);

// The cache that the options name (found afresh at each enumeration).
std::unique_ptr<TWebCacheSource> MakeCacheSource(const TStartupOptions& options);

// Gives the tree the rename list and the content-type table of the settings folder;
// read-only trees never write them back.
void UseSettingsFiles(TWebCacheTree& tree, bool readOnly = false);
