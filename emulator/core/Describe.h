// Turns a framed command into its named fields, whether a setting page could
// have sent it (ok), and a readable one-line summary.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "emulator/core/Decoder.h"

namespace vprinter {

using Json = nlohmann::ordered_json;

struct Description {
  Json fields = Json::object();  // in table order, without "cmd", "raw", "ok"
  bool ok = true;
  std::string text;  // "rear, 1417 dots = 100.0 mm"
};

Description Describe(const Frame& frame);

// "10 44 01 05 89"
std::string HexBytes(const uint8_t* bytes, size_t size);
// Bytes of the printer's ANSI texts shown as Latin-1 characters in UTF-8
// (the code page the sender used is not on the wire).
std::string Latin1ToUtf8(const uint8_t* bytes, size_t size);
// "page_top" -> "page top"
std::string Spoken(const char* name);

// Dot counts of the two millimetre conversions the pages use.
int DotsRounded(int mm);    // page top
int DotsTruncated(int mm);  // user page length

}  // namespace vprinter
