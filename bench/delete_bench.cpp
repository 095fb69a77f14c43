// Deletes 10,000 of the 100,000 entries of a generated Netscape cache in one batch and
// times it against one enumeration of the same cache (the tree's refresh), in one run.
// Also times a few deletes one URL at a time, the way a folder was deleted before.
//
//   delete_bench [count] [batch]
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cache/netscape_cache.h"
#include "cache/web_cache.h"
#include "platform/files.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Runs the generator; its key=value output goes to `log`.
bool Generate(std::size_t count, const std::string& prefix, const std::string& log) {
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) dup2(fd, 1);
    std::string n = std::to_string(count);
    execl(TH_MAKE_CACHE_TOOL, TH_MAKE_CACHE_TOOL, "--generate", n.c_str(), "--body-size", "16",
          prefix.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
  std::size_t batch = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 10000;
  std::string work = platform::CreateUniqueFolder(platform::TempFolder(), "thdelete");
  std::string prefix = work + "/prefix", log = work + "/tool.log";
  std::printf("generating %zu entries with make-netscape-cache ...\n", count);
  std::fflush(stdout);
  if (!Generate(count, prefix, log)) {
    std::fprintf(stderr, "delete_bench: the generator failed, see %s\n", log.c_str());
    return 1;
  }
  std::string toolOutput;
  platform::ReadWholeFile(log, toolOutput);
  std::size_t at = toolOutput.find("fat_db=");
  if (at == std::string::npos) return 1;
  at += 7;
  std::string fatDb = toolOutput.substr(at, toolOutput.find('\n', at) - at);

  // One enumeration, as the tree's refresh does it.
  TWebCache cache(std::make_unique<TNetscapeCacheSource>(fatDb));
  std::vector<std::string> urls;
  auto t0 = Clock::now();
  TWebCacheEntryInfo entry;
  for (bool more = cache.FindFirst(entry); more; more = cache.FindNext(entry)) urls.push_back(entry.SourceUrl);
  cache.FindClose();
  double enumerate = Seconds(t0);

  // Every tenth entry: spread over the whole index.
  std::vector<std::string> doomed;
  for (std::size_t i = 0; i < urls.size() && doomed.size() < batch; i += std::max<std::size_t>(1, urls.size() / batch))
    doomed.push_back(urls[i]);
  const std::size_t singles = 5;
  std::vector<std::string> single(doomed.end() - singles, doomed.end());
  doomed.resize(doomed.size() - singles);

  t0 = Clock::now();
  std::vector<bool> done = cache.DeleteEntries(doomed);
  double together = Seconds(t0);
  std::size_t deleted = 0;
  for (bool d : done) deleted += d;

  std::size_t deletedSingly = 0;
  t0 = Clock::now();
  for (const std::string& url : single) deletedSingly += cache.DeleteEntry(url);
  double oneEach = Seconds(t0) / singles;

  std::printf("entries %zu: one enumeration %.3f s\n", urls.size(), enumerate);
  std::printf("batch delete of %zu: %.3f s, %zu deleted; ratio to one enumeration %.2f (goal <= 3)\n",
              doomed.size(), together, deleted, together / enumerate);
  std::printf("one URL at a time: %.3f s per URL (%zu of %zu deleted), so %.0f s for the same batch\n",
              oneEach, deletedSingly, singles, oneEach * static_cast<double>(doomed.size()));
  platform::DeleteTreeSilent(work);
  return 0;
}
