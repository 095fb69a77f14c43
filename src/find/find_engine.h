// The find engine: a walk over the cache tree below a start folder that reports every
// file and folder meeting the criteria (name masks, contained text, date range, types,
// size range).  The walk runs on its own thread at idle priority and hands each hit to
// the caller through a synchronous dispatcher, so that a window adds the hit on its
// user-interface thread while the walk waits.
//
// The walk only reads: the tree, the nodes' entries and the cached files.  The tree
// must not change while it runs.  Whoever deletes nodes (the find window's delete of
// hits, a refresh) first stops the search: Terminate(), then WaitFor() with a pump
// that keeps the user-interface thread's pending dispatches running, and only then
// touches the tree.  The window keeps its delete command disabled while a search
// runs; the end event is where it becomes available again.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "find/find_masks.h"
#include "find/find_text.h"

class TWebCacheTreeNode;

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int32_t FindDayNumber(int year, int month, int day);

struct TFindData {
  std::vector<std::string> Names;  // FindFoldCase'd masks, sorted, no duplicates; empty = any
  bool IgnoreCase = true;
  std::string Contains;            // FindFoldCase'd when IgnoreCase; empty = no text test
  TWebCacheTreeNode* StartNode = nullptr;
  bool SubFolders = true;
  bool DateEnabled = false;
  std::int32_t DateFrom = 0;       // FindDayNumber values, both included
  std::int32_t DateTo = 0;
  bool TypeEnabled = false;
  std::vector<std::string> Types;  // lower-cased extensions with their '.', sorted
  bool SizeEnabled = false;
  std::uint32_t SizeMin = 0;       // bytes, both included
  std::uint32_t SizeMax = 0xFFFFFFFFu;

  // Inserts keeping the lists sorted and free of duplicates.
  void AddName(const std::string& pattern);
  void AddType(const std::string& extension);
};

class TFindThread {
 public:
  using FoundEvent = std::function<void(TFindThread&, TWebCacheTreeNode*)>;
  using FolderEvent = std::function<void(TFindThread&, const std::string&)>;
  using EndEvent = std::function<void(TFindThread&)>;
  // Runs the given call on the user-interface thread and returns when it has run.
  // The default runs it at once on the calling thread.
  using Dispatcher = std::function<void(const std::function<void()>&)>;

  // Created suspended: nothing runs until Resume or Execute.
  TFindThread();
  // Requests termination and waits for the walk to end.
  ~TFindThread();
  TFindThread(const TFindThread&) = delete;
  TFindThread& operator=(const TFindThread&) = delete;

  void SetCriteria(std::unique_ptr<TFindData> data);
  const TFindData* Criteria() const { return criteria_.get(); }

  FoundEvent OnFound;
  FolderEvent OnFolder;
  EndEvent OnTerminate;  // the end event, after the walk, completed or stopped
  Dispatcher Synchronize;

  // Pause per tested node, so that a window stays responsive (the window keeps 1 ms;
  // the command line passes 0).
  std::chrono::microseconds PausePerNode{1000};
  // Run the thread at idle priority (SCHED_IDLE, else the lowest nice value).
  bool IdlePriority = true;

  // Starts the walk on its own thread.  Once only.
  void Resume();
  // Runs the walk on the calling thread (the command line; tests).
  void Execute();

  void Terminate() { terminated_.store(true, std::memory_order_relaxed); }
  bool Terminated() const { return terminated_.load(std::memory_order_relaxed); }
  // True once the end event has run.
  bool Finished() const { return finished_.load(std::memory_order_acquire); }
  // Waits for the thread to end.  `pump` is called repeatedly meanwhile; a caller on
  // the user-interface thread passes its event processing so that a pending
  // dispatch can complete.  Without a pump it simply joins.
  void WaitFor(const std::function<void()>& pump = {});

  TWebCacheTreeNode* FoundNode = nullptr;
  // Nodes tested (for status and benchmarks).
  std::uint64_t TestedCount() const { return tested_; }

  void SearchNode(TWebCacheTreeNode* node);
  bool TestNode(TWebCacheTreeNode* node);

 private:
  void Dispatch(const std::function<void()>& call);
  void Run();
  bool NameMatches(const std::string& name) const;

  std::unique_ptr<TFindData> criteria_;
  std::vector<TFindMask> masks_;  // Names compiled, in the list's order
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  bool started_ = false;
  std::thread thread_;
  std::uint64_t tested_ = 0;
};
