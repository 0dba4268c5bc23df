# Puts the site together: cmake -DSOURCE=gui/web -DICONS=... -DPROGRAM=.../vindrel-config
# -DSITE=... -P make_site.cmake
file(REMOVE_RECURSE ${SITE})
file(MAKE_DIRECTORY ${SITE}/icons)
file(COPY ${SOURCE}/index.html DESTINATION ${SITE})
file(COPY ${PROGRAM}.js ${PROGRAM}.wasm DESTINATION ${SITE})
file(GLOB pictures ${ICONS}/*.png)
file(COPY ${pictures} DESTINATION ${SITE}/icons)
