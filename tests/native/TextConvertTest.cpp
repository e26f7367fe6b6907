// Text conversion of the lowest layer: UTF-16 and UTF-8 both ways, the
// strict UTF-8 check, and the built-in English text of a key. Built natively
// (32-bit wchar_t) and for Windows in test_common (16-bit wchar_t).
#include <gtest/gtest.h>

#include <string>

#include "common/TextConvert.h"

TEST(TextConvert, WideToUtf8KeepsCharactersBeyondTheBasicPlane) {
  const wchar_t pair[] = {L'a', 0xD83D, 0xDE00, 0xDC00, 0};  // then a lone low half
  EXPECT_EQ(WideToUtf8(pair), "a\xF0\x9F\x98\x80\xEF\xBF\xBD");
  EXPECT_EQ(WideToUtf8(L"\u00E9\u4E2D"), "\xC3\xA9\xE4\xB8\xAD");
  EXPECT_EQ(WideToUtf8(static_cast<const wchar_t*>(nullptr)), "");
  // A high half at the very end has no partner.
  EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
}

TEST(TextConvert, Utf8ToWideAndBackAndWhatIsNotUtf8) {
  const struct {
    const char* utf8;
    bool valid;
    size_t badAt;
    std::wstring wide;  // each bad byte one U+FFFD
  } rows[] = {
      {"", true, 0, L""},
      {"shop", true, 0, L"shop"},
      {"caf\xC3\xA9-\xE5\x8C\x97", true, 0, L"caf\u00E9-\u5317"},
      {"\xF0\x9F\x98\x80", true, 0, std::wstring(L"") + wchar_t(0xD83D) + wchar_t(0xDE00)},
      {"t\xC3\x28ll", false, 1, L"t\uFFFD(ll"},           // a cut sequence
      {"\xC0\xAF", false, 0, L"\uFFFD\uFFFD"},             // overlong
      {"a\xED\xA0\x80", false, 1, L"a\uFFFD\uFFFD\uFFFD"},  // a surrogate
      {"\xF4\x90\x80\x80", false, 0, L"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
      {"ab\xE4\xB8", false, 2, L"ab\uFFFD\uFFFD"},         // cut at the end
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.utf8);
    size_t badAt = 99;
    EXPECT_EQ(IsValidUtf8(row.utf8, &badAt), row.valid);
    if (!row.valid) {
      EXPECT_EQ(badAt, row.badAt);
    }
    if (sizeof(wchar_t) == 2 || row.wide.find(wchar_t(0xD83D)) == std::wstring::npos) {
      EXPECT_EQ(Utf8ToWide(row.utf8), row.wide);
    }
    if (row.valid) {
      EXPECT_EQ(WideToUtf8(Utf8ToWide(row.utf8)), row.utf8);
    }
  }
}

TEST(TextConvert, EnglishTextIsTheBuiltInTableText) {
  EXPECT_EQ(EnglishText("PO_GSTR_MQP_PIN_FORMAT_ERR"), "The pin must be digits only");
  EXPECT_EQ(EnglishText("PO_GSTR_BINDIRECTIONAL"), "Bindirectional");
  EXPECT_EQ(EnglishText("PO_GSTR_SAVE_PROFILE"), "Save profile\xE2\x80\xA6");
  EXPECT_EQ(EnglishText("PO_NO_SUCH_KEY"), "PO_NO_SUCH_KEY");
  EXPECT_EQ(EnglishText(nullptr), "");
}
