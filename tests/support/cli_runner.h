// Runs tollhaven-cli as a separate process for tests, with a clean environment
// (Tokyo time, a HOME without a Wine prefix), and splits its TSV output.
#pragma once

#include <string>
#include <vector>

namespace thtest {

struct CliResult {
  int code = -1;  // exit status; -1 when the tool is missing or did not exit
  std::string out, err;
};

// args are the arguments after the program name; `tag` names the scratch files;
// `home` is HOME for the run (default: a folder that does not exist).
CliResult RunCli(std::vector<std::string> args, const std::string& tag = "thcli",
                 const std::string& home = std::string());

// Lines split at TABs.
std::vector<std::vector<std::string>> TsvRows(const std::string& text);

}  // namespace thtest
