// The translations of a compiled catalogue (.mo), read straight from the
// file, as the texts a window should show for their keys.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/support/PrinterEnds.h"

namespace catalogue_test {

// Key to translation (UTF-16) of the little-endian catalogue at path; empty
// when the file is missing or is not such a catalogue.
inline std::map<std::string, std::wstring> ReadTranslations(const std::wstring& path) {
  const std::vector<unsigned char> mo = testing_ends::ReadWholeFile(path);
  std::map<std::string, std::wstring> texts;
  auto word = [&mo](size_t offset) -> uint32_t {
    if (offset + 4 > mo.size()) return 0;
    return uint32_t{mo[offset]} | uint32_t{mo[offset + 1]} << 8 | uint32_t{mo[offset + 2]} << 16 |
           uint32_t{mo[offset + 3]} << 24;
  };
  if (mo.size() < 28 || word(0) != 0x950412DEu) return texts;
  const uint32_t count = word(8);
  const uint32_t originals = word(12);
  const uint32_t translations = word(16);
  auto text = [&](uint32_t table, uint32_t index) -> std::string {
    const uint32_t length = word(table + 8 * index);
    const uint32_t offset = word(table + 8 * index + 4);
    if (uint64_t{offset} + length > mo.size()) return std::string();
    return std::string(reinterpret_cast<const char*>(mo.data()) + offset, length);
  };
  for (uint32_t i = 0; i < count; ++i) {
    const std::string key = text(originals, i);
    const std::string utf8 = text(translations, i);
    if (key.empty() || utf8.empty()) continue;
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) {
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
    }
    texts[key] = wide;
  }
  return texts;
}

}  // namespace catalogue_test
