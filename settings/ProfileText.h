// The text layer of profile files: names compared as files write them,
// values quoted where they could not be read back bare, an entry's values
// split at the commas outside quotes, secrets masked. Platform-free.
#pragma once
#include <string>
#include <vector>

namespace profile {

// Names and list values ignore the case of ASCII letters.
bool SameName(const std::string& a, const std::string& b);
// Without the blanks and tabs around it.
std::string Trim(const std::string& text);
// In double quotes, a quote written twice.
std::string Quote(const std::string& text);
// As it is where it reads back so; else quoted.
std::string Bare(const std::string& text);
// "**" a byte: the length stays visible, the value does not.
std::string Masked(const std::string& value);

struct Value {
  std::string text;
  bool quoted = false;
};
// Splits an entry's value at the commas outside quotes; false with the
// reason when a quote is not closed or stands where it cannot.
bool SplitValues(const std::string& value, std::vector<Value>* values, std::string* why);

}  // namespace profile
