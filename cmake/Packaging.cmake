# A Debian package of everything `cmake --install` puts in place, its library dependencies worked
# out from the binaries by dpkg-shlibdeps: `cpack -G DEB` in a build folder, or scripts/package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vindrel-config)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "vindrel-config developers <vindrel-config@users.noreply.github.com>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs in Dutch, like the program (found by file, not by library).
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/vindrel/vindrel-config)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure the VINDrel APRS position tracker over a serial port")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}
 vindrel-config reads and writes the settings of the VINDrel APRS position
 tracker (callsign, APRS symbol, digipeater path, beacon and status texts,
 timing), asks its firmware version, keys test tones, guides the squelch
 adjustment and feeds it simulated GPS sentences, in a dialog in Dutch.
 .
 The command-line client vindrel backs up, restores and compares
 configurations as JSON files. Both programs offer a built-in virtual
 tracker (Virtuele tracker, vindrel -p virtual) to try everything without
 hardware; virtual-tracker plays the same tracker on a pseudo-terminal.
 .
 Serial ports belong to the group dialout: join it to use them
 (sudo usermod -aG dialout \"$USER\", then log in again).")
include(CPack)
