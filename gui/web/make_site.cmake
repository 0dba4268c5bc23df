# Puts the site together:
#   cmake -DSOURCE=gui/web -DICONS=<icongen's output> -DPROGRAM=<.../vindrel-config> -DSITE=<site>
#         -P make_site.cmake
# The service worker gets the list of every file and a version made from their contents.
file(REMOVE_RECURSE ${SITE})
file(MAKE_DIRECTORY ${SITE}/icons)
file(COPY ${SOURCE}/index.html ${SOURCE}/manifest.webmanifest DESTINATION ${SITE})
file(COPY ${PROGRAM}.js ${PROGRAM}.wasm DESTINATION ${SITE})
file(GLOB pictures ${ICONS}/*.png)
file(COPY ${pictures} DESTINATION ${SITE}/icons)

file(GLOB_RECURSE files RELATIVE ${SITE} ${SITE}/*)
list(SORT files)
set(list "'./'")
set(contents "")
foreach(name IN LISTS files)
  string(APPEND list ",\n  './${name}'")
  file(SHA256 ${SITE}/${name} hash)
  string(APPEND contents "${name} ${hash}\n")
endforeach()
string(SHA256 version "${contents}")
string(SUBSTRING ${version} 0 16 version)
set(VERSION "vindrel-${version}")
set(FILES "\n  ${list},\n")
configure_file(${SOURCE}/service-worker.js ${SITE}/service-worker.js @ONLY)
