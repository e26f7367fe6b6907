// The targets of one run: --to texts, the rows of a targets file (CSV with
// a "target" column and optional Section.Entry columns whose non-empty
// cells set that entry for that row only), or the targets of an earlier
// report that did not get through. Platform-free: names are checked here,
// targets and values later.
#pragma once
#include <map>
#include <string>
#include <vector>

#include <cstddef>

namespace cmdline {

// A targets file holds at most this many rows.
constexpr size_t kMaxTargetRows = 100000;

struct TargetRow {
  std::string target;
  size_t row = 0;   // targets file row (1 = the first after the header); 0 for --to
  size_t line = 0;  // its line in the file
  std::map<std::string, std::string> values;  // Section.Entry (as in the header) to text
  std::vector<std::string> secretColumns;     // value columns whose cells are secrets
  // "targets.csv row 3 (line 4)" or "--to ip:1.2.3.4"
  std::string Where(const std::string& file) const;
};

// Tells whether Section.Entry names an entry profiles know, and whether
// its value holds a secret (a key or a PIN).
struct EntryRules {
  bool (*known)(const std::string& section, const std::string& entry) = nullptr;
  bool (*secret)(const std::string& section, const std::string& entry) = nullptr;
};

// Reads a targets file's text. false with *why naming the row (and line)
// and the column: a missing or repeated target column, an unknown column,
// an empty target, a malformed file, more than kMaxTargetRows rows.
bool ReadTargetRows(const std::string& text, const EntryRules& rules, std::vector<std::string>* valueColumns,
                    std::vector<TargetRow>* rows, std::string* why);

// Splits "Section.Entry".
bool SplitColumn(const std::string& column, std::string* section, std::string* entry);

}  // namespace cmdline
