#pragma once

// What every fuzz target shares: the entry point that libFuzzer (or, in builds without it,
// corpus_main.cpp) calls with each input, and the check of a property.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace vindrel::fuzz {

// A property that every input must keep. A broken one aborts, so that libFuzzer saves the input
// and the corpus run fails, naming the property.
inline void Check(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

}  // namespace vindrel::fuzz
