#include "cmd/Report.h"

#include <windows.h>

#include <cstdlib>

#include <nlohmann/json.hpp>

#include "cmd/Csv.h"

namespace cmdline {
namespace {

using Json = nlohmann::ordered_json;

std::string Dump(const Json& json) {
  return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string GroupsText(const TargetResult& result) {
  std::string text;
  for (const GroupResult& group : result.groups) {
    if (!text.empty()) text += "; ";
    text += group.name + " " + (group.skipped ? "skipped" : StatusName(group.status));
  }
  return text;
}

const std::vector<std::string> kFixedColumns = {"target", "status", "reason", "bytes", "ms", "row", "groups"};

}  // namespace

ReportWriter::~ReportWriter() {
  if (file_ != nullptr) std::fclose(file_);
}

bool ReportWriter::Open(const std::string& path, ReportFormat format,
                        const std::vector<std::string>& valueColumns, std::string* why) {
  // The path arrives as UTF-8; the file gets its real name.
  const int chars = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
  std::wstring wide(chars > 0 ? static_cast<size_t>(chars) : 1, L'\0');
  if (chars > 0) MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, &wide[0], chars);
  file_ = _wfopen(wide.c_str(), L"wb");
  if (file_ == nullptr) return *why = "cannot create " + path, false;
  format_ = format;
  columns_ = valueColumns;
  if (format_ == ReportFormat::Csv) {
    std::string header;
    for (const std::string& column : kFixedColumns) header += (header.empty() ? "" : ",") + column;
    for (const std::string& column : columns_) header += "," + CsvField(column);
    std::fprintf(file_, "%s\r\n", header.c_str());
  }
  return true;
}

void ReportWriter::Add(const ReportEntry& entry, const TargetResult& result) {
  if (file_ == nullptr) return;
  ++counts_[result.status == SendStatus::Confirmed ? 0 : result.status == SendStatus::Unconfirmed ? 1 : 2];
  std::string line;
  if (format_ == ReportFormat::Json) {
    Json record = Json::object();
    record["target"] = entry.target;
    record["status"] = StatusName(result.status);
    record["reason"] = result.reason;
    record["bytes"] = result.bytes;
    record["ms"] = result.ms;
    record["row"] = entry.row;
    if (!entry.values.empty()) record["values"] = entry.values;
    if (!entry.secretColumns.empty()) record["secret_columns"] = entry.secretColumns;
    Json groups = Json::array();
    for (const GroupResult& group : result.groups) {
      Json one = Json::object();
      one["group"] = group.name;
      one["status"] = group.skipped ? "skipped" : StatusName(group.status);
      one["bytes"] = group.bytes;
      if (!group.reason.empty() && !group.skipped) one["reason"] = group.reason;
      groups.push_back(one);
    }
    record["groups"] = groups;
    line = Dump(record);
  } else {
    line = CsvField(entry.target) + "," + StatusName(result.status) + "," + CsvField(result.reason) + "," +
           std::to_string(result.bytes) + "," + std::to_string(result.ms) + "," + std::to_string(entry.row) +
           "," + CsvField(GroupsText(result));
    for (const std::string& column : columns_) {
      auto found = entry.values.find(column);
      bool secret = false;
      for (const std::string& name : entry.secretColumns) secret = secret || name == column;
      line += "," + (secret ? std::string("(secret)") : found == entry.values.end() ? std::string() : CsvField(found->second));
    }
  }
  if (std::fprintf(file_, "%s%s", line.c_str(), format_ == ReportFormat::Csv ? "\r\n" : "\n") < 0) failed_ = true;
  std::fflush(file_);
}

bool ReportWriter::Finish(unsigned totalMs) {
  if (file_ == nullptr) return !failed_;
  const size_t total = counts_[0] + counts_[1] + counts_[2];
  if (format_ == ReportFormat::Json) {
    Json summary = Json::object();
    summary["summary"] = true;
    summary["targets"] = total;
    summary["confirmed"] = counts_[0];
    summary["unconfirmed"] = counts_[1];
    summary["failed"] = counts_[2];
    summary["ms"] = totalMs;
    std::fprintf(file_, "%s\n", Dump(summary).c_str());
  } else {
    std::string line = "summary," + std::to_string(counts_[0]) + " confirmed; " + std::to_string(counts_[1]) +
                       " unconfirmed; " + std::to_string(counts_[2]) + " failed,,," + std::to_string(totalMs) +
                       ",," + std::to_string(total) + " targets";
    line.append(columns_.size(), ',');
    std::fprintf(file_, "%s\r\n", line.c_str());
  }
  const bool ok = std::fclose(file_) == 0 && !failed_;
  file_ = nullptr;
  return ok;
}

bool ReadRetry(const std::string& text, std::vector<RetryEntry>* entries, std::string* why) {
  entries->clear();
  const size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  if (start < text.size() && text[start] == '{') {
    size_t line = 0;
    for (size_t at = start; at < text.size();) {
      size_t end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      const std::string one = text.substr(at, end - at);
      at = end + 1;
      ++line;
      if (one.find_first_not_of(" \t\r") == std::string::npos) continue;
      const Json record = Json::parse(one, nullptr, false);
      if (record.is_discarded() || !record.is_object()) {
        return *why = "line " + std::to_string(line) + ": not a report record", false;
      }
      if (record.contains("summary")) continue;
      if (!record.contains("target") || !record["target"].is_string() || !record.contains("status") ||
          !record["status"].is_string()) {
        return *why = "line " + std::to_string(line) + ": a record without target or status", false;
      }
      if (record["status"].get<std::string>() == "confirmed") continue;
      RetryEntry entry;
      entry.target = record["target"].get<std::string>();
      if (record.contains("row") && record["row"].is_number_unsigned()) entry.row = record["row"].get<size_t>();
      if (record.contains("values") && record["values"].is_object()) {
        for (auto& item : record["values"].items()) {
          if (item.value().is_string()) entry.values[item.key()] = item.value().get<std::string>();
        }
      }
      if (record.contains("secret_columns") && record["secret_columns"].is_array()) {
        for (const Json& name : record["secret_columns"]) {
          if (name.is_string()) entry.secretColumns.push_back(name.get<std::string>());
        }
      }
      entries->push_back(entry);
    }
    return true;
  }
  CsvTable table;
  if (!ReadCsv(text, 1000000, &table, why)) return false;
  if (table.header.size() < kFixedColumns.size()) return *why = "not a report: its header is too short", false;
  for (size_t i = 0; i < kFixedColumns.size(); ++i) {
    if (table.header[i] != kFixedColumns[i]) return *why = "not a report: column " + std::to_string(i + 1) + " is not " + kFixedColumns[i], false;
  }
  for (size_t r = 0; r < table.rows.size(); ++r) {
    const std::vector<std::string>& row = table.rows[r];
    if (row[0] == "summary" || row[1] == "confirmed") continue;
    RetryEntry entry;
    entry.target = row[0];
    entry.row = static_cast<size_t>(std::strtoul(row[5].c_str(), nullptr, 10));
    for (size_t c = kFixedColumns.size(); c < row.size(); ++c) {
      if (row[c] == "(secret)") {
        entry.secretColumns.push_back(table.header[c]);
      } else if (!row[c].empty()) {
        entry.values[table.header[c]] = row[c];
      }
    }
    entries->push_back(entry);
  }
  return true;
}

}  // namespace cmdline
