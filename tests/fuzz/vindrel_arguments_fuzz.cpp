// The command line of vindrel over any arguments: the input's NUL-separated pieces follow the
// program name. Only the parse and its checks run: nothing is read and no port is opened.

#include <sstream>
#include <string>
#include <vector>

#include "cli/vindrel.h"
#include "tests/fuzz/fuzz_check.h"

using namespace vindrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> pieces{"vindrel", ""};
  for (std::size_t i = 0; i < size && pieces.size() <= 64; ++i) {
    if (data[i] == 0) pieces.emplace_back();
    if (data[i] != 0) pieces.back() += static_cast<char>(data[i]);
  }
  std::vector<const char*> argv;
  for (const std::string& p : pieces) argv.push_back(p.c_str());
  std::ostringstream out, err;
  const int code = CheckVindrelArguments(static_cast<int>(argv.size()), argv.data(), out, err);
  fuzz::Check(code >= kExitDone && code <= kExitBadInput, "the exit code is one of vindrel's");
  fuzz::Check(code == kExitDone || !err.str().empty(), "a refused command line says why");
  return 0;
}
