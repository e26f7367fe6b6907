#include "cmd/TargetRows.h"

#include "cmd/Csv.h"

namespace cmdline {

std::string TargetRow::Where(const std::string& file) const {
  if (row == 0) return "--to " + target;
  return file + " row " + std::to_string(row) + " (line " + std::to_string(line) + ")";
}

bool SplitColumn(const std::string& column, std::string* section, std::string* entry) {
  const size_t dot = column.find('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 >= column.size()) return false;
  *section = column.substr(0, dot);
  *entry = column.substr(dot + 1);
  return entry->find('.') == std::string::npos;
}

bool ReadTargetRows(const std::string& text, const EntryRules& rules, std::vector<std::string>* valueColumns,
                    std::vector<TargetRow>* rows, std::string* why) {
  CsvTable table;
  if (!ReadCsv(text, kMaxTargetRows, &table, why)) return false;
  int targetColumn = -1;
  bool anyTarget = false;
  for (const std::string& name : table.header) anyTarget = anyTarget || name == "target";
  if (!anyTarget) return *why = "the header has no \"target\" column", false;
  std::vector<bool> secret(table.header.size(), false);
  valueColumns->clear();
  for (size_t c = 0; c < table.header.size(); ++c) {
    const std::string& name = table.header[c];
    const std::string where = "column " + std::to_string(c + 1) + " (\"" + name + "\")";
    if (name == "target") {
      if (targetColumn >= 0) return *why = where + ": a second target column", false;
      targetColumn = static_cast<int>(c);
      continue;
    }
    std::string section, entry;
    if (!SplitColumn(name, &section, &entry) || rules.known == nullptr || !rules.known(section, entry)) {
      *why = where + ": not a target column or a profile entry written Section.Entry (like Ethernet.Address)";
      return false;
    }
    for (const std::string& seen : *valueColumns) {
      if (seen == name) return *why = where + ": given twice", false;
    }
    valueColumns->push_back(name);
    secret[c] = rules.secret != nullptr && rules.secret(section, entry);
  }
  std::map<std::string, size_t> seenTargets;
  std::vector<TargetRow> read;
  read.reserve(table.rows.size());
  for (size_t r = 0; r < table.rows.size(); ++r) {
    TargetRow row;
    row.row = r + 1;
    row.line = table.lines[r];
    row.target = table.rows[r][targetColumn];
    const std::string where = "row " + std::to_string(row.row) + " (line " + std::to_string(row.line) + ")";
    if (row.target.empty()) return *why = where + ", column target: the target is empty", false;
    auto found = seenTargets.find(row.target);
    if (found != seenTargets.end()) {
      *why = where + ", column target: " + row.target + " is already row " + std::to_string(found->second);
      return false;
    }
    seenTargets[row.target] = row.row;
    for (size_t c = 0; c < table.header.size(); ++c) {
      if (static_cast<int>(c) == targetColumn || table.rows[r][c].empty()) continue;
      row.values[table.header[c]] = table.rows[r][c];
      if (secret[c]) row.secretColumns.push_back(table.header[c]);
    }
    read.push_back(std::move(row));
  }
  *rows = std::move(read);
  return true;
}

}  // namespace cmdline
