// Byte strings as the tests build and compare them.
#pragma once
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// The parts one after another.
inline Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The characters of text as bytes, without a terminator.
inline Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
