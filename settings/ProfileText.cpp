#include "settings/ProfileText.h"

namespace profile {

namespace {

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

std::string Trim(const std::string& text) {
  size_t from = 0, to = text.size();
  while (from < to && (text[from] == ' ' || text[from] == '\t')) ++from;
  while (to > from && (text[to - 1] == ' ' || text[to - 1] == '\t')) --to;
  return text.substr(from, to - from);
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string Bare(const std::string& text) {
  bool plain = !text.empty() && text == Trim(text) && text.find_first_of(",\"") == std::string::npos;
  return plain ? text : Quote(text);
}

std::string Masked(const std::string& value) {
  std::string masked;
  masked.reserve(value.size() * 2);
  for (size_t i = 0; i < value.size(); ++i) masked += "**";
  return masked;
}

bool SplitValues(const std::string& value, std::vector<Value>* values, std::string* why) {
  size_t i = 0, n = value.size();
  while (true) {
    while (i < n && (value[i] == ' ' || value[i] == '\t')) ++i;
    Value one;
    if (i < n && value[i] == '"') {
      one.quoted = true;
      ++i;
      bool closed = false;
      while (i < n) {
        if (value[i] == '"') {
          if (i + 1 < n && value[i + 1] == '"') {
            one.text += '"';
            i += 2;
            continue;
          }
          closed = true;
          ++i;
          break;
        }
        one.text += value[i++];
      }
      if (!closed) {
        *why = "a quoted value has no closing quote";
        return false;
      }
      while (i < n && (value[i] == ' ' || value[i] == '\t')) ++i;
      if (i < n && value[i] != ',') {
        *why = "text after a closing quote";
        return false;
      }
    } else {
      size_t comma = value.find(',', i);
      size_t end = comma == std::string::npos ? n : comma;
      one.text = Trim(value.substr(i, end - i));
      if (one.text.find('"') != std::string::npos) {
        *why = "a quote inside an unquoted value";
        return false;
      }
      i = end;
    }
    values->push_back(one);
    if (i >= n) return true;
    ++i;  // the comma
  }
}

}  // namespace profile
