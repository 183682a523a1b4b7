#pragma once
// The message log's journal: a file in the log folder that holds every line
// of the log as it is logged, so that a run that ends without its close
// handling (a crash, a power cut, a killed process) leaves its lines behind.
// The next start turns a journal left behind into a log file.
//
// A writer thread of the journal's own appends the lines and flushes them to
// the disk; Append only queues, without a lock, so the logging thread never
// waits on the disk nor on the writer. One thread logs (Append, Restart,
// Flush, Start, Keep and Discard come from it alone). The file holds the bytes a log file of the same lines holds
// (LogFile.h). A running journal keeps an exclusive lock on its file, so a
// second program started in the same folder leaves it alone.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LogJournal {
 public:
  LogJournal() = default;
  // A journal neither kept nor discarded is discarded: a run that ends
  // without a crash leaves none behind.
  ~LogJournal();
  LogJournal(const LogJournal&) = delete;
  LogJournal& operator=(const LogJournal&) = delete;

  // Creates this program's journal in `folder`, holding `lines` to begin
  // with. False (and no journal) when the file cannot be created.
  bool Start(const std::string& folder, std::vector<std::string> lines);
  bool Active() const { return fd_ >= 0; }
  // The journal's file while active, else empty.
  const std::string& Path() const { return path_; }

  // Queues one line; written within moments. Nothing while not active.
  void Append(std::string line);
  // The journal holds `lines` from now on instead of what it held.
  void Restart(std::vector<std::string> lines);
  // Returns once every line queued so far is written and flushed.
  void Flush();

  // Stops and removes the file (its lines have been saved or are not wanted).
  void Discard();
  // Stops after writing what is queued and leaves the file for the next
  // start to recover.
  void Keep();

 private:
  struct Entry {
    bool restart = false;  // empty the file first; `line` is unused
    std::string line;
    Entry* next = nullptr;
  };
  void Push(Entry* entry);
  void Run();
  void Stop(bool discard);
  static void FreeList(Entry* list);

  int fd_ = -1;
  std::string path_;
  std::thread writer_;
  // Entries the writer has not taken yet, newest first. The logging thread
  // pushes without a lock, so a writer that is held up holds nothing up.
  std::atomic<Entry*> pending_{nullptr};
  std::atomic<uint32_t> pushes_{0};  // the writer waits on it
  std::atomic<bool> stop_{false};
  std::atomic<bool> discard_{false};
  uint64_t queued_ = 0;  // the logging thread's own count
  // Flush waits for the writer's count.
  std::mutex doneLock_;
  std::condition_variable written_;
  uint64_t done_ = 0;  // guarded by doneLock_
};

// What became of one journal that an earlier run left behind.
struct RecoveredJournal {
  std::string journalPath;
  std::string logPath;  // the log file it became; empty when it could not be moved
  int error = 0;        // errno of the failure when logPath is empty
};

// Turns every journal in `folder` that no running program holds into a log
// file in the same folder, named by `logFileNameFor` with the time of the
// journal's last write (a later time when that name is taken). Empty
// journals are removed without a log file.
std::vector<RecoveredJournal> RecoverJournals(
    const std::string& folder, const std::function<std::string(std::time_t)>& logFileNameFor);
