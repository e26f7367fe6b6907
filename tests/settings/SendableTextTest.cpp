// Texts sent as they are (SSID, key, Bluetooth name and PIN) reach the
// printer in the code page exactly or not at all.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/AnsiText.h"
#include "settings/ProfileFiles.h"

TEST(SendableText, EachCodePageTakesWhatItSpellsAndNothingElse) {
  auto exact = [](unsigned codePage, const std::wstring& text) {
    std::string out;
    return WideToCodePageExact(codePage, text.data(), text.size(), &out) ? out : "refused";
  };
  EXPECT_EQ(exact(1252, L"caf\u00E9"), "caf\xE9");
  EXPECT_EQ(exact(1252, L"caf\u00E9-\u5317\u4EAC"), "refused");
  EXPECT_EQ(exact(1252, L"\uFF53hop"), "refused");  // best fit would send "shop"
  EXPECT_EQ(exact(936, L"caf\u00E9-\u5317\u4EAC"), "caf\xA8\xA6-\xB1\xB1\xBE\xA9");
  EXPECT_EQ(exact(CP_UTF8, L"\u5317\U0001F600"), "\xE5\x8C\x97\xF0\x9F\x98\x80");
}

TEST(SendableText, ProfilesRefuseWhatTheSystemCodePageCannotSend) {
  if (::GetACP() != 1252) GTEST_SKIP() << "needs ANSI code page 1252";
  profile::Profile p;
  profile::Error e;
  EXPECT_FALSE(profile::Parse("[WiFi]\nWiFi = \"caf\xC3\xA9-\xE5\x8C\x97\xE4\xBA\xAC\", STA, Open\n",
                              profile::AnsiCodec(), &p, &e));
  EXPECT_EQ(e.Text(), "line 2: the SSID \"caf\xC3\xA9-\xE5\x8C\x97\xE4\xBA\xAC\" has characters the system "
                      "code page (1252) cannot send");
  EXPECT_TRUE(profile::Parse("[WiFi]\nWiFi = \"caf\xC3\xA9\", STA, Open\n", profile::AnsiCodec(), &p, &e))
      << e.Text();
}
