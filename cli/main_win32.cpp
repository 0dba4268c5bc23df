// vindrel on Windows: the arguments come as UTF-16 and go on as UTF-8, as on Linux, so that file
// names and values keep every character whatever the ANSI code page.

#include <windows.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/vindrel.h"
#include "emulator/tracker_emulator.h"
#include "serial/in_process_device.h"

namespace {

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  utf8.resize(utf8.size() - 1);  // the closing zero
  return utf8;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // The tracker inside the program, to try everything without hardware.
  vindrel::RegisterInProcessPort(
      {vindrel::kVirtualTrackerName, vindrel::kVirtualTrackerDescription,
       std::make_shared<vindrel::InProcessDeviceOf<vindrel::TrackerEmulator>>()});
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(Utf8(argv[i]));
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  pointers.push_back(nullptr);
  // Messages are UTF-8 too: a console shows them as such while the program runs.
  const UINT codePage = GetConsoleOutputCP();
  SetConsoleOutputCP(CP_UTF8);
  const int code = vindrel::RunVindrel(argc, pointers.data(), std::cin, std::cout, std::cerr);
  std::cout.flush();
  std::cerr.flush();
  if (codePage != 0) SetConsoleOutputCP(codePage);
  return code;
}
