// One owner for every kind of system resource the library opens: a handle,
// a search, a registry key, a module, a C stream, a device-information set.
// Each kind is an alias of UniqueResource naming its close function and the
// value that means "nothing held".
#pragma once
#include <windows.h>
#include <setupapi.h>

#include <cstdint>
#include <cstdio>
#include <utility>

namespace spoolkit {

// Owns one value of pointer-like type T and passes it to Close when it is
// replaced, released through out(), or goes out of scope. A value equal to
// InvalidBits (as T) is never passed to Close. Moving hands the value over
// and leaves the source holding the invalid value.
template <typename T, auto Close, std::intptr_t InvalidBits = 0>
class UniqueResource {
 public:
  static T invalid() { return reinterpret_cast<T>(InvalidBits); }

  UniqueResource() = default;
  explicit UniqueResource(T value) : value_(value) {}
  ~UniqueResource() { reset(); }

  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  bool valid() const { return value_ != invalid(); }
  T get() const { return value_; }

  // Closes what is held (if anything) and holds value instead.
  void reset(T value = invalid()) {
    T old = std::exchange(value_, value);
    if (old != invalid() && old != value) Close(old);
  }

  // Gives up ownership without closing.
  T release() { return std::exchange(value_, invalid()); }

  // For functions that return the value through a pointer: closes what is
  // held first, so reuse of an owner never leaks the previous value.
  T* out() {
    reset();
    return &value_;
  }

 private:
  T value_ = invalid();
};

namespace owners_detail {
// INVALID_HANDLE_VALUE; also what a failed device-information set query returns.
constexpr std::intptr_t kMinusOne = -1;
inline void closeStream(FILE* stream) { std::fclose(stream); }
}  // namespace owners_detail

// Process, thread, token and event handles: failure is NULL.
using UniqueHandle = UniqueResource<HANDLE, ::CloseHandle>;
// File and device handles from CreateFileW: failure is INVALID_HANDLE_VALUE.
using UniqueFile = UniqueResource<HANDLE, ::CloseHandle, owners_detail::kMinusOne>;
// A FindFirstFileW search.
using UniqueFind = UniqueResource<HANDLE, ::FindClose, owners_detail::kMinusOne>;
// An open registry key.
using UniqueKey = UniqueResource<HKEY, ::RegCloseKey>;
// A module from LoadLibraryW.
using UniqueModule = UniqueResource<HMODULE, ::FreeLibrary>;
// A C stream.
using UniqueStream = UniqueResource<FILE*, owners_detail::closeStream>;
// A device-information set from SetupDiGetClassDevsW.
using UniqueDevInfo = UniqueResource<HDEVINFO, ::SetupDiDestroyDeviceInfoList, owners_detail::kMinusOne>;

}  // namespace spoolkit
