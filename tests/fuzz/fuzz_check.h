#pragma once

#include <cstdio>
#include <cstdlib>

namespace vindrel::fuzz {

// A property that every input must keep. A broken one aborts, so that libFuzzer saves the input
// and the corpus run fails, naming the property.
inline void Check(bool holds, const char* property) {
  if (!holds) {
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
  }
}

}  // namespace vindrel::fuzz
