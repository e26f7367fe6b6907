// Checks a compiled message catalogue (.mo file) before the gettext runtime
// is allowed to read it. The runtime trusts every count, offset and length in
// the file: a damaged catalogue can make it read past the file's end or loop
// for ever in its hash table. Platform-free, so it is also fuzzed natively.
#pragma once
#include <cstddef>
#include <string>

namespace catalogue {

// True when data (size bytes) is a catalogue the runtime can use safely:
// the magic number in either byte order, a revision the runtime reads
// (major 0 or 1, no system-dependent strings), both string tables and every
// string they point at inside the file with the string's terminating zero,
// and a hash table inside the file whose entries are empty or name a string
// and which keeps at least one empty slot (a lookup of an unknown key ends
// only at an empty slot).
bool IsUsable(const unsigned char* data, size_t size);

// The language part of a locale or catalogue folder name, lower case:
// "zh" for "zh_CN.UTF-8", "de" for "de@euro", "pt" for "pt-BR".
std::string LanguageOf(const std::string& name);

}  // namespace catalogue
