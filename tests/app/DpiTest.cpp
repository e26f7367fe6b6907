// The main dialog at 96, 120, 144 and 192 DPI: every text fits its control
// and no control lies over another. A Wine prefix has one DPI, read by each
// program when it starts, so the test sets it and runs itself again for
// each DPI; that run creates the dialog and measures it. A DPI change while
// the program runs is sent to the window by hand.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/MainDlg.h"
#include "common/UniqueResource.h"
#include "framework/Dpi.h"
#include "tests/support/PageDriver.h"
#include "tests/support/PrinterEnds.h"

namespace {

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kExpectedDpi[] = L"SW_EXPECT_DPI";

// Sets the prefix's DPI for the programs started while it lives, and puts
// back what was there.
class PrefixDpi {
 public:
  explicit PrefixDpi(DWORD dpi) {
    DWORD size = sizeof(previous_);
    had_ = ::RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &previous_,
                          &size) == ERROR_SUCCESS;
    Write(&dpi);
  }
  ~PrefixDpi() { Write(had_ ? &previous_ : nullptr); }
  PrefixDpi(const PrefixDpi&) = delete;
  PrefixDpi& operator=(const PrefixDpi&) = delete;

 private:
  static void Write(const DWORD* dpi) {
    UniqueRegistryKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Out(),
                          nullptr) != ERROR_SUCCESS) {
      return;
    }
    if (dpi == nullptr) {
      ::RegDeleteValueW(key.Get(), L"LogPixels");
    } else {
      ::RegSetValueExW(key.Get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(dpi), sizeof(*dpi));
    }
  }
  DWORD previous_ = 0;
  bool had_ = false;
};

// Runs this program's Layout tests in a new process at dpi; returns its exit
// code and passes its output on.
DWORD RunLayoutAt(DWORD dpi) {
  const std::wstring log = testing_ends::ScratchDir() + L"layout-" + std::to_wstring(dpi) + L".txt";
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  DWORD code = 999;
  {
    UniqueHandle output(::CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --gtest_filter=Layout.*";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output.Get();
    PROCESS_INFORMATION started{};
    PrefixDpi prefix(dpi);
    ::SetEnvironmentVariableW(kExpectedDpi, std::to_wstring(dpi).c_str());
    const BOOL ran = output.Valid() && ::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0,
                                                        nullptr, nullptr, &startup, &started);
    ::SetEnvironmentVariableW(kExpectedDpi, nullptr);
    if (!ran) return code;
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
    if (::WaitForSingleObject(process.Get(), 90000) != WAIT_OBJECT_0) ::TerminateProcess(process.Get(), 999);
    ::WaitForSingleObject(process.Get(), 5000);
    ::GetExitCodeProcess(process.Get(), &code);
  }
  const std::vector<unsigned char> text = testing_ends::ReadWholeFile(log);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return code;
}

std::wstring TextOf(HWND window) {
  wchar_t text[600] = {};
  ::GetWindowTextW(window, text, 600);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

RECT Place(HWND window) {
  RECT place{};
  ::GetWindowRect(window, &place);
  return place;
}

// The size of text ("Ag" for the height alone) in window's font.
SIZE TextSize(HWND window, std::wstring text) {
  SIZE size{};
  const bool heightOnly = text.empty();
  if (heightOnly) text = L"Ag";
  HDC dc = ::GetDC(window);
  if (dc == nullptr) return size;
  const HGDIOBJ before = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(window, WM_GETFONT, 0, 0)));
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, before);
  ::ReleaseDC(window, dc);
  if (heightOnly) size.cx = 0;
  return size;
}

std::wstring Name(HWND window) {
  return ClassOf(window) + L" #" + std::to_wstring(::GetDlgCtrlID(window)) + L" \"" + TextOf(window) + L"\"";
}

// What is wrong with the layout at one DPI, one sentence a fault.
class LayoutCheck {
 public:
  explicit LayoutCheck(UINT dpi) : dpi_(dpi) {}
  const std::vector<std::wstring>& Problems() const { return problems_; }

  // Every text of parent's shown controls fits; no two controls overlap (a
  // control in a frame lies wholly inside it, below its caption); each lies
  // inside parent. The windows in skip are left out.
  void Window(HWND parent, const std::wstring& where, const std::vector<HWND>& skip = {}) {
    std::vector<HWND> controls;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      if (::IsWindowVisible(child) && std::find(skip.begin(), skip.end(), child) == skip.end()) {
        controls.push_back(child);
        Texts(child, where);
      }
    }
    RECT client{}, inside{};
    ::GetClientRect(parent, &client);
    ::MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&client), 2);
    for (size_t i = 0; i < controls.size(); ++i) {
      const RECT a = Place(controls[i]);
      if (!::IntersectRect(&inside, &a, &client) || !::EqualRect(&inside, &a)) {
        Problem(where, Name(controls[i]) + L" reaches out of its window");
      }
      for (size_t j = i + 1; j < controls.size(); ++j) Overlap(controls[i], controls[j], where);
    }
  }

 private:
  int Px(int at96) const { return ::MulDiv(at96, static_cast<int>(dpi_), 96); }
  void Problem(const std::wstring& where, const std::wstring& what) {
    problems_.push_back(std::to_wstring(dpi_) + L" DPI, " + where + L": " + what);
  }
  static bool IsFrame(HWND window) {
    return ClassOf(window) == L"Button" && (::GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
  }

  void Overlap(HWND a, HWND b, const std::wstring& where) {
    const RECT ra = Place(a), rb = Place(b);
    RECT common{};
    if (!::IntersectRect(&common, &ra, &rb)) return;
    if (!IsFrame(a) && !IsFrame(b)) return Problem(where, Name(a) + L" and " + Name(b) + L" overlap");
    // Of two frames, the one that holds the other's corner is the outer one.
    HWND frame = IsFrame(a) ? a : b, inner = IsFrame(a) ? b : a;
    if (IsFrame(a) && IsFrame(b) && !::PtInRect(&ra, POINT{rb.left, rb.top})) std::swap(frame, inner);
    const RECT outside = Place(frame), place = Place(inner);
    const int caption = TextOf(frame).empty() ? 1 : TextSize(frame, TextOf(frame)).cy;
    if (!(place.left > outside.left && place.right < outside.right && place.top >= outside.top + caption &&
          place.bottom < outside.bottom)) {
      Problem(where, Name(inner) + L" crosses the frame of " + Name(frame));
    }
  }

  void Fits(HWND control, const std::wstring& where, const std::wstring& text, int width, int height) {
    const SIZE size = TextSize(control, text);
    if (size.cx > width || size.cy > height) {
      Problem(where, Name(control) + L": \"" + text + L"\" takes " + std::to_wstring(size.cx) + L"x" +
                         std::to_wstring(size.cy) + L" px of " + std::to_wstring(width) + L"x" +
                         std::to_wstring(height));
    }
  }

  void Texts(HWND control, const std::wstring& where) {
    RECT client{};
    ::GetClientRect(control, &client);
    const std::wstring kind = ClassOf(control), text = TextOf(control);
    const LONG type = ::GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    if (kind == L"Button" && type == BS_GROUPBOX) {
      if (!text.empty()) Fits(control, where, text, client.right - Px(16), client.bottom);
    } else if (kind == L"Button" && (type == BS_AUTOCHECKBOX || type == BS_AUTORADIOBUTTON ||
                                     type == BS_CHECKBOX || type == BS_RADIOBUTTON)) {
      Fits(control, where, text, client.right - Px(13 + 4), client.bottom);  // box, gap, text
    } else if (kind == L"Button") {
      Fits(control, where, text, client.right - Px(8), client.bottom - Px(4));
    } else if (kind == L"Static" || kind == L"Edit") {
      Fits(control, where, kind == L"Edit" ? std::wstring() : text, client.right, client.bottom);
    } else if (kind == L"ComboBox") {
      // Every entry, as the closed list shows it beside its button.
      const int room = client.right - SystemMetricForDpi(SM_CXVSCROLL, dpi_) - Px(6);
      for (const std::wstring& item : pages_test::ComboItems(::GetParent(control), ::GetDlgCtrlID(control))) {
        Fits(control, where, item, room, client.bottom);
      }
    } else if (kind == WC_IPADDRESSW) {
      for (HWND field = ::GetWindow(control, GW_CHILD); field; field = ::GetWindow(field, GW_HWNDNEXT)) {
        RECT box{};
        ::GetClientRect(field, &box);
        Fits(field, where + L", address field", L"255", box.right, box.bottom);
      }
    } else if (kind == WC_TABCONTROLW) {
      for (int i = 0; i < CMainDlg::kPageCount; ++i) {
        wchar_t caption[128] = {};
        TCITEMW item{TCIF_TEXT};
        item.pszText = caption;
        item.cchTextMax = 128;
        ::SendMessageW(control, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        RECT box{};
        ::SendMessageW(control, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&box));
        Fits(control, where + L", tab " + std::to_wstring(i), caption, box.right - box.left, box.bottom - box.top);
        if (box.right > client.right) Problem(where, L"tab " + std::to_wstring(i) + L" lies beyond the strip");
      }
    }
  }

  UINT dpi_;
  std::vector<std::wstring> problems_;
};

int IconWidth(HWND window, WPARAM which) {
  ICONINFO info{};
  BITMAP bitmap{};
  const HICON icon = reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, which, 0));
  if (icon == nullptr || !::GetIconInfo(icon, &info)) return 0;
  ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  if (info.hbmMask) ::DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

// The tab control's display area on the screen: where the page must lie.
RECT PageArea(HWND tab) {
  RECT area = Place(tab);
  ::SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  return area;
}

// The main dialog as the page tests make it, showing the address field.
class MainDialogAtDpi : public pages_test::PagesTest {
 protected:
  void SetUp() override {
    PagesTest::SetUp();
    window_ = dialog_->m_hWnd;
    tab_ = ::GetDlgItem(window_, IDC_TAB);
    pages_test::ShowEntry(window_, IDC_PORT_LIST, L"Ethernet");  // shows the address field
  }

  HWND window_ = nullptr;
  HWND tab_ = nullptr;
};

using Layout = MainDialogAtDpi;
using DpiChange = MainDialogAtDpi;

}  // namespace

TEST(AtDpi, EveryTextFitsAndNoControlOverlaps) {
  for (DWORD dpi : {96u, 120u, 144u, 192u}) EXPECT_EQ(RunLayoutAt(dpi), 0u) << dpi << " DPI";
}

// Run by the test above, once per DPI.
TEST_F(Layout, EveryTextFitsAndNoControlOverlaps) {
  wchar_t expected[16] = {};
  if (::GetEnvironmentVariableW(kExpectedDpi, expected, 16) == 0) GTEST_SKIP() << "run by AtDpi";
  const UINT dpi = static_cast<UINT>(_wtoi(expected));
  ASSERT_EQ(WindowDpi(window_), dpi);
  ASSERT_EQ(dialog_->Dpi(), dpi);
  ::ShowWindow(window_, SW_SHOW);
  LayoutCheck check(dpi);
  std::vector<HWND> pages;
  for (int i = 0; i < CMainDlg::kPageCount; ++i) pages.push_back(dialog_->Page(i));
  check.Window(window_, L"main window", pages);
  for (int i = 0; i < CMainDlg::kPageCount; ++i) {
    dialog_->SelectPage(i);
    check.Window(pages[i], L"page " + std::to_wstring(i));
    // The page fills the display area, below every caption of the strip.
    const RECT area = PageArea(tab_), page = Place(pages[i]);
    EXPECT_TRUE(::EqualRect(&page, &area)) << "page " << i;
    for (int item = 0; item < CMainDlg::kPageCount; ++item) {
      RECT caption{};
      ::SendMessageW(tab_, TCM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&caption));
      ::MapWindowPoints(tab_, nullptr, reinterpret_cast<POINT*>(&caption), 2);
      EXPECT_LE(caption.bottom, page.top) << "page " << i << " over caption " << item;
    }
  }
  for (const std::wstring& problem : check.Problems()) ADD_FAILURE() << problem;
  EXPECT_EQ(IconWidth(window_, ICON_BIG), SystemMetricForDpi(SM_CXICON, dpi));
  EXPECT_EQ(IconWidth(window_, ICON_SMALL), SystemMetricForDpi(SM_CXSMICON, dpi));
}

// A DPI change (the window moved to another monitor) brings the new DPI and
// a suggested window rectangle: the window takes both, makes its icons and
// the address field's font for the new DPI, lays the address field out
// again (with its address, state and place in the Tab order) and keeps the
// page under the tab strip.
TEST_F(DpiChange, TheWindowIsLaidOutForTheNewDpi) {
  pages_test::TypeAddress(window_, 127, 0, 0, 5);
  const UINT first = dialog_->Dpi();
  for (UINT dpi : {first * 2, first * 3 / 2, first}) {
    RECT suggested = Place(window_);
    suggested.right = suggested.left + ::MulDiv(suggested.right - suggested.left, dpi, dialog_->Dpi());
    suggested.bottom = suggested.top + ::MulDiv(suggested.bottom - suggested.top, dpi, dialog_->Dpi());
    ::SendMessageW(window_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);

    EXPECT_EQ(dialog_->Dpi(), dpi);
    const RECT window = Place(window_), area = PageArea(tab_), page = Place(dialog_->Page(0));
    EXPECT_TRUE(::EqualRect(&window, &suggested)) << dpi;
    EXPECT_TRUE(::EqualRect(&page, &area)) << dpi;
    EXPECT_EQ(IconWidth(window_, ICON_BIG), SystemMetricForDpi(SM_CXICON, dpi)) << dpi;
    EXPECT_EQ(IconWidth(window_, ICON_SMALL), SystemMetricForDpi(SM_CXSMICON, dpi)) << dpi;

    const HWND address = ::GetDlgItem(window_, IDC_PRINTER_ADDRESS);
    ASSERT_NE(address, nullptr);
    EXPECT_TRUE(::IsWindowEnabled(address));
    EXPECT_EQ(pages_test::AddressOf(window_, IDC_PRINTER_ADDRESS), MAKEIPADDRESS(127, 0, 0, 5)) << dpi;
    EXPECT_STREQ(PrinterAddressText, L"127.0.0.5");
    EXPECT_EQ(::GetNextDlgTabItem(window_, address, FALSE), tab_) << dpi;
    EXPECT_EQ(::GetNextDlgTabItem(window_, address, TRUE), ::GetDlgItem(window_, IDC_CONFIG_PORT)) << dpi;
    // Four fields side by side inside the control, in the font for the DPI.
    const RECT frame = Place(address);
    LONG right = frame.left;
    int fields = 0;
    for (HWND field = ::GetWindow(address, GW_CHILD); field; field = ::GetWindow(field, GW_HWNDNEXT), ++fields) {
      const RECT box = Place(field);
      EXPECT_TRUE(box.left >= right && box.right <= frame.right && box.top >= frame.top &&
                  box.bottom <= frame.bottom) << dpi << ", field " << fields;
      right = box.right;
      LOGFONTW font{};
      ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(field, WM_GETFONT, 0, 0)), sizeof(font), &font);
      EXPECT_EQ(font.lfHeight, -::MulDiv(8, static_cast<int>(dpi), 72)) << dpi;
    }
    EXPECT_EQ(fields, 4) << dpi;
  }
  // The dialog's own font outlived the address fields that were replaced.
  LOGFONTW font{};
  EXPECT_EQ(::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(window_, WM_GETFONT, 0, 0)), sizeof(font), &font),
            static_cast<int>(sizeof(font)));
}
