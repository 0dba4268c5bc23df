#!/bin/sh
# Makes the Debian package of the build in $1, unpacks it into $2 and checks what a user's
# machine would get: the programs, the menu entry, icon, manual page and software-centre entry,
# the libraries it depends on, its section, and valid AppStream metadata.
set -eu
build=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/*.deb)
dpkg-deb -x "$deb" "$work/root"
metainfo=usr/share/metainfo/io.github.vindrel.vindrel_config.metainfo.xml
for file in usr/bin/vindrel-config usr/bin/vindrel usr/bin/virtual-tracker \
  usr/share/applications/vindrel-config.desktop usr/share/icons/hicolor/32x32/apps/vindrel-config.png \
  usr/share/man/man1/vindrel.1 "$metainfo"; do
  [ -e "$work/root/$file" ] || { echo "the package lacks $file"; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libqt6widgets6 qt6-translations-l10n; do
  case "$depends, " in *"$library "* | *"$library, "*) ;; *) echo "Depends lacks $library: $depends"; exit 1 ;; esac
done
[ "$(dpkg-deb -f "$deb" Section)" = hamradio ] || { echo "section is not hamradio"; exit 1; }
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$work/root/$metainfo"
else
  echo "appstreamcli is missing: the metadata was not validated"
fi
