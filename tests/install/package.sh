#!/usr/bin/env bash
# package.sh BUILD
# Builds the Debian package into a throw-away folder, checks what it holds and
# what it depends on, that its programs hold no path of the build machine,
# that a second build with the same SOURCE_DATE_EPOCH gives the same bytes,
# and runs lintian (errors and hardening tags fail, warnings are printed).
set -euo pipefail
export TZ=UTC
build=$1
out=${ORB_TEST_WORK:-$(mktemp -d)}/deb
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$out"; mkdir -p "$out"
export SOURCE_DATE_EPOCH=$(git -C "$(dirname "$0")" log -1 --format=%ct 2>/dev/null || echo 1765000000)
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" > "$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; fail "cpack"; }
deb=$(ls "$out"/orbalinder_*.deb)
first=$(sha256sum < "$deb")
sleep 1.1 # a later second: only SOURCE_DATE_EPOCH may give the times
rm -rf "$out/again"; mkdir -p "$out/again"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out/again" > "$out/cpack2.log" 2>&1 || { cat "$out/cpack2.log"; fail "second cpack"; }
[ "$(sha256sum < "$out/again/$(basename "$deb")")" = "$first" ] || fail "a second build with the same SOURCE_DATE_EPOCH differs"
[ "$(dpkg-deb -c "$deb" | awk '{print $4, $5}' | sort -u)" = "$(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M')" ] ||
  fail "file times are not SOURCE_DATE_EPOCH: $(dpkg-deb -c "$deb" | awk '{print $4, $5}' | sort -u | head -3)"
echo "package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"

dpkg-deb -c "$deb" | awk '{print $1, $2, $6}' > "$out/contents"
id=org.norvo.Orbalinder
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:[A-Z]*=//p' "$build/CMakeCache.txt")
for f in ./usr/bin/QV ./usr/bin/QVMC ./usr/bin/qvtool ./usr/$libdir/orbalinder/orbalinder-sound.so \
         ./usr/share/orbalinder/lang/en.cat ./usr/share/orbalinder/lang/es.cat \
         ./usr/share/orbalinder/sounds/Aviso.WAV \
         ./usr/share/applications/$id.desktop ./usr/share/metainfo/$id.metainfo.xml \
         ./usr/share/mime/packages/$id.xml ./usr/share/icons/hicolor/scalable/apps/$id.svg \
         ./usr/share/icons/hicolor/16x16/apps/$id.png ./usr/share/icons/hicolor/256x256/apps/$id.png \
         ./usr/share/man/man1/QV.1.gz ./usr/share/man/man1/QVMC.1.gz ./usr/share/man/man1/qvtool.1.gz \
         ./usr/share/doc/orbalinder/copyright ./usr/share/doc/orbalinder/changelog.gz; do
  grep -q " $f\$" "$out/contents" || fail "the package lacks $f"
done
grep -q ' \./usr/share/orbalinder/help/.*\.html$' "$out/contents" || fail "the package lacks the help pages"
grep -q '^-rwxr-xr-x root/root \./usr/bin/QV$' "$out/contents" || fail "QV is not root-owned and executable"
! grep -v ' \./usr/' "$out/contents" | grep -qv ' \./$' || fail "files outside /usr: $(grep -v ' ./usr/' "$out/contents")"

depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6widgets6 libqt6gui6 libqt6multimedia6 libical3 libqt6dbus6; do
  [[ $depends == *"$p"* ]] || fail "Depends lacks $p: $depends"
done
[[ $depends != *gstreamer1.0-plugins* ]] || fail "Depends names GStreamer plugins, which nothing loads: $depends"
[[ $(dpkg-deb -f "$deb" Recommends) == *qt6-wayland* ]] || fail "Recommends lacks qt6-wayland"

# No path of the build machine in what is installed (the build and source folders).
dpkg-deb -x "$deb" "$out/root"
src=$(cd "$(dirname "$0")/../.." && pwd)
for f in "$out"/root/usr/bin/* "$out"/root/usr/lib/*/orbalinder/* "$out"/root/usr/lib/orbalinder/*; do
  [ -f "$f" ] || continue
  ! grep -qaF -e "$build" -e "$src" "$f" || fail "$(basename "$f") holds a build-machine path: $(strings "$f" | grep -F -e "$build" -e "$src" | head -3)"
done

lintian --info --fail-on error --tag-display-limit 0 "$deb" > "$out/lintian.txt" 2>&1 || { cat "$out/lintian.txt"; fail "lintian found errors"; }
cat "$out/lintian.txt"
! grep -q ' hardening-' "$out/lintian.txt" || fail "lintian reports hardening tags"
echo "package checked: $(grep -c '^W:' "$out/lintian.txt" || true) lintian warnings, $(grep -c '^I:' "$out/lintian.txt" || true) notes"
