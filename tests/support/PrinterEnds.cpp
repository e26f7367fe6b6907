#include "tests/support/PrinterEnds.h"

#include <cstdlib>

namespace testing_ends {

namespace {
constexpr wchar_t kPortsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
}

std::wstring ThisFolder() {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::wstring ScratchDir() {
  wchar_t buffer[MAX_PATH] = {};
  DWORD n = ::GetEnvironmentVariableW(L"SW_TEST_DIR", buffer, MAX_PATH);
  std::wstring dir = (n > 0 && n < MAX_PATH) ? std::wstring(buffer) : std::wstring(L".");
  if (dir.empty() || dir.back() != L'\\') dir += L'\\';
  return dir;
}

std::vector<unsigned char> ReadWholeFile(const std::wstring& path) {
  std::vector<unsigned char> bytes;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  unsigned char chunk[4096];
  DWORD got = 0;
  while (::ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  ::CloseHandle(file);
  return bytes;
}

bool WriteWholeFile(const std::wstring& path, const void* data, size_t size) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = ::WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr);
  ::CloseHandle(file);
  return ok && written == size;
}

std::vector<unsigned char> ReadLptBytes() { return ReadWholeFile(ScratchDir() + L"lpt5.bin"); }

void TruncateLpt() { WriteWholeFile(ScratchDir() + L"lpt5.bin", "", 0); }

ComPeer::ComPeer() {
  handle_ = ::CreateFileW(L"\\\\.\\COM6", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ != INVALID_HANDLE_VALUE) {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 50;
    timeouts.ReadTotalTimeoutConstant = 100;
    ::SetCommTimeouts(handle_, &timeouts);
  }
}

ComPeer::~ComPeer() {
  if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
}

std::vector<unsigned char> ComPeer::Read(size_t expected, DWORD waitMs) {
  std::vector<unsigned char> bytes;
  if (handle_ == INVALID_HANDLE_VALUE) return bytes;
  DWORD start = ::GetTickCount();
  while (bytes.size() < expected && ::GetTickCount() - start < waitMs) {
    unsigned char chunk[1024];
    DWORD got = 0;
    if (!::ReadFile(handle_, chunk, sizeof(chunk), &got, nullptr)) break;
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (got == 0) ::Sleep(10);
  }
  return bytes;
}

PortsEntry::PortsEntry(const wchar_t* portName) : name_(portName) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPortsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
    added_ = ::RegSetValueExW(key, portName, 0, REG_SZ, reinterpret_cast<const BYTE*>(L""),
                              sizeof(wchar_t)) == ERROR_SUCCESS;
    ::RegCloseKey(key);
  }
}

PortsEntry::~PortsEntry() {
  if (!added_) return;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPortsKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    ::RegDeleteValueW(key, name_.c_str());
    ::RegCloseKey(key);
  }
}

namespace {
// One row of the system handle list (information class 16).
struct SystemHandleEntry {
  ULONG ownerPid;
  UCHAR objectType;
  UCHAR flags;
  USHORT handle;
  PVOID object;
  ACCESS_MASK access;
};
struct SystemHandleList {
  ULONG count;
  SystemHandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

// Counts this process's rows of the system handle list; 0 when unavailable.
DWORD CountOwnHandles() {
  auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return 0;
  std::vector<unsigned char> buffer(1 << 16);
  ULONG needed = 0;
  LONG status;
  while ((status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
             static_cast<LONG>(0xC0000004L) &&
         buffer.size() < (64u << 20)) {
    buffer.resize(buffer.size() * 2);
  }
  if (status != 0) return 0;
  const auto* list = reinterpret_cast<const SystemHandleList*>(buffer.data());
  DWORD count = 0;
  for (ULONG i = 0; i < list->count; ++i) {
    if (list->entries[i].ownerPid == ::GetCurrentProcessId()) ++count;
  }
  return count;
}
}  // namespace

DWORD HandleCount() {
  DWORD count = 0;
  ::GetProcessHandleCount(::GetCurrentProcess(), &count);
  // Wine answers 0 here; its system handle list has the real figure.
  if (count == 0) count = CountOwnHandles();
  return count;
}

}  // namespace testing_ends
