// One owner for every kind of system resource Setwright borrows: a handle,
// socket, key, icon, font, device-information set or notification is released by
// its close function when the owner goes out of scope, is reset, or hands
// its slot out for refilling. Each kind is one alias below.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

// Owner of one value of type T. Close is a function object that releases a
// value; Empty says which value means "nothing held" (Empty::Value()) and
// which values are never closed (Empty::Holds(value) false).
template <typename T, typename Close, typename Empty>
class UniqueResource {
 public:
  UniqueResource() = default;
  explicit UniqueResource(T value) : value_(value) {}
  ~UniqueResource() { Reset(); }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(other.Release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  bool Valid() const { return Empty::Holds(value_); }
  T Get() const { return value_; }
  // Releases what is held and holds value instead.
  void Reset(T value = Empty::Value()) {
    const T old = value_;
    value_ = value;
    if (Empty::Holds(old)) Close()(old);
  }
  // Gives up the value without releasing it.
  T Release() {
    const T value = value_;
    value_ = Empty::Value();
    return value;
  }
  // The slot for a function that fills it; what was held is released first.
  T* Out() {
    Reset();
    return &value_;
  }

 private:
  T value_ = Empty::Value();
};

// "Nothing held" for pointer-like handles that use null.
template <typename T>
struct NullIsEmpty {
  static T Value() { return nullptr; }
  static bool Holds(T value) { return value != nullptr; }
};
// Kernel handles: both INVALID_HANDLE_VALUE and null mean none.
struct HandleIsEmpty {
  static HANDLE Value() { return INVALID_HANDLE_VALUE; }
  static bool Holds(HANDLE value) { return value != INVALID_HANDLE_VALUE && value != nullptr; }
};
struct SocketIsEmpty {
  static SOCKET Value() { return INVALID_SOCKET; }
  static bool Holds(SOCKET value) { return value != INVALID_SOCKET; }
};

// Close functions.
struct CloseKernelHandle {
  void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
struct CloseSocket {
  void operator()(SOCKET socket) const { ::closesocket(socket); }
};
struct CloseDeviceInfoSet {
  void operator()(HDEVINFO set) const { ::SetupDiDestroyDeviceInfoList(set); }
};
struct CloseRegistryKey {
  void operator()(HKEY key) const { ::RegCloseKey(key); }
};
struct CloseIcon {
  void operator()(HICON icon) const { ::DestroyIcon(icon); }
};
struct CloseNotification {
  void operator()(HDEVNOTIFY notify) const { ::UnregisterDeviceNotification(notify); }
};
struct ClosePrinterHandle {
  void operator()(HANDLE printer) const { ::ClosePrinter(printer); }
};
struct CloseFind {
  void operator()(HANDLE find) const { ::FindClose(find); }
};
struct CloseGdiObject {
  void operator()(HGDIOBJ object) const { ::DeleteObject(object); }
};

using UniqueHandle = UniqueResource<HANDLE, CloseKernelHandle, HandleIsEmpty>;
using UniqueSocket = UniqueResource<SOCKET, CloseSocket, SocketIsEmpty>;
using UniqueDeviceInfoSet = UniqueResource<HDEVINFO, CloseDeviceInfoSet, HandleIsEmpty>;
using UniqueRegistryKey = UniqueResource<HKEY, CloseRegistryKey, NullIsEmpty<HKEY>>;
using UniqueIcon = UniqueResource<HICON, CloseIcon, NullIsEmpty<HICON>>;
using UniqueNotification = UniqueResource<HDEVNOTIFY, CloseNotification, NullIsEmpty<HDEVNOTIFY>>;
using UniquePrinter = UniqueResource<HANDLE, ClosePrinterHandle, NullIsEmpty<HANDLE>>;
using UniqueFind = UniqueResource<HANDLE, CloseFind, HandleIsEmpty>;
using UniqueFont = UniqueResource<HFONT, CloseGdiObject, NullIsEmpty<HFONT>>;
