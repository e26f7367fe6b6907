#include "cmd/Csv.h"

namespace cmdline {
namespace {

// Length of the valid UTF-8 sequence at text[i], 0 when it is not one.
size_t Utf8Length(const std::string& text, size_t i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  size_t length = 0;
  unsigned min = 0;
  unsigned value = 0;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) {
    length = 2, min = 0x80, value = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    length = 3, min = 0x800, value = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    length = 4, min = 0x10000, value = c & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

bool ReadCsv(const std::string& input, size_t maxRows, CsvTable* table, std::string* why) {
  std::string text = input;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  size_t line = 1;
  for (size_t i = 0; i < text.size();) {
    const size_t length = Utf8Length(text, i);
    if (length == 0) return *why = "line " + std::to_string(line) + ": not UTF-8 text", false;
    if (text[i] == '\n') ++line;
    i += length;
  }
  CsvTable read;
  std::vector<std::string> record;
  std::string field;
  size_t pos = 0;
  line = 1;
  size_t recordLine = 1;
  bool any = false;  // the current record has a field or a separator
  auto endRecord = [&]() -> bool {
    record.push_back(field);
    field.clear();
    const bool blank = record.size() == 1 && record[0].empty() && !any;
    if (!blank) {
      if (read.header.empty()) {
        read.header = record;
      } else {
        if (record.size() != read.header.size()) {
          *why = "line " + std::to_string(recordLine) + ": " + std::to_string(record.size()) +
                 " fields, but the header has " + std::to_string(read.header.size());
          return false;
        }
        if (read.rows.size() >= maxRows) {
          *why = "more than " + std::to_string(maxRows) + " rows; split the file";
          return false;
        }
        read.rows.push_back(record);
        read.lines.push_back(recordLine);
      }
    }
    record.clear();
    any = false;
    return true;
  };
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == '"') {
      if (!field.empty()) {
        *why = "line " + std::to_string(line) + ", field " + std::to_string(record.size() + 1) +
               ": a quote inside a field that does not start with one";
        return false;
      }
      const size_t start = line;
      ++pos;
      for (;;) {
        if (pos >= text.size()) {
          *why = "line " + std::to_string(start) + ", field " + std::to_string(record.size() + 1) +
                 ": a quoted field is never closed";
          return false;
        }
        if (text[pos] == '"') {
          if (pos + 1 < text.size() && text[pos + 1] == '"') {
            field += '"';
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        if (text[pos] == '\n') ++line;
        field += text[pos++];
      }
      any = true;
      if (pos < text.size() && text[pos] != ',' && text[pos] != '\n' &&
          !(text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') &&
          !(text[pos] == '\r' && pos + 1 == text.size())) {
        *why = "line " + std::to_string(line) + ", field " + std::to_string(record.size() + 1) +
               ": text after the closing quote";
        return false;
      }
      continue;
    }
    if (c == ',') {
      record.push_back(field);
      field.clear();
      any = true;
      ++pos;
      continue;
    }
    if (c == '\r' && (pos + 1 == text.size() || text[pos + 1] == '\n')) {
      ++pos;
      continue;
    }
    if (c == '\n') {
      if (!endRecord()) return false;
      ++line;
      recordLine = line;
      ++pos;
      continue;
    }
    field += c;
    any = true;
    ++pos;
  }
  if (any || !field.empty()) {
    if (!endRecord()) return false;
  }
  if (read.header.empty()) return *why = "the file is empty: it needs a header row", false;
  *table = std::move(read);
  return true;
}

std::string CsvField(const std::string& value) {
  bool quote = !value.empty() && (value.front() == ' ' || value.back() == ' ');
  for (char c : value) {
    if (c == ',' || c == '"' || c == '\n' || c == '\r') quote = true;
  }
  if (!quote) return value;
  std::string out = "\"";
  for (char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace cmdline
