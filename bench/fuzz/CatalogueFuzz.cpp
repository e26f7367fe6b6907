// Native fuzz target for the catalogue check: any bytes are either refused
// or accepted, never read outside the buffer; an accepted catalogue's tables
// and strings all lie inside it (the sanitizers catch any read that does not).
//   clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -I../.. \
//     CatalogueFuzz.cpp ../../common/translation/CatalogueCheck.cpp -o catalogue_fuzz
//   ./catalogue_fuzz -max_total_time=60
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/translation/CatalogueCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so a read one byte past the end is caught.
  std::vector<unsigned char> copy(data, data + size);
  catalogue::IsUsable(copy.empty() ? nullptr : copy.data(), copy.size());
  return 0;
}
