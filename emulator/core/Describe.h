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

// With showSecrets false the Bluetooth PIN is shown as "**" per byte, in the
// fields and in the text alike (a Wi-Fi key is never among the fields).
Description Describe(const Frame& frame, bool showSecrets = false);

// "10 44 01 05 89"
std::string HexBytes(const uint8_t* bytes, size_t size);

// Secrets: the key of a Wi-Fi command and the PIN of a Bluetooth command.
// Every byte of one is shown as "**" instead of its two hex digits, so its
// length stays visible.
//
// The hex of one command (complete, or what arrived of a command cut short;
// layout null when its letter was not known), secret bytes masked unless
// showSecrets.
std::string CommandHex(const CommandLayout* layout, const uint8_t* bytes, size_t size,
                       bool showSecrets = false);
// The hex of a buffer of commands as sent, like HexBytes, with every byte of
// a Wi-Fi key or Bluetooth PIN shown as "**". A command cut short at the end
// is masked past its header; bytes that frame no command are plain hex.
std::string HexMasked(const uint8_t* data, size_t size);
// "**" for each of `bytes` bytes of a secret text field.
std::string MaskedText(size_t bytes);

// Bytes of the printer's ANSI texts shown as Latin-1 characters in UTF-8
// (the code page the sender used is not on the wire).
std::string Latin1ToUtf8(const uint8_t* bytes, size_t size);
// A UTF-8 text made safe for a readable output line: control characters
// (below 0x20, 0x7F, and U+0080..U+009F) as "\x1b" and a backslash as "\\",
// so that a name sent by a client can neither start a new line nor reach the
// terminal as an escape sequence.
std::string EscapeControls(const std::string& utf8);
// One JSON output line: the event dumped by the JSON library (which escapes
// characters below 0x20), with 0x7F and U+0080..U+009F escaped as well.
std::string JsonLine(const Json& event);
// "page_top" -> "page top"
std::string Spoken(const char* name);

// Dot counts of the two millimetre conversions the pages use.
int DotsRounded(int mm);    // page top
int DotsTruncated(int mm);  // user page length

}  // namespace vprinter
