# pugixml reads GPX tracks. Linux links Debian's libpugixml-dev. Debian has no build of it for
# MinGW or the browser, so those builds compile its one source file, which scripts/install-deps
# --windows (or --web) unpacks from Debian's source package.
if(CMAKE_CROSSCOMPILING)
  set(VINDREL_PUGIXML_SOURCE /usr/local/src/vindrel/pugixml
      CACHE PATH "Folder with pugixml.cpp and pugixml.hpp, for the Windows build")
  if(NOT EXISTS ${VINDREL_PUGIXML_SOURCE}/pugixml.cpp)
    message(FATAL_ERROR "${VINDREL_PUGIXML_SOURCE}/pugixml.cpp not found: "
                        "scripts/install-deps --windows unpacks it")
  endif()
  add_library(pugixml STATIC ${VINDREL_PUGIXML_SOURCE}/pugixml.cpp)
  target_include_directories(pugixml SYSTEM PUBLIC ${VINDREL_PUGIXML_SOURCE})
  add_library(pugixml::pugixml ALIAS pugixml)
else()
  find_package(pugixml 1.11 REQUIRED)
endif()
