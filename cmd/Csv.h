// Reading the command line's targets file: CSV as RFC 4180 writes it
// (fields separated by commas, a field in double quotes may hold commas,
// quotes written twice and line breaks), UTF-8 with or without a byte-order
// mark, lines ending in CRLF or LF. Platform-free.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace cmdline {

struct CsvTable {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;  // each as long as the header
  std::vector<size_t> lines;                   // the file line each row starts on
};

// Reads text into table. false with *why naming the line (and the field)
// at fault: a quote inside an unquoted field, text after a closing quote, a
// quoted field never closed, a row whose field count differs from the
// header's, invalid UTF-8, more than maxRows rows. Blank lines are skipped.
bool ReadCsv(const std::string& text, size_t maxRows, CsvTable* table, std::string* why);

// A field for a CSV file: quoted when it holds a comma, a quote, a line
// break or leading or trailing space.
std::string CsvField(const std::string& value);

}  // namespace cmdline
