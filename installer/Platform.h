// Small owners of system resources and the platform probes shared by the
// installation steps: system bitness and language, token privileges, the
// WOW64 file-system redirection switch and the program directory.
#pragma once
#include <windows.h>
#include <setupapi.h>
#include <cstdio>

namespace spoolkit {

// Owner of a kernel handle (process, thread, token, file, event).
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  HANDLE* out() { reset(); return &h_; }
  void reset(HANDLE h = nullptr) {
    if (valid()) ::CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_ = nullptr;
};

// Owner of a FindFirstFileW search.
class UniqueFind {
 public:
  explicit UniqueFind(HANDLE h) : h_(h) {}
  ~UniqueFind() {
    if (valid()) ::FindClose(h_);
  }
  UniqueFind(const UniqueFind&) = delete;
  UniqueFind& operator=(const UniqueFind&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

// Owner of an open registry key.
class UniqueKey {
 public:
  UniqueKey() = default;
  ~UniqueKey() {
    if (k_) ::RegCloseKey(k_);
  }
  UniqueKey(const UniqueKey&) = delete;
  UniqueKey& operator=(const UniqueKey&) = delete;
  HKEY get() const { return k_; }
  HKEY* out() { return &k_; }

 private:
  HKEY k_ = nullptr;
};

// Owner of a loaded module.
class UniqueModule {
 public:
  explicit UniqueModule(HMODULE m) : m_(m) {}
  ~UniqueModule() {
    if (m_) ::FreeLibrary(m_);
  }
  UniqueModule(const UniqueModule&) = delete;
  UniqueModule& operator=(const UniqueModule&) = delete;
  HMODULE get() const { return m_; }

 private:
  HMODULE m_;
};

// Owner of a C stream.
class UniqueStream {
 public:
  explicit UniqueStream(FILE* f) : f_(f) {}
  ~UniqueStream() {
    if (f_) std::fclose(f_);
  }
  UniqueStream(const UniqueStream&) = delete;
  UniqueStream& operator=(const UniqueStream&) = delete;
  FILE* get() const { return f_; }

 private:
  FILE* f_;
};

// Owner of a device information set.
class UniqueDevInfo {
 public:
  explicit UniqueDevInfo(HDEVINFO h) : h_(h) {}
  ~UniqueDevInfo() {
    if (valid()) ::SetupDiDestroyDeviceInfoList(h_);
  }
  UniqueDevInfo(const UniqueDevInfo&) = delete;
  UniqueDevInfo& operator=(const UniqueDevInfo&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HDEVINFO get() const { return h_; }

 private:
  HDEVINFO h_;
};

// True on a 64-bit system (AMD64 or IA64), also for a 32-bit module under WOW64.
bool is64BitSystem();
// "Windows x64" or "Windows NT x86".
const wchar_t* environmentName();
// System default language is Chinese (PRC), 2052.
bool isChineseSystem();
// Enables (or removes) a privilege of the token; true when both the lookup
// and the adjustment succeeded.
bool _SetPrivilege(HANDLE token, const wchar_t* privilege, bool enable);

// Turns WOW64 file-system redirection off for its lifetime (when the system
// offers the switch) and restores it on destruction.
class Wow64RedirectionOff {
 public:
  Wow64RedirectionOff();
  ~Wow64RedirectionOff();
  Wow64RedirectionOff(const Wow64RedirectionOff&) = delete;
  Wow64RedirectionOff& operator=(const Wow64RedirectionOff&) = delete;
  // False when "Kernel32.dll" could not be loaded.
  bool loaded() const { return module_.get() != nullptr; }

 private:
  UniqueModule module_;
  BOOL(WINAPI* revert_)(PVOID) = nullptr;
  PVOID OldValue = nullptr;
  bool disabled_ = false;
};

// Directory of the calling program's executable with its trailing
// backslash, into out (capacity cap). False when the path does not fit.
bool programDirectory(wchar_t* out, size_t cap);

}  // namespace spoolkit
