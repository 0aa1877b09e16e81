#!/usr/bin/env bash
# package.sh BUILD
# Builds the Debian package into a throw-away folder, checks what it holds and
# what it depends on, and runs lintian (errors fail, warnings are printed).
set -euo pipefail
build=$1
out=${ORB_TEST_WORK:-$(mktemp -d)}/deb
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$out"; mkdir -p "$out"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" > "$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; fail "cpack"; }
deb=$(ls "$out"/orbalinder_*.deb)
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
for p in libqt6widgets6 libqt6gui6 libqt6multimedia6 libical3 gstreamer1.0-plugins-good; do
  [[ $depends == *"$p"* ]] || fail "Depends lacks $p: $depends"
done

lintian --fail-on error --tag-display-limit 0 "$deb" > "$out/lintian.txt" 2>&1 || { cat "$out/lintian.txt"; fail "lintian found errors"; }
cat "$out/lintian.txt"
echo "package checked: $(grep -c '^W:' "$out/lintian.txt" || true) lintian warnings"
