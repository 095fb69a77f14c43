#include "support/cli_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "platform/files.h"

namespace thtest {

CliResult RunCli(std::vector<std::string> args, const std::string& tag, const std::string& homeDir) {
  CliResult r;
  const std::string tool = TH_CLI_TOOL;
  if (tool.empty()) return r;
  args.insert(args.begin(), tool);
  // One pair of scratch files per process: ctest runs test processes side by side.
  const std::string outFile = platform::TempFolder() + tag + "_out_" + std::to_string(getpid());
  const std::string errFile = outFile + ".err";
  const std::string home =
      "HOME=" + (homeDir.empty() ? platform::TempFolder() + tag + "_nohome" : homeDir);
  pid_t pid = fork();
  if (pid == 0) {
    int o = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int e = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(o, 1);
    dup2(e, 2);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string homeVar = home;
    char tz[] = "TZ=Asia/Tokyo";
    char* envp[] = {tz, homeVar.data(), nullptr};
    execve(argv[0], argv.data(), envp);
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  platform::ReadWholeFile(outFile, r.out);
  platform::ReadWholeFile(errFile, r.err);
  unlink(outFile.c_str());
  unlink(errFile.c_str());
  return r;
}

std::vector<std::vector<std::string>> TsvRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> f;
    std::size_t start = 0;
    for (;;) {
      std::size_t tab = line.find('\t', start);
      f.push_back(line.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    rows.push_back(f);
  }
  return rows;
}

}  // namespace thtest
