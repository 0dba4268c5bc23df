// vindrel: the tracker's settings, tones, squelch and GPS simulation from the command line.

#include <iostream>

#include "cli/vindrel.h"

int main(int argc, char** argv) {
  return vindrel::RunVindrel(argc, argv, std::cin, std::cout, std::cerr);
}
