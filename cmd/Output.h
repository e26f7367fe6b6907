// SetwrightCmd's lines: results on standard output, reasons on standard
// error, and both in the log file when one is asked for. The log is opened
// only once every input has been read (so it can never cut a file that is
// about to be read), is appended to, and carries the time on every line.
// Lines written before it opens are kept and written when it does.
#pragma once
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace cmdline {

class Output {
 public:
  Output() = default;
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // The log's path (UTF-8); nothing is opened yet.
  void SetLogPath(const std::string& path) { logPath_ = path; }
  bool WantsLog() const { return !logPath_.empty(); }
  // Opens the log for appending and writes what was kept; false with *why
  // when it cannot be opened. Does nothing when there is no log or it is open.
  bool OpenLog(std::string* why);

  void Line(const std::string& text);     // standard output and the log
  void Error(const std::string& text);    // standard error and the log
  void LogOnly(const std::string& text);  // the log alone

 private:
  void ToLog(const std::string& text);
  std::mutex mutex_;
  std::string logPath_;
  std::FILE* log_ = nullptr;
  bool opened_ = false;
  std::vector<std::string> kept_;
};

// True when the two paths name the same file: the same full path (any
// case), or, when both exist, the same file on the same volume (a link or a
// short name).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace cmdline
