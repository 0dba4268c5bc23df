#include "serial/port_discovery.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "create_file_stand_in_win32.h"
#include "serial/port_names.h"

namespace vindrel {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsSupersetOf;
using ::testing::Not;

TEST(PortDiscoveryWin32, TheDeviceNamesHoldTheMappedComNumbers) {
  PortNumberList ports{999};  // what a list held before is not kept
  DiscoverSerialPorts(ports);
  EXPECT_THAT(ports, IsSupersetOf({std::uint32_t{VINDREL_WINE_COM_TRACKER},
                                   std::uint32_t{VINDREL_WINE_COM_SILENT},
                                   std::uint32_t{VINDREL_WINE_COM_ACK_LIMIT}}));
  EXPECT_THAT(ports, Not(Contains(999u)));
  EXPECT_EQ(PortDisplayName(VINDREL_WINE_COM_TRACKER), "COM40");
}

TEST(PortDiscoveryWin32, ProbingCountsOpenedRefusedAndFailingPortsAndClosesWhatOpened) {
  const std::map<int, DWORD> errors{{5, ERROR_ACCESS_DENIED},
                                    {7, ERROR_GEN_FAILURE},
                                    {9, ERROR_SHARING_VIOLATION},
                                    {11, ERROR_PATH_NOT_FOUND}};
  std::vector<int> tried;
  std::vector<HANDLE> opened;  // of the tracker's port, standing in for the ports that open
  bool asWanted = true;
  test::CreateFileStandIn standIn(
      [&](const char* name, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
        const int number = std::atoi(name + 7);
        tried.push_back(number);
        asWanted = asWanted && name == "\\\\.\\COM" + std::to_string(number) &&
                   access == (GENERIC_READ | GENERIC_WRITE) && share == 0 &&
                   disposition == OPEN_EXISTING && flags == 0;
        if (number == 3 || number == 255) {
          const std::string tracker = "\\\\.\\COM" + std::to_string(VINDREL_WINE_COM_TRACKER);
          opened.push_back(
              ::CreateFileA(tracker.c_str(), access, share, nullptr, disposition, flags, nullptr));
          return opened.back();
        }
        const auto error = errors.find(number);
        ::SetLastError(error == errors.end() ? ERROR_FILE_NOT_FOUND : error->second);
        return INVALID_HANDLE_VALUE;
      });
  PortNumberList ports{99};
  AppendProbedComPorts(ports);
  EXPECT_THAT(ports, ElementsAre(99, 3, 5, 7, 255));
  ASSERT_EQ(tried.size(), 255u);
  EXPECT_EQ(tried.front(), 1);
  EXPECT_EQ(tried.back(), 255);
  EXPECT_TRUE(asWanted);
  ASSERT_EQ(opened.size(), 2u);
  for (const HANDLE handle : opened) {
    DCB dcb{};  // (the handle's number may already serve some other object, never a port)
    EXPECT_FALSE(::GetCommState(handle, &dcb)) << "a probed port stayed open";
  }
}

}  // namespace
}  // namespace vindrel
