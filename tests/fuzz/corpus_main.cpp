// Runs a fuzz target's function once over every file of the corpus folder given (its only
// argument): the checked-in corpus as a quick regression check in builds without libFuzzer. A
// broken property aborts.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <vector>

#include "tests/fuzz/fuzz_check.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  if (argc != 2) return 2;
  // In order, so that every run is the same.
  const std::set<fs::path> inputs(fs::directory_iterator{argv[1]}, fs::directory_iterator{});
  for (const fs::path& path : inputs) {
    std::cerr << "running " << path.string() << "\n";
    std::ifstream in(path, std::ios::binary);
    if (!in) return 2;  // unreadable: the line above names it
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::cout << inputs.size() << " inputs passed\n";
  return inputs.empty() ? 2 : 0;
}
