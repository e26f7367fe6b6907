#include "tests/installer/SpoolkitTestSupport.h"

#include "tests/support/PrinterEnds.h"

namespace spoolkit_test {

const char* const kExportNames[10] = {"InstallDriver", "KVAddPort",      "GetMonitors",
                                      "EnumPrinterPorts", "DeletePointer", "GetPrinterName",
                                      "ConfigCOM",     "SetRegStr",      "GetRegStr",
                                      "WriteLog"};

const std::vector<std::string> kPipelineHead = {
    "InstallDriver::Enter",
    "PrinterInstall::doInstall::Enter _SetPrivilege",
    "PrinterInstall::doInstall::Enter createSrcFileDir",
    "PrinterInstall::doInstall::Enter fixFileIssue",
    "PrinterInstall::doInstall::Enter copyMonitorFiles",
};

namespace {
template <typename Fn>
void bind(HMODULE module, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}
}  // namespace

Spoolkit::Spoolkit() {
  std::wstring path = ProgramDir() + L"Spoolkit.dll";
  module_ = ::LoadLibraryW(path.c_str());
  if (!module_) return;
  bind(module_, "InstallDriver", InstallDriver);
  bind(module_, "KVAddPort", KVAddPort);
  bind(module_, "GetMonitors", GetMonitors);
  bind(module_, "EnumPrinterPorts", EnumPrinterPorts);
  bind(module_, "DeletePointer", DeletePointer);
  bind(module_, "GetPrinterName", GetPrinterName);
  bind(module_, "ConfigCOM", ConfigCOM);
  bind(module_, "SetRegStr", SetRegStr);
  bind(module_, "GetRegStr", GetRegStr);
  bind(module_, "WriteLog", WriteLog);
}

Spoolkit::~Spoolkit() {
  if (module_) ::FreeLibrary(module_);
}

std::wstring ProgramDir() {
  wchar_t path[MAX_PATH] = {};
  DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring full(path, n);
  size_t slash = full.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : full.substr(0, slash + 1);
}

std::wstring LogPath() { return ProgramDir() + L"PinLog.txt"; }

void ClearLog() { ::DeleteFileW(LogPath().c_str()); }

std::string ReadLog() {
  std::vector<unsigned char> bytes = testing_ends::ReadWholeFile(LogPath());
  return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> LogLines() {
  std::string text = ReadLog();
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    if (end > start) lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
  size_t at = 0;
  for (const std::string& line : lines) {
    if (at < expected.size() && line == expected[at]) ++at;
  }
  return at == expected.size();
}

bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteText(const std::wstring& path, const std::string& bytes) {
  return testing_ends::WriteWholeFile(path, bytes.data(), bytes.size());
}

void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW((dir + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = dir + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        ::DeleteFileW(path.c_str());
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(dir.c_str());
}

KeyCleanup::KeyCleanup(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {
  ::RegDeleteTreeW(root_, path_.c_str());
}

KeyCleanup::~KeyCleanup() { ::RegDeleteTreeW(root_, path_.c_str()); }

PlacedFile::PlacedFile(const std::wstring& source, std::wstring target) : target_(std::move(target)) {
  existed_ = FileExists(target_);
  if (existed_) previous_ = testing_ends::ReadWholeFile(target_);
  placed_ = ::CopyFileW(source.c_str(), target_.c_str(), FALSE) != FALSE;
}

PlacedFile::~PlacedFile() {
  if (!placed_) return;
  if (existed_) {
    testing_ends::WriteWholeFile(target_, previous_.data(), previous_.size());
  } else {
    ::DeleteFileW(target_.c_str());
  }
}

PrinterCleanup::PrinterCleanup(std::wstring printerPrefix, std::wstring driverName)
    : prefix_(std::move(printerPrefix)), driver_(std::move(driverName)) {
  Run();
}

PrinterCleanup::~PrinterCleanup() { Run(); }

void PrinterCleanup::Run() {
  DWORD needed = 0, returned = 0;
  ::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned);
  if (needed) {
    std::vector<BYTE> buffer(needed);
    if (::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed,
                        &returned)) {
      auto* printers = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
      for (DWORD i = 0; i < returned; ++i) {
        std::wstring name = printers[i].pPrinterName ? printers[i].pPrinterName : L"";
        if (name.size() < prefix_.size() ||
            _wcsnicmp(name.c_str(), prefix_.c_str(), prefix_.size()) != 0) {
          continue;
        }
        HANDLE printer = nullptr;
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
        if (::OpenPrinterW(&name[0], &printer, &defaults)) {
          ::DeletePrinter(printer);
          ::ClosePrinter(printer);
        }
      }
    }
  }
  if (!driver_.empty()) ::DeletePrinterDriverW(nullptr, nullptr, &driver_[0]);
}

int PrintersOfDriver(const std::wstring& driverName) {
  DWORD needed = 0, returned = 0;
  ::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned);
  if (!needed) return 0;
  std::vector<BYTE> buffer(needed);
  if (!::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &returned)) {
    return 0;
  }
  auto* printers = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
  int count = 0;
  for (DWORD i = 0; i < returned; ++i) {
    if (printers[i].pDriverName && driverName == printers[i].pDriverName) ++count;
  }
  return count;
}

std::string PackageInf(const std::wstring& driverName, const std::string& catExtension,
                       const std::string& versionLine) {
  std::string driver(driverName.begin(), driverName.end());
  return "[Version]\r\n"
         "Signature=\"$Windows NT$\"\r\n"
         "Class=Printer\r\n"
         "ClassGUID={4D36E979-E325-11CE-BFC1-08002BE10318}\r\n"
         "Provider=Korvel\r\n"
         "CatalogFile=" + driver + catExtension + "\r\n" + versionLine + "\r\n"
         "\r\n[Manufacturer]\r\nKorvel=Korvel,NTamd64,NTx86\r\n";
}

std::string ToUtf16le(const std::string& text) {
  std::string out = "\xFF\xFE";
  for (char c : text) {
    out += c;
    out += '\0';
  }
  return out;
}

bool WriteInfWithCatalogue(const std::wstring& dir, const std::wstring& infName,
                           const std::string& content, const std::wstring& driverName) {
  ::CreateDirectoryW(dir.c_str(), nullptr);
  return WriteText(dir + L"\\" + infName, content) &&
         WriteText(dir + L"\\" + driverName + L".CAT", "catalogue");
}

std::wstring InfDir() {
  wchar_t windows[MAX_PATH] = {};
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  return std::wstring(windows) + L"\\inf";
}

namespace {
std::vector<std::wstring> OemInfs() {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW((InfDir() + L"\\oem*.inf").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(found.cFileName);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return names;
}
}  // namespace

InfDirCleanup::InfDirCleanup(std::vector<std::wstring> alsoRemove)
    : before_(OemInfs()), alsoRemove_(std::move(alsoRemove)) {}

InfDirCleanup::~InfDirCleanup() { Run(); }

std::vector<std::wstring> InfDirCleanup::NewOemInfs() const {
  std::vector<std::wstring> fresh;
  for (const std::wstring& name : OemInfs()) {
    bool old = false;
    for (const std::wstring& b : before_) old = old || b == name;
    if (!old) fresh.push_back(name);
  }
  return fresh;
}

void InfDirCleanup::Run() {
  for (const std::wstring& name : NewOemInfs()) {
    std::wstring path = InfDir() + L"\\" + name;
    ::DeleteFileW(path.c_str());
    path.replace(path.size() - 4, 4, L".pnf");
    ::DeleteFileW(path.c_str());
  }
  for (const std::wstring& name : alsoRemove_) {
    std::wstring path = InfDir() + L"\\" + name;
    ::DeleteFileW(path.c_str());
    if (path.size() > 4) {
      path.replace(path.size() - 4, 4, L".pnf");
      ::DeleteFileW(path.c_str());
    }
  }
}

std::vector<std::wstring> MonitorNames() {
  std::vector<std::wstring> names;
  DWORD needed = 0, returned = 0;
  ::EnumMonitorsW(nullptr, 2, nullptr, 0, &needed, &returned);
  if (!needed) return names;
  std::vector<BYTE> buffer(needed);
  if (!::EnumMonitorsW(nullptr, 2, buffer.data(), needed, &needed, &returned)) return names;
  auto* monitors = reinterpret_cast<MONITOR_INFO_2W*>(buffer.data());
  for (DWORD i = 0; i < returned; ++i) names.push_back(monitors[i].pName ? monitors[i].pName : L"");
  return names;
}

MonitorCleanup::MonitorCleanup(std::wstring name) : name_(std::move(name)) { Run(); }

MonitorCleanup::~MonitorCleanup() { Run(); }

void MonitorCleanup::Run() {
  wchar_t x64[] = L"Windows x64";
  wchar_t x86[] = L"Windows NT x86";
  ::DeleteMonitorW(nullptr, x64, &name_[0]);
  ::DeleteMonitorW(nullptr, x86, &name_[0]);
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                   (L"System\\CurrentControlSet\\Control\\Print\\Monitors\\" + name_).c_str());
}

const wchar_t kMonitorRecordKey[] = L"Software\\SpoolkitTestMonitor";

MonitorRecord ReadMonitorRecord() {
  MonitorRecord record;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kMonitorRecordKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return record;
  }
  DWORD size = sizeof(record.calls);
  ::RegQueryValueExW(key, L"AddPortEx", nullptr, nullptr, reinterpret_cast<BYTE*>(&record.calls),
                     &size);
  wchar_t text[260] = {};
  size = sizeof(text) - sizeof(wchar_t);
  if (::RegQueryValueExW(key, L"LastPort", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) ==
      ERROR_SUCCESS) {
    record.lastPort = text;
  }
  wchar_t monitor[260] = {};
  size = sizeof(monitor) - sizeof(wchar_t);
  if (::RegQueryValueExW(key, L"LastMonitor", nullptr, nullptr, reinterpret_cast<BYTE*>(monitor),
                         &size) == ERROR_SUCCESS) {
    record.lastMonitor = monitor;
  }
  ::RegCloseKey(key);
  return record;
}

}  // namespace spoolkit_test
