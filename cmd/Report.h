// The fleet report: one record per target (JSON lines, or CSV with target
// first and status second) and a last summary, and reading an earlier
// report back to retry what did not get through.
#pragma once
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "cmd/Fleet.h"

namespace cmdline {

enum class ReportFormat { Json, Csv };

// One target of a report as written.
struct ReportEntry {
  std::string target;
  size_t row = 0;  // the targets file's row (1 = first after the header), 0 for --to
  // The row's own values (Section.Entry to text); a secret cell is never
  // written, only its name in secretColumns.
  std::map<std::string, std::string> values;
  std::vector<std::string> secretColumns;
};

class ReportWriter {
 public:
  ReportWriter() = default;
  ~ReportWriter();
  ReportWriter(const ReportWriter&) = delete;
  ReportWriter& operator=(const ReportWriter&) = delete;

  // Creates (replaces) path; valueColumns are the targets file's value
  // columns, written as CSV columns. false with *why when it cannot.
  bool Open(const std::string& path, ReportFormat format, const std::vector<std::string>& valueColumns,
            std::string* why);
  void Add(const ReportEntry& entry, const TargetResult& result);
  // The summary record; closes the file. false when a write failed.
  bool Finish(unsigned totalMs);

 private:
  std::FILE* file_ = nullptr;
  ReportFormat format_ = ReportFormat::Json;
  std::vector<std::string> columns_;
  size_t counts_[3] = {};
  bool failed_ = false;
};

// A target of an earlier report whose status was not "confirmed".
struct RetryEntry {
  std::string target;
  size_t row = 0;
  std::map<std::string, std::string> values;
  std::vector<std::string> secretColumns;
};

// Reads a report of either format (told apart by its first byte). false
// with *why naming the line when it is not one.
bool ReadRetry(const std::string& text, std::vector<RetryEntry>* entries, std::string* why);

}  // namespace cmdline
