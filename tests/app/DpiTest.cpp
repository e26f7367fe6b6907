// The main dialog at 96, 120, 144 and 192 DPI: every text fits its control
// and no control lies over another. A Wine prefix has one DPI, read by each
// program when it starts, so the test sets it and runs itself again for
// each DPI; the second run creates the dialog and measures it. A DPI
// change while the program runs is sent to the window by hand.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/MainDlg.h"
#include "common/UniqueResource.h"
#include "framework/Dpi.h"
#include "tests/support/PageDriver.h"
#include "tests/support/PrinterEnds.h"

namespace {

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kDpiValue[] = L"LogPixels";
constexpr wchar_t kExpectedDpiVariable[] = L"SW_EXPECT_DPI";

// Sets the prefix's DPI for the programs started while it lives, and puts
// the value that was there back.
class PrefixDpi {
 public:
  explicit PrefixDpi(DWORD dpi) {
    UniqueRegistryKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_QUERY_VALUE, key.Out()) == ERROR_SUCCESS) {
      DWORD size = sizeof(previous_);
      had_ = ::RegQueryValueExW(key.Get(), kDpiValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&previous_),
                                &size) == ERROR_SUCCESS;
    }
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
    if (dpi != nullptr) {
      ::RegSetValueExW(key.Get(), kDpiValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(dpi), sizeof(*dpi));
    } else {
      ::RegDeleteValueW(key.Get(), kDpiValue);
    }
  }
  DWORD previous_ = 0;
  bool had_ = false;
};

std::wstring ThisProgram() {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  return self;
}

// Runs the Layout tests of this program in a new process at dpi; returns
// its exit code and passes its output on.
DWORD RunLayoutAt(DWORD dpi) {
  const std::wstring log = testing_ends::ScratchDir() + L"layout-" + std::to_wstring(dpi) + L".txt";
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  DWORD code = 999;
  {
    UniqueHandle output(::CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!output.Valid()) return code;
    PrefixDpi prefix(dpi);
    ::SetEnvironmentVariableW(kExpectedDpiVariable, std::to_wstring(dpi).c_str());
    std::wstring commandLine = L"\"" + ThisProgram() + L"\" --gtest_filter=Layout.*";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output.Get();
    startup.hStdError = output.Get();
    PROCESS_INFORMATION started{};
    const BOOL ran = ::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                      &startup, &started);
    ::SetEnvironmentVariableW(kExpectedDpiVariable, nullptr);
    if (!ran) return code;
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
    if (::WaitForSingleObject(process.Get(), 90000) == WAIT_OBJECT_0) {
      ::GetExitCodeProcess(process.Get(), &code);
    } else {
      ::TerminateProcess(process.Get(), 999);
      ::WaitForSingleObject(process.Get(), 5000);
    }
  }
  const std::vector<unsigned char> text = testing_ends::ReadWholeFile(log);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  return code;
}

// ---------------------------------------------------------------------------
// Measuring a window.

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

RECT ScreenRect(HWND window) {
  RECT place{};
  ::GetWindowRect(window, &place);
  return place;
}

// The size of text in window's font.
SIZE TextSize(HWND window, const std::wstring& text) {
  SIZE size{};
  HDC dc = ::GetDC(window);
  if (dc == nullptr) return size;
  const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
  const HGDIOBJ before = font != nullptr ? ::SelectObject(dc, font) : nullptr;
  ::GetTextExtentPoint32W(dc, text.empty() ? L"Ag" : text.c_str(), text.empty() ? 2 : static_cast<int>(text.size()),
                          &size);
  if (text.empty()) size.cx = 0;
  if (before != nullptr) ::SelectObject(dc, before);
  ::ReleaseDC(window, dc);
  return size;
}

std::wstring Name(HWND window) {
  std::wostringstream name;
  name << ClassOf(window) << L" #" << ::GetDlgCtrlID(window) << L" \"" << TextOf(window) << L"\"";
  return name.str();
}

class LayoutCheck {
 public:
  explicit LayoutCheck(UINT dpi) : dpi_(dpi) {}

  int Px(int at96) const { return ::MulDiv(at96, static_cast<int>(dpi_), 96); }

  // Each text of parent's visible controls fits its control; no two
  // controls overlap (a control in a group box lies wholly inside it, below
  // its caption); every control lies inside parent. skip: windows left out
  // (the pages, measured on their own).
  void Window(HWND parent, const std::wstring& where, const std::vector<HWND>& skip = {}) {
    std::vector<HWND> controls;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      if (!::IsWindowVisible(child) || std::find(skip.begin(), skip.end(), child) != skip.end()) continue;
      controls.push_back(child);
      Texts(child, where);
    }
    RECT client{};
    ::GetClientRect(parent, &client);
    ::MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&client), 2);
    for (size_t i = 0; i < controls.size(); ++i) {
      const RECT a = ScreenRect(controls[i]);
      RECT inside{};
      if (!::IntersectRect(&inside, &a, &client) || !::EqualRect(&inside, &a)) {
        Problem(where, Name(controls[i]) + L" reaches out of its window");
      }
      for (size_t j = i + 1; j < controls.size(); ++j) Overlap(controls[i], controls[j], where);
    }
  }

  const std::vector<std::wstring>& Problems() const { return problems_; }

 private:
  void Problem(const std::wstring& where, const std::wstring& what) {
    problems_.push_back(std::to_wstring(dpi_) + L" DPI, " + where + L": " + what);
  }

  bool IsGroupBox(HWND window) const {
    return ClassOf(window) == L"Button" && (::GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
  }

  void Overlap(HWND a, HWND b, const std::wstring& where) {
    const RECT ra = ScreenRect(a);
    const RECT rb = ScreenRect(b);
    RECT common{};
    if (!::IntersectRect(&common, &ra, &rb)) return;
    const bool groupA = IsGroupBox(a);
    const bool groupB = IsGroupBox(b);
    if (!groupA && !groupB) {
      Problem(where, Name(a) + L" and " + Name(b) + L" overlap");
      return;
    }
    // One inside the other: wholly, off its frame and below its caption. Of
    // two frames the one that holds the other's corner is the outer one.
    HWND group = groupA ? a : b;
    HWND inner = groupA ? b : a;
    if (groupA && groupB) {
      const POINT corner{rb.left, rb.top};
      if (!::PtInRect(&ra, corner)) std::swap(group, inner);
    }
    const RECT frame = ScreenRect(group);
    const RECT place = ScreenRect(inner);
    const int caption = TextOf(group).empty() ? 1 : TextSize(group, TextOf(group)).cy;
    if (!(place.left > frame.left && place.right < frame.right && place.top >= frame.top + caption &&
          place.bottom < frame.bottom)) {
      Problem(where, Name(inner) + L" crosses the frame of " + Name(group));
    }
  }

  void Fits(HWND control, const std::wstring& where, const std::wstring& text, int room, int height) {
    const SIZE size = TextSize(control, text);
    if (size.cx > room) {
      Problem(where, Name(control) + L": \"" + text + L"\" needs " + std::to_wstring(size.cx) + L" px, has " +
                         std::to_wstring(room));
    }
    if (size.cy > height) {
      Problem(where, Name(control) + L": text " + std::to_wstring(size.cy) + L" px high, control " +
                         std::to_wstring(height));
    }
  }

  void Texts(HWND control, const std::wstring& where) {
    RECT client{};
    ::GetClientRect(control, &client);
    const int width = client.right;
    const int height = client.bottom;
    const std::wstring kind = ClassOf(control);
    const LONG style = ::GetWindowLongW(control, GWL_STYLE);
    const std::wstring text = TextOf(control);
    if (kind == L"Button") {
      switch (style & BS_TYPEMASK) {
        case BS_GROUPBOX:
          if (!text.empty()) Fits(control, where, text, width - Px(16), height);
          break;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
          // The box, a gap, the text.
          Fits(control, where, text, width - Px(13) - Px(4), height);
          break;
        default:
          Fits(control, where, text, width - Px(8), height - Px(4));
      }
    } else if (kind == L"Static") {
      Fits(control, where, text, width, height);
    } else if (kind == L"ComboBox") {
      // Every entry, as the closed list shows it beside its button.
      const int room = width - SystemMetricForDpi(SM_CXVSCROLL, dpi_) - Px(6);
      for (const std::wstring& item : pages_test::ComboItems(::GetParent(control), ::GetDlgCtrlID(control))) {
        Fits(control, where, item, room, height);
      }
    } else if (kind == L"Edit") {
      Fits(control, where, std::wstring(), width, height);
    } else if (kind == WC_IPADDRESSW) {
      for (HWND field = ::GetWindow(control, GW_CHILD); field; field = ::GetWindow(field, GW_HWNDNEXT)) {
        RECT place{};
        ::GetClientRect(field, &place);
        Fits(field, where + L", address field", L"255", place.right, place.bottom);
      }
    } else if (kind == WC_TABCONTROLW) {
      const int count = static_cast<int>(::SendMessageW(control, TCM_GETITEMCOUNT, 0, 0));
      for (int i = 0; i < count; ++i) {
        wchar_t caption[128] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption;
        item.cchTextMax = 128;
        ::SendMessageW(control, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        RECT place{};
        ::SendMessageW(control, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&place));
        Fits(control, where + L", tab " + std::to_wstring(i), caption, place.right - place.left,
             place.bottom - place.top);
        if (place.right > width) Problem(where, L"tab " + std::to_wstring(i) + L" lies beyond the strip");
      }
    }
  }

  UINT dpi_;
  std::vector<std::wstring> problems_;
};

class MainDialogAtDpi : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    ::InitCommonControlsEx(&controls);
    dialog_ = std::make_unique<CMainDlg>();
    ASSERT_NE(dialog_->Create(nullptr), nullptr);
    MainDialog = dialog_.get();
    MainWindow = dialog_->m_hWnd;
  }
  void TearDown() override {
    dialog_.reset();
    MainDialog = nullptr;
    MainWindow = nullptr;
  }

  // Runs the messages waiting for this thread.
  void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }

  std::unique_ptr<CMainDlg> dialog_;
};

using Layout = MainDialogAtDpi;
using DpiChange = MainDialogAtDpi;

SIZE IconSize(HICON icon) {
  SIZE size{};
  ICONINFO info{};
  if (icon == nullptr || !::GetIconInfo(icon, &info)) return size;
  BITMAP bitmap{};
  if (info.hbmColor != nullptr && ::GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap)) {
    size = {bitmap.bmWidth, bitmap.bmHeight};
  } else if (info.hbmMask != nullptr && ::GetObjectW(info.hbmMask, sizeof(bitmap), &bitmap)) {
    size = {bitmap.bmWidth, bitmap.bmHeight / 2};
  }
  if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);
  return size;
}

// The display area of the tab control, on the screen.
RECT PageArea(HWND tab) {
  RECT area = ScreenRect(tab);
  ::SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  return area;
}

}  // namespace

TEST(AtDpi, EveryTextFitsAndNoControlOverlaps) {
  for (DWORD dpi : {96u, 120u, 144u, 192u}) {
    EXPECT_EQ(RunLayoutAt(dpi), 0u) << dpi << " DPI";
  }
}

// Run by the test above, once per DPI.
TEST_F(Layout, EveryTextFitsAndNoControlOverlaps) {
  wchar_t expected[16] = {};
  if (::GetEnvironmentVariableW(kExpectedDpiVariable, expected, 16) == 0) GTEST_SKIP() << "run by AtDpi";
  const UINT dpi = static_cast<UINT>(_wtoi(expected));
  ASSERT_EQ(WindowDpi(dialog_->m_hWnd), dpi);
  ASSERT_EQ(dialog_->Dpi(), dpi);
  const HWND window = dialog_->m_hWnd;
  const HWND tab = ::GetDlgItem(window, IDC_TAB);
  // The address field shows for the network printer.
  pages_test::ShowEntry(window, IDC_PORT_LIST, L"Ethernet");
  ::ShowWindow(window, SW_SHOW);
  LayoutCheck check(dpi);
  std::vector<HWND> pages;
  for (int i = 0; i < CMainDlg::kPageCount; ++i) pages.push_back(dialog_->Page(i));
  check.Window(window, L"main window", pages);
  for (int i = 0; i < CMainDlg::kPageCount; ++i) {
    dialog_->SelectPage(i);
    const HWND page = dialog_->Page(i);
    check.Window(page, L"page " + std::to_wstring(i));
    // The page fills the display area, below every caption of the strip.
    const RECT area = PageArea(tab);
    const RECT place = ScreenRect(page);
    EXPECT_TRUE(::EqualRect(&place, &area)) << "page " << i;
    for (int item = 0; item < CMainDlg::kPageCount; ++item) {
      RECT caption{};
      ::SendMessageW(tab, TCM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&caption));
      ::MapWindowPoints(tab, nullptr, reinterpret_cast<POINT*>(&caption), 2);
      EXPECT_LE(caption.bottom, place.top) << "page " << i << " over caption " << item;
    }
  }
  for (const std::wstring& problem : check.Problems()) ADD_FAILURE() << std::string(problem.begin(), problem.end());
  // The window's icons are made for its DPI.
  const SIZE big = IconSize(reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, ICON_BIG, 0)));
  EXPECT_EQ(big.cx, SystemMetricForDpi(SM_CXICON, dpi));
  const SIZE small = IconSize(reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, ICON_SMALL, 0)));
  EXPECT_EQ(small.cx, SystemMetricForDpi(SM_CXSMICON, dpi));
}

// A DPI change (the window moved to another monitor) comes with the new DPI
// and a suggested window rectangle: the window takes both, makes its icons
// and the address field's font for the new DPI, lays the address field out
// again (keeping its address, state and place in the Tab order) and keeps
// the page under the tab strip.
TEST_F(DpiChange, TheWindowIsLaidOutForTheNewDpi) {
  const HWND window = dialog_->m_hWnd;
  pages_test::ShowEntry(window, IDC_PORT_LIST, L"Ethernet");
  pages_test::TypeAddress(window, 127, 0, 0, 5);
  const UINT before = dialog_->Dpi();
  for (UINT dpi : {before * 2, before * 3 / 2, before}) {
    RECT suggested = ScreenRect(window);
    suggested.right = suggested.left + ::MulDiv(suggested.right - suggested.left, dpi, dialog_->Dpi());
    suggested.bottom = suggested.top + ::MulDiv(suggested.bottom - suggested.top, dpi, dialog_->Dpi());
    ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    Pump();
    EXPECT_EQ(dialog_->Dpi(), dpi);
    const RECT place = ScreenRect(window);
    EXPECT_TRUE(::EqualRect(&place, &suggested)) << dpi;

    const HWND tab = ::GetDlgItem(window, IDC_TAB);
    const RECT area = PageArea(tab);
    const RECT page = ScreenRect(dialog_->Page(dialog_->CurrentPage()));
    EXPECT_TRUE(::EqualRect(&page, &area)) << dpi;

    const SIZE big = IconSize(reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, ICON_BIG, 0)));
    EXPECT_EQ(big.cx, SystemMetricForDpi(SM_CXICON, dpi)) << dpi;
    const SIZE small = IconSize(reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, ICON_SMALL, 0)));
    EXPECT_EQ(small.cx, SystemMetricForDpi(SM_CXSMICON, dpi)) << dpi;

    const HWND address = ::GetDlgItem(window, IDC_PRINTER_ADDRESS);
    ASSERT_NE(address, nullptr);
    EXPECT_TRUE(::IsWindowEnabled(address));
    DWORD value = 0;
    ::SendMessageW(address, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&value));
    EXPECT_EQ(value, MAKEIPADDRESS(127, 0, 0, 5)) << dpi;
    EXPECT_STREQ(PrinterAddressText, L"127.0.0.5");
    EXPECT_EQ(::GetNextDlgTabItem(window, address, FALSE), tab) << dpi;
    EXPECT_EQ(::GetNextDlgTabItem(window, address, TRUE), ::GetDlgItem(window, IDC_CONFIG_PORT)) << dpi;
    // Four fields side by side inside the control, in the font for the DPI.
    const RECT frame = ScreenRect(address);
    int fields = 0;
    LONG right = frame.left;
    for (HWND field = ::GetWindow(address, GW_CHILD); field; field = ::GetWindow(field, GW_HWNDNEXT)) {
      const RECT box = ScreenRect(field);
      EXPECT_GE(box.left, right) << dpi;
      EXPECT_LE(box.right, frame.right) << dpi;
      EXPECT_GE(box.top, frame.top) << dpi;
      EXPECT_LE(box.bottom, frame.bottom) << dpi;
      right = box.right;
      LOGFONTW font{};
      ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(field, WM_GETFONT, 0, 0)), sizeof(font), &font);
      EXPECT_EQ(font.lfHeight, -::MulDiv(8, static_cast<int>(dpi), 72)) << dpi;
      ++fields;
    }
    EXPECT_EQ(fields, 4) << dpi;
  }
  // The dialog's own font outlived the address fields that were replaced.
  LOGFONTW font{};
  EXPECT_EQ(::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(font), &font),
            static_cast<int>(sizeof(font)));
}
