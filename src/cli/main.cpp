// tollhaven-cli: the command-line front end.
//   tollhaven-cli [global options] COMMAND [arguments]
// Global options set up where the registry, the cache and the settings come from;
// the command does the work.  Usage errors exit with 2.
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_commands.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace {

void PrintUsage(std::ostream& out) {
  out << "usage: tollhaven-cli [options] COMMAND [arguments]\n"
         "\n"
         "options (before the command):\n"
         "  --prefix DIR     Wine prefix with the browser's registry and drive C:\n"
         "  --registry FILE  REGEDIT4 registry export to read instead\n"
         "  --fat-db FILE    read this FAT.DB; skip looking for it\n"
         "  --settings DIR   folder of the settings files\n"
         "  --no-scheme      leave out the scheme level of the cache tree\n"
         "  -h, --help       show this help\n"
         "\n"
         "commands:\n";
  for (const CliCommand& command : kCliCommands) {
    std::string head = std::string(command.Name);
    if (*command.Usage) head += std::string(" ") + command.Usage;
    out << "  " << head;
    for (std::size_t n = head.size(); n < 15; ++n) out << ' ';
    out << "  " << command.Summary << "\n";
  }
  out << "\nexport and copy-favorites ask before replacing a file (--overwrite ask); without a\n"
         "terminal to ask they answer --overwrite "
      << kCliOverwriteWithoutTerminal << " (replace only with a newer cached copy).\n";
}

int UsageError(const std::string& message) {
  std::cerr << "tollhaven-cli: " << message << "\n";
  std::cerr << "try 'tollhaven-cli --help'\n";
  return kExitUsage;
}

// Options that take a value, "--name VALUE" or "--name=VALUE".
std::string* ValueOption(CliOptions& options, std::string_view name) {
  if (name == "--prefix") return &options.Prefix;
  if (name == "--registry") return &options.RegistryFile;
  if (name == "--fat-db") return &options.FatDb;
  if (name == "--settings") return &options.SettingsDir;
  return nullptr;
}

// Points the platform layer at what the options name.
bool ApplyOptions(const CliOptions& options) {
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
      std::cerr << "tollhaven-cli: cannot read the registry file " << options.RegistryFile
                << "\n";
      return false;
    }
  } else if (!options.Prefix.empty()) {
    registry.Clear();
    registry.LoadWinePrefix(options.Prefix);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  CliOptions options;
  int i = 1;
  for (; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      PrintUsage(std::cout);
      return kExitOk;
    }
    if (arg == "--no-scheme") {
      options.NoScheme = true;
      continue;
    }
    if (arg.substr(0, 2) != "--") break;  // the command
    std::string_view name = arg;
    std::string_view value;
    bool inlineValue = false;
    if (std::size_t eq = arg.find('='); eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      inlineValue = true;
    }
    std::string* target = ValueOption(options, name);
    if (!target) return UsageError("unknown option " + std::string(arg));
    if (!inlineValue) {
      if (i + 1 >= argc) return UsageError(std::string(name) + " needs a value");
      value = argv[++i];
    }
    if (value.empty()) return UsageError(std::string(name) + " needs a value");
    *target = std::string(value);
  }
  if (i >= argc) {
    PrintUsage(std::cerr);
    return kExitUsage;
  }

  std::string_view commandName = argv[i];
  const CliCommand* command = nullptr;
  for (const CliCommand& c : kCliCommands) {
    if (commandName == c.Name) command = &c;
  }
  if (!command) return UsageError("unknown command " + std::string(commandName));

  if (!ApplyOptions(options)) return kExitFailure;
  CliContext context{options, std::vector<std::string>(argv + i + 1, argv + argc), std::cout,
                     std::cerr};
  return command->Run(context);
}
