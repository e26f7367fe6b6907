// Setwright's owner template on real handles: what it holds is closed once
// (scope exit, Reset, Out, move-assignment), a moved-from owner is empty,
// Release gives a value up unclosed, and "nothing held" values are never
// passed to the close function.
#include <gtest/gtest.h>
#include <windows.h>

#include <utility>

#include "common/UniqueResource.h"

namespace {

int closes = 0;
struct CountedClose {
  void operator()(HANDLE handle) const {
    ++closes;
    ::CloseHandle(handle);
  }
};
using CountedHandle = UniqueResource<HANDLE, CountedClose, HandleIsEmpty>;

HANDLE NewEvent() { return ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }

bool IsOpen(HANDLE handle) {
  DWORD flags = 0;
  return ::GetHandleInformation(handle, &flags) != FALSE;
}

}  // namespace

TEST(UniqueResource, ClosesExactlyOnceOnEveryPath) {
  closes = 0;
  HANDLE a = NewEvent(), b = NewEvent(), c = NewEvent();
  { CountedHandle owner(a); }
  EXPECT_FALSE(IsOpen(a));
  CountedHandle owner(b);
  owner.Reset(c);
  EXPECT_FALSE(IsOpen(b));
  EXPECT_TRUE(IsOpen(c));
  CountedHandle other(NewEvent());
  const HANDLE d = other.Get();
  owner = std::move(other);
  EXPECT_FALSE(IsOpen(c));
  EXPECT_FALSE(other.Valid());
  EXPECT_EQ(owner.Get(), d);
  HANDLE* slot = owner.Out();  // what it held goes before the slot is handed out
  EXPECT_FALSE(IsOpen(d));
  EXPECT_EQ(*slot, INVALID_HANDLE_VALUE);
  *slot = NewEvent();
  const HANDLE kept = owner.Release();
  EXPECT_TRUE(IsOpen(kept));
  ::CloseHandle(kept);
  EXPECT_EQ(closes, 4);
}

TEST(UniqueResource, EmptyValuesAreNeverClosed) {
  closes = 0;
  { CountedHandle none; }
  { CountedHandle null(nullptr); }
  { CountedHandle invalid(INVALID_HANDLE_VALUE); }
  {
    CountedHandle failed(::CreateFileW(L"Z:\\no\\such\\file", GENERIC_READ, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(failed.Valid());
  }
  EXPECT_EQ(closes, 0);
  UniqueSocket socket;
  EXPECT_FALSE(socket.Valid());
  UniqueRegistryKey key;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.Out()), ERROR_SUCCESS);
  EXPECT_TRUE(key.Valid());
}
