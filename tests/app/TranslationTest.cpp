// Text lookup under real catalogues and code pages. ctest runs this program
// once per scenario, each with its own locale environment (see CMakeLists).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "common/translation/CatalogueCheck.h"
#include "common/translation/Translation.h"
#include "tests/app/CatalogueVariants.h"
#include "tests/support/PrinterEnds.h"

namespace {

class TranslationFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitTranslation(); }
};

std::wstring Lookup(const char* key) {
  wchar_t buffer[kMessageTextChars] = {};
  return LookupText(key, buffer);
}

// Keys that pages and dialogs look up; each must produce a visible text.
const char* const kLookedUpKeys[] = {
    "PO_GSTR_5_5_INCH", "PO_GSTR_6_INCH", "PO_GSTR_AUTO", "PO_GSTR_COMPRESS_RATIO",
    "PO_GSTR_IDC_CHECK_SET_SHIFT_LEFT", "PO_GSTR_INVALID_IP_FIRST_PART",
    "PO_GSTR_INVALID_IP_FIRST_PART_127", "PO_GSTR_LEFT_SPACE", "PO_GSTR_LEFT_SPACE_NUMBER_ERR",
    "PO_GSTR_LEFT_SPACE_NUMBER_OVER_ERR", "PO_GSTR_NET_GET_IP", "PO_GSTR_NOT_USB_ERROR",
    "PO_GSTR_OFF", "PO_GSTR_READ_USB_ERROR", "PO_GSTR_MQP_PIN_FORMAT_ERR", "PO_GSTR_SET_DEFAULT",
    "PO_GSTR_STOP_BITS", "PO_GSTR_SET_SUCCESS", "PO_TAB_PANEL", "PO_IDC_RADIO_PORT",
};

}  // namespace

using NoCatalogue = TranslationFixture;
using Catalogue = TranslationFixture;
using Zh936 = TranslationFixture;
using Zh1252 = TranslationFixture;
using Zh936Long = TranslationFixture;


TEST(CatalogueCheck, ValidCataloguesInBothByteOrdersPass) {
  using catalogue_test::Bytes;
  for (const wchar_t* file : {L"Lang\\de\\LC_MESSAGES\\PrinterConfig.mo",
                              L"Lang\\zh_CN\\LC_MESSAGES\\PrinterConfig.mo",
                              L"de-big-endian.mo"}) {
    const Bytes mo = testing_ends::ReadWholeFile(testing_ends::ThisFolder() + file);
    ASSERT_GT(mo.size(), 28u) << file;
    EXPECT_TRUE(catalogue::IsUsable(mo.data(), mo.size())) << file;
  }
}

TEST(CatalogueCheck, EveryDamagedVariantIsRefused) {
  const catalogue_test::Bytes mo =
      testing_ends::ReadWholeFile(testing_ends::ThisFolder() + L"Lang\\de\\LC_MESSAGES\\PrinterConfig.mo");
  ASSERT_GT(mo.size(), 100u);
  for (const catalogue_test::Variant& variant : catalogue_test::DamagedVariants(mo)) {
    EXPECT_FALSE(catalogue::IsUsable(variant.bytes.data(), variant.bytes.size())) << variant.name;
  }
  // Cut anywhere, the catalogue is refused.
  for (size_t size = 0; size < mo.size(); ++size) {
    EXPECT_FALSE(catalogue::IsUsable(mo.data(), size)) << size;
  }
}

TEST(CatalogueCheck, LanguageOfLocaleAndFolderNames) {
  EXPECT_EQ(catalogue::LanguageOf("zh_CN.UTF-8"), "zh");
  EXPECT_EQ(catalogue::LanguageOf("DE@euro"), "de");
  EXPECT_EQ(catalogue::LanguageOf("pt-BR"), "pt");
  EXPECT_EQ(catalogue::LanguageOf("C"), "c");
}

TEST_F(NoCatalogue, TableTextsAreUsed) {
  EXPECT_EQ(Lookup("PO_GSTR_SET_SUCCESS"), L"Set success");
  EXPECT_EQ(Lookup("PO_TAB_USER_DEF"), L"User Define");
  EXPECT_EQ(Lookup("PO_GSTR_KORVEL_MAIN_DLG_CAPTION"), L"KorvelSetTool");
  EXPECT_EQ(Lookup("PO_GSTR_BLUETOOTH_NOTICE"), L"Bluetooth setting");
  // The limits the pages enforce.
  EXPECT_NE(Lookup("PO_GSTR_PAGETOP_NUMBER_OVER_ERR").find(L"100"), std::wstring::npos);
  EXPECT_NE(Lookup("PO_GSTR_BID_NUMBER_OVER_ERR").find(L"16"), std::wstring::npos);
}

TEST_F(NoCatalogue, UnknownKeyLeavesTheBufferAsItWas) {
  wchar_t buffer[kMessageTextChars] = {};
  EXPECT_EQ(LookupText("PO_NO_SUCH_KEY", buffer), buffer);
  EXPECT_EQ(buffer[0], L'\0');
  LookupText("PO_GSTR_SET_FAIL", buffer);
  LookupText("PO_NO_SUCH_KEY", buffer);
  EXPECT_STREQ(buffer, L"Set fail");
}

TEST_F(NoCatalogue, EveryLookedUpKeyHasAText) {
  for (const char* key : kLookedUpKeys) {
    EXPECT_FALSE(Lookup(key).empty()) << key;
  }
}

TEST_F(NoCatalogue, TableKeysAreUniqueAndKeepTheirOrder) {
  ASSERT_GE(DefaultTextTableRows, 224u);
  std::set<std::string> keys;
  for (size_t i = 0; i < DefaultTextTableRows; ++i) {
    EXPECT_TRUE(keys.insert(DefaultTextTable[i].key).second) << DefaultTextTable[i].key;
    EXPECT_NE(DefaultTextTable[i].text[0], L'\0') << DefaultTextTable[i].key;
  }
  EXPECT_STREQ(DefaultTextTable[0].key, "PO_GSTR_BM_NUMBER_ERR");
  EXPECT_STREQ(DefaultTextTable[206].key, "PO_IDC_STATIC_BLUETOOTH_PIN");
}

TEST_F(NoCatalogue, ShortBufferIsNeverOverrun) {
  wchar_t buffer[12];
  wmemset(buffer, L'#', 12);
  LookupText("PO_GSTR_WRITE_USB_LESS", buffer, 8);
  EXPECT_STREQ(buffer, L"Raw dat");
  for (int i = 8; i < 12; ++i) EXPECT_EQ(buffer[i], L'#');
}

TEST_F(Catalogue, TranslationWinsOverTheTable) {
  EXPECT_EQ(Lookup("PO_GSTR_SET_FAIL"), L"Einstellen fehlgeschlagen");
  EXPECT_EQ(Lookup("PO_GSTR_NOT_USB_ERROR"), L"Nur mit USB-Drucker");
}

TEST_F(Catalogue, MissingOrKeyEqualTranslationFallsBackToTheTable) {
  EXPECT_EQ(Lookup("PO_GSTR_OPEN_COM_FAIL"), L"Open com fail");
  EXPECT_EQ(Lookup("PO_GSTR_SET_SUCCESS"), L"Set success");
}

TEST_F(Catalogue, LongTranslationIsCutToTheBuffer) {
  wchar_t buffer[kControlTextChars + 4];
  wmemset(buffer, L'#', kControlTextChars + 4);
  LookupText("PO_GSTR_SET_COM_FAIL", buffer, kControlTextChars);
  EXPECT_EQ(wcslen(buffer), kControlTextChars - 1);
  EXPECT_EQ(std::wstring(buffer, 11), L"Langer Text");
  for (size_t i = kControlTextChars; i < kControlTextChars + 4; ++i) EXPECT_EQ(buffer[i], L'#');
}

TEST_F(Zh936, ChineseShowsUnderCodePage936) {
  ASSERT_EQ(::GetACP(), 936u);
  EXPECT_EQ(Lookup("PO_GSTR_SET_SUCCESS"), L"\u8BBE\u7F6E\u6210\u529F");
  EXPECT_EQ(Lookup("PO_TAB_PANEL"), L"\u9762\u677F");
}

// The runtime's UTF-8 goes straight to UTF-16: a Western code page does not
// turn Chinese into question marks.
TEST_F(Zh1252, ChineseShowsUnderCodePage1252Too) {
  ASSERT_EQ(::GetACP(), 1252u);
  EXPECT_EQ(Lookup("PO_GSTR_SET_SUCCESS"), L"\u8BBE\u7F6E\u6210\u529F");
  EXPECT_EQ(Lookup("PO_TAB_PANEL"), L"\u9762\u677F");
}

// 3500 characters take the whole buffer: 519 of them, no code page limit
// in between.
TEST_F(Zh936Long, LongTextFillsTheBuffer) {
  ASSERT_EQ(::GetACP(), 936u);
  wchar_t buffer[kMessageTextChars] = {};
  LookupText("PO_GSTR_SET_COM_FAIL", buffer);
  EXPECT_EQ(std::wstring(buffer), std::wstring(kMessageTextChars - 1, L'\u4E2D'));
}

// Characters beyond the basic plane take two UTF-16 units: a cut never ends
// between the two, whatever the buffer's size.
TEST_F(Zh936Long, CutNeverSplitsASurrogatePair) {
  const std::wstring pair = L"\U00020BB7";
  ASSERT_EQ(pair.size(), 2u);
  const struct {
    size_t capacity;
    size_t pairs;
  } cuts[] = {{kMessageTextChars, (kMessageTextChars - 1) / 2}, {9, 4}, {8, 3}, {3, 1}, {2, 0}};
  for (const auto& cut : cuts) {
    std::wstring buffer(cut.capacity + 2, L'#');
    LookupText("PO_GSTR_SET_FAIL", &buffer[0], cut.capacity);
    std::wstring expected;
    for (size_t i = 0; i < cut.pairs; ++i) expected += pair;
    EXPECT_EQ(std::wstring(buffer.c_str()), expected) << cut.capacity;
    EXPECT_EQ(buffer.substr(cut.capacity), L"##") << cut.capacity;
  }
}

// No language in the environment: the texts follow the Windows display
// language, not the regional format (the thread locale, which the gettext
// runtime would otherwise take). Under Wine both follow the Unix locale, so
// each scenario sets the thread locale to the other language itself.
namespace {

class DisplayLanguageFixture : public ::testing::Test {
 protected:
  static void StartWithRegionalFormat(LANGID regional) {
    for (const char* cleared : {"LANGUAGE=", "LC_ALL=", "LC_MESSAGES=", "LANG="}) _putenv(cleared);
    ::SetThreadLocale(MAKELCID(regional, SORT_DEFAULT));
    InitTranslation();
  }
};

}  // namespace

class DisplayEnglish : public DisplayLanguageFixture {
 protected:
  static void SetUpTestSuite() { StartWithRegionalFormat(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)); }
};

class DisplayChinese : public DisplayLanguageFixture {
 protected:
  static void SetUpTestSuite() { StartWithRegionalFormat(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)); }
};

TEST_F(DisplayEnglish, ChineseRegionalFormatKeepsEnglishTexts) {
  ASSERT_EQ(PRIMARYLANGID(::GetUserDefaultUILanguage()), LANG_ENGLISH);
  EXPECT_EQ(Lookup("PO_GSTR_SET_SUCCESS"), L"Set success");
  EXPECT_EQ(Lookup("PO_TAB_PANEL"), L"Panel");
}

TEST_F(DisplayChinese, ChineseDisplayLanguageShowsChinese) {
  ASSERT_EQ(::GetUserDefaultUILanguage(), MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
  ASSERT_EQ(::GetACP(), 936u);
  EXPECT_EQ(Lookup("PO_GSTR_SET_SUCCESS"), L"\u8BBE\u7F6E\u6210\u529F");
  EXPECT_EQ(Lookup("PO_TAB_PANEL"), L"\u9762\u677F");
}
