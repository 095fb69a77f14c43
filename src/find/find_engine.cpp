#include "find/find_engine.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

#include "find/find_text.h"
#include "platform/codepage.h"
#include "tree/web_cache_tree.h"

std::int32_t FindDayNumber(int year, int month, int day) {
  // Days from the civil calendar (H. Hinnant's algorithm).
  year -= month <= 2;
  const int era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(year - era * 400);
  const unsigned doy = (153u * static_cast<unsigned>(month + (month > 2 ? -3 : 9)) + 2) / 5 +
                       static_cast<unsigned>(day) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int32_t>(doe) - 719468;
}

void TFindData::AddName(const std::string& pattern) {
  auto it = std::lower_bound(Names.begin(), Names.end(), pattern);
  if (it == Names.end() || *it != pattern) Names.insert(it, pattern);
}

void TFindData::AddType(const std::string& extension) {
  auto it = std::lower_bound(Types.begin(), Types.end(), extension);
  if (it == Types.end() || *it != extension) Types.insert(it, extension);
}

// ---- the thread ----

TFindThread::TFindThread() = default;

TFindThread::~TFindThread() {
  Terminate();
  if (thread_.joinable()) thread_.join();
}

void TFindThread::SetCriteria(std::unique_ptr<TFindData> data) {
  criteria_ = std::move(data);
  masks_.clear();
  if (!criteria_) return;
  for (const std::string& p : criteria_->Names) masks_.emplace_back("*" + p + "*");
}

void TFindThread::Dispatch(const std::function<void()>& call) {
  if (Synchronize) Synchronize(call);
  else call();
}

void TFindThread::Resume() {
  if (started_) return;
  started_ = true;
  thread_ = std::thread([this] { Run(); });
}

void TFindThread::Run() {
  if (IdlePriority) {
    sched_param param{};
    param.sched_priority = 0;
    if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) != 0)
      setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
  }
  Execute();
}

void TFindThread::Execute() {
  if (criteria_ && criteria_->StartNode) SearchNode(criteria_->StartNode);
  if (OnTerminate) Dispatch([this] { OnTerminate(*this); });
  finished_.store(true, std::memory_order_release);
}

void TFindThread::WaitFor(const std::function<void()>& pump) {
  if (!thread_.joinable()) return;
  if (pump) {
    while (!Finished()) {
      pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  thread_.join();
}

bool TFindThread::NameMatches(const std::string& name) const {
  // The masks fold case themselves.  A malformed mask never matches, so the next one
  // gets its turn.
  for (const TFindMask& mask : masks_)
    if (mask.Matches(name)) return true;
  return false;
}

void TFindThread::SearchNode(TWebCacheTreeNode* node) {
  if (!node) return;
  if (OnFolder) {
    const std::string url(node->EntryInfo().FolderUrl);
    Dispatch([this, &url] { OnFolder(*this, url); });
  }
  for (std::size_t i = 0; i < node->Count() && !Terminated(); ++i) TestNode(node->Items(i));
  if (!criteria_ || !criteria_->SubFolders) return;
  for (std::size_t i = 0; i < node->Count() && !Terminated(); ++i) SearchNode(node->Items(i));
}

bool TFindThread::TestNode(TWebCacheTreeNode* node) {
  if (Terminated() || !node || !criteria_) return false;
  if (PausePerNode.count() > 0) std::this_thread::sleep_for(PausePerNode);
  ++tested_;
  const TFindData& c = *criteria_;
  const bool folder = node->IsFolder();
  if (folder && node->GetLevel() <= 1) return false;

  const TWebCacheEntryView entry = node->EntryInfo();
  if (c.DateEnabled) {
    const platform::SYSTEMTIME& t = entry.LastModified;
    std::int32_t day = FindDayNumber(t.wYear, t.wMonth, t.wDay);
    if (day < c.DateFrom || day > c.DateTo) return false;
  }
  std::string name;
  if (!folder) {
    if (c.SizeEnabled && (entry.Size < c.SizeMin || entry.Size > c.SizeMax)) return false;
    if (c.TypeEnabled) {
      name = node->GetDisplayName();
      std::size_t dot = platform::AnsiFindLast(name, '.');
      std::string ext =
          dot == platform::npos ? std::string() : platform::AnsiLowerCase(name.substr(dot));
      if (!std::binary_search(c.Types.begin(), c.Types.end(), ext)) return false;
    }
  } else if (c.TypeEnabled) {
    return false;
  }
  if (!masks_.empty()) {
    if (name.empty()) name = node->GetDisplayName();
    if (!NameMatches(name)) return false;
  }
  if (!c.Contains.empty()) {
    if (folder) return false;
    if (!FileContainsText(std::string(entry.LocalFileName), c.Contains, c.IgnoreCase)) return false;
  }
  FoundNode = node;
  if (OnFound) Dispatch([this, node] { OnFound(*this, node); });
  return true;
}
