#include "app/startup.h"

#include <cstdlib>

#include "cache/netscape_cache.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "tree/web_cache_tree.h"

namespace {

std::string* SharedValueOption(TStartupOptions& options, std::string_view name) {
  if (name == "--prefix") return &options.Prefix;
  if (name == "--registry") return &options.RegistryFile;
  if (name == "--fat-db") return &options.FatDb;
  if (name == "--cache-dir") return &options.CacheDir;
  if (name == "--netscape-home") return &options.NetscapeHome;
  if (name == "--settings") return &options.SettingsDir;
  return nullptr;
}

const TStartupOption* ExtraOption(const TStartupRules& rules, std::string_view name) {
  for (const TStartupOption& option : rules.Extra) {
    if (option.Name == name) return &option;
  }
  return nullptr;
}

bool ApplyOptions(const TStartupOptions& options, TStartupResult& result) {
  if (!options.Prefix.empty()) platform::SetWinePrefix(options.Prefix);
  if (!options.SettingsDir.empty()) {
    std::string folder = options.SettingsDir;
    if (folder.back() != platform::kPathDelim) folder += platform::kPathDelim;
    platform::SetSettingsFolder(folder);
  }
  platform::Registry& registry = platform::Registry::Current();
  if (!options.RegistryFile.empty()) {
    registry.Clear();
    if (!registry.LoadRegFile(options.RegistryFile)) {
      result.Status = TStartupStatus::UnreadableRegistry;
      result.Subject = options.RegistryFile;
      return false;
    }
  } else if (!options.Prefix.empty()) {
    registry.Clear();
    registry.LoadWinePrefix(options.Prefix);
  }
  return true;
}

}  // namespace

TStartupResult StartUp(const std::vector<std::string>& args, const TStartupRules& rules,
                       TStartupOptions& options) {
  TStartupResult result;
  auto fail = [&result](TStartupStatus status, std::string_view subject) {
    result.Status = status;
    result.Subject = std::string(subject);
    return result;
  };
  std::size_t i = 1;
  for (; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (const TStartupOption* extra = ExtraOption(rules, arg); extra && extra->Flag) {
      *extra->Flag = true;
      if (extra->EndsOptions) return fail(TStartupStatus::Stopped, arg);
      continue;
    }
    const bool dashed = arg.substr(0, 2) == "--";
    if (!dashed && rules.ArgumentEndsOptions) break;
    std::string_view name = arg;
    std::string_view value;
    bool inlineValue = false;
    if (std::size_t eq = arg.find('='); dashed && eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      inlineValue = true;
    }
    std::string* target = SharedValueOption(options, name);
    if (!target) {
      const TStartupOption* extra = ExtraOption(rules, name);
      if (extra) target = extra->Value;
    }
    if (!target) return fail(TStartupStatus::UnknownOption, arg);
    if (!inlineValue) {
      if (i + 1 >= args.size()) return fail(TStartupStatus::MissingValue, name);
      value = args[++i];
    }
    if (value.empty()) return fail(TStartupStatus::MissingValue, name);
    *target = std::string(value);
  }
  result.Next = i;
  if (rules.ArgumentEndsOptions) {
    if (i >= args.size()) return fail(TStartupStatus::NoArgument, "");
    if (rules.AcceptArgument && !rules.AcceptArgument(args[i]))
      return fail(TStartupStatus::RejectedArgument, args[i]);
  }
  ApplyOptions(options, result);
  return result;
}

TCacheSearch CacheSearchFor(const TStartupOptions& options) {
  TCacheSearch search;
  search.IndexFile = options.FatDb;
  search.CacheFolder = options.CacheDir;
  search.NetscapeHome = options.NetscapeHome;
  const char* registryEnv = std::getenv("TOLLHAVEN_REGISTRY");
  search.HomeAfterRegistry = options.Prefix.empty() && options.RegistryFile.empty() &&
                             !(registryEnv && *registryEnv);
  return search;
}

std::unique_ptr<TWebCacheSource> MakeCacheSource(const TStartupOptions& options) {
  auto source = std::make_unique<TNetscapeCacheSource>(options.FatDb);
  source->SetSearch(CacheSearchFor(options));
  return source;
}

void UseSettingsFiles(TWebCacheTree& tree, bool readOnly) {
  const std::string folder = platform::SettingsFolder();
  tree.SetSettingsReadOnly(readOnly);
  tree.SetRenameListFile(platform::JoinPath(folder, "renameList.dat"));
  tree.SetContentTypeFile(platform::JoinPath(folder, "contentType.dat"));
}
