// tollhaven-cli: the command-line front end.
//   tollhaven-cli [global options] COMMAND [arguments]
// Global options set up where the registry, the cache and the settings come from;
// the command does the work.  Usage errors exit with 2.
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_commands.h"

namespace {

void PrintUsage(std::ostream& out) {
  out << "usage: tollhaven-cli [options] COMMAND [arguments]\n"
         "\n"
         "options (before the command):\n"
         "  --prefix DIR     Wine prefix with the browser's registry and drive C:\n"
         "  --registry FILE  REGEDIT4 registry export to read instead\n"
         "  --fat-db FILE    read this FAT.DB (or index.db); skip looking for it\n"
         "  --cache-dir DIR  read the cache folder DIR (holding FAT.DB or index.db)\n"
         "  --netscape-home DIR\n"
         "                   read the Unix profile DIR (~/.netscape): its cache and bookmarks\n"
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

}  // namespace

int main(int argc, char** argv) {
  CliOptions options;
  bool help = false;
  const TStartupOption ownOptions[] = {
      {.Name = "-h", .Flag = &help, .EndsOptions = true},
      {.Name = "--help", .Flag = &help, .EndsOptions = true},
      {.Name = "--no-scheme", .Flag = &options.NoScheme},
  };
  const CliCommand* command = nullptr;
  TStartupRules rules;
  rules.Extra = ownOptions;
  rules.ArgumentEndsOptions = true;
  rules.AcceptArgument = [&command](std::string_view name) {
    for (const CliCommand& c : kCliCommands) {
      if (name == c.Name) command = &c;
    }
    return command != nullptr;
  };
  const std::vector<std::string> args(argv, argv + argc);
  const TStartupResult started = StartUp(args, rules, options);
  switch (started.Status) {
    case TStartupStatus::Ok:
      break;
    case TStartupStatus::Stopped:
      PrintUsage(std::cout);
      return kExitOk;
    case TStartupStatus::UnknownOption:
      return UsageError("unknown option " + started.Subject);
    case TStartupStatus::MissingValue:
      return UsageError(started.Subject + " needs a value");
    case TStartupStatus::NoArgument:
      PrintUsage(std::cerr);
      return kExitUsage;
    case TStartupStatus::RejectedArgument:
      return UsageError("unknown command " + started.Subject);
    case TStartupStatus::UnreadableRegistry:
      std::cerr << "tollhaven-cli: cannot read the registry file " << started.Subject << "\n";
      return kExitFailure;
  }
  options.ReadOnly = command->Settings == CliSettings::ReadOnly;
  CliContext context{options, std::vector<std::string>(args.begin() + started.Next + 1, args.end()),
                     std::cout, std::cerr};
  return command->Run(context);
}
