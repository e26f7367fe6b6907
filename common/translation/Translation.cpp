#include "common/translation/Translation.h"

#include <windows.h>
#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "common/translation/CatalogueCheck.h"
#include "common/UniqueResource.h"

namespace {
constexpr char kDomain[] = "PrinterConfig";
constexpr wchar_t kCatalogueFile[] = L"\\LC_MESSAGES\\PrinterConfig.mo";
// Our catalogues are a few kilobytes; a larger file is not read at all.
constexpr DWORD kCatalogueLimitBytes = 16u << 20;

// False when a catalogue the runtime might choose failed its check: then
// gettext is never asked and every text comes from the built-in table.
bool CatalogueUsable = true;

// The Windows display language as a catalogue name such as "zh_CN" (or
// "de" when the language has no country); empty when Windows cannot name it.
std::string DisplayLanguageName() {
  const LCID display = MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT);
  char language[16] = {};
  char country[16] = {};
  if (::GetLocaleInfoA(display, LOCALE_SISO639LANGNAME, language, sizeof(language)) <= 0) {
    return std::string();
  }
  std::string name(language);
  if (::GetLocaleInfoA(display, LOCALE_SISO3166CTRYNAME, country, sizeof(country)) > 0 &&
      country[0] != '\0') {
    name += '_';
    name += country;
  }
  return name;
}

// The gettext runtime works the user's locale out again at every lookup;
// when the locale comes from LC_ALL, LC_MESSAGES or LANG (always under Wine)
// that costs far more than the lookup itself. The choice is made here once,
// with the runtime's own precedence, and handed to it as LANGUAGE alone,
// which it reads without that work. Returns false when the choice is the
// untranslated "C" locale, for which no lookup is needed at all.
bool SettleLanguageChoice() {
  const char* name = nullptr;
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] != '\0') {
      name = value;
      break;
    }
  }
  if (name == nullptr) {
    // Nothing but perhaps LANGUAGE is set. Left alone, the runtime would take
    // the regional format (the thread locale) for the language, so an English
    // Windows with Chinese number formats would show Chinese. The user's
    // display language is the one meant; an explicit LANGUAGE still wins.
    const char* list = std::getenv("LANGUAGE");
    if (list == nullptr || list[0] == '\0') {
      const std::string display = DisplayLanguageName();
      if (!display.empty()) {
        const std::string setting = "LANGUAGE=" + display;
        _putenv(setting.c_str());
      }
    }
    return true;  // the runtime reads the Windows locale, which is cheap
  }
  const std::string locale(name);
  if (locale == "C" || locale == "POSIX") return false;  // LANGUAGE is ignored then
  const char* list = std::getenv("LANGUAGE");
  const std::string languages = (list != nullptr && list[0] != '\0') ? std::string(list) : locale;
  _putenv("LC_ALL=");
  _putenv("LC_MESSAGES=");
  _putenv("LANG=");
  const std::string setting = "LANGUAGE=" + languages;
  _putenv(setting.c_str());
  return true;
}


// The languages the runtime may choose a catalogue for: those named by the
// environment (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) and those of the
// Windows thread, user and display languages, which it falls back to.
std::set<std::string> CandidateLanguages() {
  std::set<std::string> languages;
  if (const char* list = std::getenv("LANGUAGE")) {
    std::string entry;
    for (const char* c = list;; ++c) {
      if (*c == ':' || *c == '\0') {
        if (!entry.empty()) languages.insert(catalogue::LanguageOf(entry));
        entry.clear();
        if (*c == '\0') break;
      } else {
        entry += *c;
      }
    }
  }
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (const char* value = std::getenv(variable)) languages.insert(catalogue::LanguageOf(value));
  }
  const LCID locales[] = {::GetThreadLocale(), ::GetUserDefaultLCID(),
                          MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT)};
  for (LCID locale : locales) {
    char name[16] = {};
    if (::GetLocaleInfoA(locale, LOCALE_SISO639LANGNAME, name, sizeof(name)) > 0) {
      languages.insert(catalogue::LanguageOf(name));
    }
  }
  return languages;
}

// Reads the catalogue at path and checks it. A file that cannot be read whole
// counts as damaged.
bool CatalogueFileUsable(const std::wstring& path) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    // No catalogue in this folder: nothing the runtime could load.
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart > kCatalogueLimitBytes) return false;
  std::vector<unsigned char> data(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!data.empty() &&
      (!::ReadFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) ||
       read != data.size())) {
    return false;
  }
  return catalogue::IsUsable(data.data(), data.size());
}

// True unless a catalogue of one of the candidate languages below langDir
// (ending with a backslash) is damaged.
bool CataloguesUsable(const std::wstring& langDir) {
  const std::set<std::string> languages = CandidateLanguages();
  WIN32_FIND_DATAW found{};
  UniqueFind find(::FindFirstFileW((langDir + L"*").c_str(), &found));
  if (!find.Valid()) return true;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || found.cFileName[0] == L'.') continue;
    std::string folder;
    for (const wchar_t* c = found.cFileName; *c != L'\0'; ++c) {
      folder += (*c < 0x80) ? static_cast<char>(*c) : '?';
    }
    if (languages.count(catalogue::LanguageOf(folder)) == 0) continue;
    if (!CatalogueFileUsable(langDir + found.cFileName + kCatalogueFile)) return false;
  } while (::FindNextFileW(find.Get(), &found));
  return true;
}

// The "Lang" folder beside the program as a wide path ending with a
// backslash; empty when the program's path cannot be read whole.
std::wstring WideLangDirectory() {
  std::vector<wchar_t> path(32768);
  const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return std::wstring();
  std::wstring directory(path.data(), length);
  const size_t slash = directory.find_last_of(L'\\');
  if (slash == std::wstring::npos) return std::wstring();
  return directory.substr(0, slash + 1) + L"Lang\\";
}

// UTF-8 text as UTF-16, converted directly: no code page lies between the
// catalogue and the window, so every language shows on every system. Empty
// for empty or invalid UTF-8 (the catalogues are checked UTF-8).
std::wstring Utf8ToWideText(const char* text) {
  const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
  if (length <= 1) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, &wide[0], length) != length) {
    return std::wstring();
  }
  wide.resize(static_cast<size_t>(length) - 1);  // without the terminator
  return wide;
}

// Copies count wide characters of text into buffer (capacity, room for the
// terminator) without splitting a surrogate pair.
void CopyWhole(wchar_t* buffer, size_t capacity, const wchar_t* text, size_t count) {
  if (count > capacity - 1) {
    count = capacity - 1;
    if (count > 0 && text[count - 1] >= 0xD800 && text[count - 1] <= 0xDBFF) --count;
  }
  std::memcpy(buffer, text, count * sizeof(wchar_t));
  buffer[count] = L'\0';
}

}  // namespace

void InitTranslation() {
  setlocale(LC_ALL, "");
  // The "Lang" folder is worked out once, as a wide path: it then reaches the
  // catalogue also from a folder whose name the ANSI code page cannot spell
  // (a Chinese folder on a code page 1252 system). Without it the texts are
  // the built-in English ones.
  const std::wstring langDir = WideLangDirectory();
  // A damaged catalogue would crash or blank the program inside the runtime
  // at every start: it is checked first and, when it fails, not used.
  CatalogueUsable = !langDir.empty() && CataloguesUsable(langDir);
  if (!CatalogueUsable) return;
  CatalogueUsable = SettleLanguageChoice();
  if (!CatalogueUsable) return;
  wbindtextdomain(kDomain, langDir.c_str());
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

wchar_t* LookupText(const char* key, wchar_t* buffer, size_t capacity) {
  if (!key || !buffer || capacity == 0) return buffer;

  // The runtime answers in UTF-8 (the key itself when it has no translation);
  // the answer goes straight to UTF-16. An empty translation, or one equal
  // to its key, is no translation: the table's text is shown.
  const char* answer = CatalogueUsable ? gettext(key) : key;
  if (answer != nullptr && answer[0] != '\0' && std::strcmp(answer, key) != 0) {
    const std::wstring text = Utf8ToWideText(answer);
    if (!text.empty()) {
      CopyWhole(buffer, capacity, text.data(), text.size());
      return buffer;
    }
  }

  if (const wchar_t* text = FindDefaultText(key)) CopyWhole(buffer, capacity, text, wcslen(text));
  return buffer;
}
