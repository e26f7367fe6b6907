#include "app/translation/Translation.h"

#include <windows.h>
#include <libintl.h>

#include <clocale>
#include <cstring>
#include <vector>

namespace {
constexpr char kDomain[] = "PrinterConfig";
constexpr size_t kAnsiLimit = 520;  // bytes of ANSI text the layer handles
}  // namespace

void InitTranslation() {
  char path[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) path[0] = '\0';
  char* lastSlash = std::strrchr(path, '\\');
  if (lastSlash) {
    lastSlash[1] = '\0';
  } else {
    path[0] = '\0';
  }
  char directory[MAX_PATH + 8] = {};
  snprintf(directory, sizeof(directory), "%sLang\\", path);

  setlocale(LC_ALL, "");
  bindtextdomain(kDomain, directory);
  textdomain(kDomain);
  bind_textdomain_codeset(kDomain, "utf-8");
}

std::string Utf8ToAnsi(const char* text) {
  if (!text || !*text) return std::string();
  int wideLength = ::MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (wideLength <= 0) return std::string();
  std::vector<wchar_t> wide(static_cast<size_t>(wideLength));
  ::MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), wideLength);
  int ansiLength = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
  if (ansiLength <= 0) return std::string();
  std::vector<char> ansi(static_cast<size_t>(ansiLength));
  ::WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, ansi.data(), ansiLength, nullptr, nullptr);
  return std::string(ansi.data());
}

const wchar_t* FindDefaultText(const char* key) {
  if (!key) return nullptr;
  for (size_t i = 0; i < DefaultTextTableRows; ++i) {
    if (std::strcmp(DefaultTextTable[i].key, key) == 0) return DefaultTextTable[i].text;
  }
  return nullptr;
}

wchar_t* LookupText(const char* key, wchar_t* buffer, size_t capacity) {
  if (!key || !buffer || capacity == 0) return buffer;

  const char* answer = gettext(key);
  std::string ansi = Utf8ToAnsi(answer ? answer : key);
  // The layer handles at most 519 bytes of ANSI text.
  if (ansi.size() >= kAnsiLimit) ansi.resize(kAnsiLimit - 1);

  if (ansi != key) {
    // Convert as much as fits, always leaving room for the terminator.
    int converted = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                          nullptr, 0);
    if (converted > 0) {
      std::vector<wchar_t> wide(static_cast<size_t>(converted));
      ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(),
                            converted);
      size_t count = static_cast<size_t>(converted);
      if (count > capacity - 1) count = capacity - 1;
      std::memcpy(buffer, wide.data(), count * sizeof(wchar_t));
      buffer[count] = L'\0';
    } else {
      buffer[0] = L'\0';
    }
    return buffer;
  }

  if (const wchar_t* text = FindDefaultText(key)) {
    size_t count = wcslen(text);
    if (count > capacity - 1) count = capacity - 1;
    std::memcpy(buffer, text, count * sizeof(wchar_t));
    buffer[count] = L'\0';
  }
  return buffer;
}
