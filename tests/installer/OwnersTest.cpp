// The owner template's contract on real system handles: what it holds is
// closed exactly once (scope exit, reset, out(), move-assignment), a moved-
// from owner is empty, and a value equal to the kind's invalid value is
// never passed to the close function.
#include <gtest/gtest.h>
#include <windows.h>

#include <utility>

#include "installer/Owners.h"

using spoolkit::UniqueHandle;
using spoolkit::UniqueKey;

namespace {

int closes = 0;
void countedClose(HANDLE h) {
  ++closes;
  ::CloseHandle(h);
}
using CountedHandle = spoolkit::UniqueResource<HANDLE, countedClose>;
using CountedFile = spoolkit::UniqueResource<HANDLE, countedClose, -1>;

HANDLE NewEvent() { return ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }

bool IsOpen(HANDLE h) {
  DWORD flags = 0;
  return ::GetHandleInformation(h, &flags) != FALSE;
}

TEST(Owners, ClosesOnScopeExitResetAndMoveAssignment) {
  HANDLE a = NewEvent(), b = NewEvent(), c = NewEvent();
  { UniqueHandle owner(a); }
  EXPECT_FALSE(IsOpen(a));

  UniqueHandle owner(b);
  owner.reset(c);
  EXPECT_FALSE(IsOpen(b));
  EXPECT_TRUE(IsOpen(c));

  UniqueHandle other(NewEvent());
  HANDLE d = other.get();
  owner = std::move(other);  // c is closed, d changes hands
  EXPECT_FALSE(IsOpen(c));
  EXPECT_FALSE(other.valid());
  EXPECT_EQ(other.get(), nullptr);
  EXPECT_EQ(owner.get(), d);
  owner.reset();
  EXPECT_FALSE(IsOpen(d));
}

// out() hands back an empty slot: a reused key owner (as a retry would
// reuse it) no longer leaks the key it held.
TEST(Owners, OutReleasesWhatWasHeld) {
  UniqueKey key;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.out()), ERROR_SUCCESS);
  HKEY first = key.get();
  HKEY* slot = key.out();
  EXPECT_EQ(*slot, nullptr);
  EXPECT_EQ(::RegQueryInfoKeyW(first, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_HANDLE);
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, slot), ERROR_SUCCESS);
  EXPECT_TRUE(key.valid());
}

TEST(Owners, ClosesEachValueOnceAndNeverTheInvalidOne) {
  closes = 0;
  {
    CountedHandle nullOwner;
    nullOwner.reset();
    nullOwner.out();
    CountedFile failedOpen(::CreateFileW(L"C:\\no-such-dir\\no-such-file", GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(failedOpen.valid());
  }
  EXPECT_EQ(closes, 0);

  HANDLE kept = NewEvent();
  {
    CountedHandle first(NewEvent());
    CountedHandle second(std::move(first));
    EXPECT_FALSE(first.valid());
    CountedHandle third;
    third = std::move(second);
    third.reset(third.get());  // resetting to the held value keeps it open
    CountedHandle released(kept);
    EXPECT_EQ(released.release(), kept);
  }
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(IsOpen(kept));
  ::CloseHandle(kept);
}

}  // namespace
