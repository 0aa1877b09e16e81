#!/usr/bin/env bash
# installed.sh BUILD
# Installs the build into a throw-away root (as the package does, prefix /usr),
# checks the installed files and validates them, then starts the installed QV the
# way a launcher does: in the home folder with no prepared program folder, and
# through the desktop entry's Exec line with a reminders file.
# Runs under scripts/run-test.sh (fresh XDG folders, current folder empty).
set -euo pipefail
build=$1
work=$ORB_TEST_WORK
root=$work/root
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$root cmake --install "$build" --prefix /usr > "$work/install.log"
usr=$root/usr
id=org.norvo.Orbalinder
for f in bin/QV bin/QVMC bin/qvtool $(cd "$build" && sed -n 's/^CMAKE_INSTALL_LIBDIR:[A-Z]*=//p' CMakeCache.txt)/orbalinder/orbalinder-sound.so \
         share/orbalinder/lang/en.cat share/orbalinder/lang/es.cat \
         share/orbalinder/sounds/Aviso.WAV share/orbalinder/sounds/Bark.WAV share/orbalinder/sounds/Whistle.WAV \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml share/mime/packages/$id.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/48x48/apps/$id.png \
         share/icons/hicolor/256x256/apps/$id.png share/icons/hicolor/scalable/mimetypes/application-x-orbalinder-reminders.svg \
         share/man/man1/QV.1.gz share/man/man1/QVMC.1.gz share/man/man1/qvtool.1.gz \
         share/doc/orbalinder/copyright share/doc/orbalinder/changelog.gz; do
  [ -f "$usr/$f" ] || fail "not installed: $f"
done
[ -n "$(find "$usr/share/orbalinder/help" -name '*.html')" ] || fail "no help pages installed"
for exe in QV QVMC qvtool; do [ -x "$usr/bin/$exe" ] || fail "not executable: bin/$exe"; done
for size in 16 22 24 32 48 64 128 256; do
  png=$usr/share/icons/hicolor/${size}x${size}/apps/$id.png
  [ "$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')" = "${size}x${size}" ] || fail "icon $png is not ${size}x${size}"
done

desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop entry does not validate"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" || fail "AppStream metadata does not validate"

# The MIME type: a file manager finds it by the extension, and the entry opens it.
mkdir -p "$work/mime/packages"
cp "$usr/share/mime/packages/$id.xml" "$work/mime/packages/"
update-mime-database "$work/mime" > "$work/mime.log" 2>&1
grep -qx '50:application/x-orbalinder-reminders:\*\.qvm' "$work/mime/globs2" || fail "*.qvm is not a reminders file"
grep -q '^MimeType=application/x-orbalinder-reminders;text/calendar;$' "$usr/share/applications/$id.desktop" || fail "the entry does not open reminders files and calendars"

# Started by a launcher: the home folder is the current folder, nothing prepared;
# then a reminders file opened through the desktop entry's Exec line.
export PATH=$usr/bin:$PATH ORB_NO_DIALOGS=1 LANG=es_ES.UTF-8
home=$work/home; mkdir -p "$home" "$work/docs"; cd "$home"
qvtool settings set Splash 0 > /dev/null # a first qvtool call makes the settings
qvtool add "$work/docs/Dentist.qvm" --desc Dentist --date 2030-01-02 --time 09:30 --repeat 0 > /dev/null
qvtool add "$work/docs/Other.qvm" --desc Other --date 2030-01-02 --time 10:30 --repeat 0 > /dev/null

exec_line=$(sed -n 's/^Exec=//p' "$usr/share/applications/$id.desktop")
[ "$exec_line" = "QV %f" ] || fail "unexpected Exec line: $exec_line"
qv_pid=
stop() { if [ -n "$qv_pid" ]; then kill "$qv_pid" 2>/dev/null || true; wait "$qv_pid" 2>/dev/null || true; fi; }
trap stop EXIT
opened() { [ "$(qvtool settings get OpenFile 2>/dev/null)" = "$1" ]; }
wait_for() { for _ in $(seq 1 100); do "$@" && return 0; sleep 0.1; done; return 1; }

${exec_line//%f/$work/docs/Dentist.qvm} > "$work/qv.log" 2>&1 &
qv_pid=$!
wait_for opened "$work/docs/Dentist.qvm" || { cat "$work/qv.log"; fail "QV FILE did not open the file"; }

# A file opened from the file manager while the program runs: the second start
# hands it to the running program and ends.
timeout 20 ${exec_line//%f/$work/docs/Other.qvm} > "$work/second.log" 2>&1 || { cat "$work/second.log"; fail "the second start did not end well"; }
wait_for opened "$work/docs/Other.qvm" || fail "the running program did not open the file of the second start"
kill -0 "$qv_pid" 2>/dev/null || fail "the running program ended"

user=$XDG_DATA_HOME/Orbalinder
for f in MAIL TEMP; do [ -d "$user/$f" ] || fail "per-user folder lacks $f/"; done
for f in QVLANG.cat Aviso.WAV Bark.WAV Whistle.WAV; do
  [ -f "$user/$f" ] || fail "per-user folder lacks $f"
done
diff -r "$usr/share/orbalinder/help" "$user/help" || fail "the per-user help pages differ from the installed ones"
cmp -s "$user/QVLANG.cat" "$usr/share/orbalinder/lang/es.cat" || fail "the per-user catalogue is not the user's language"
[ "$(qvtool settings get MsgWindowSndBabe)" = "$user/Whistle.WAV" ] || fail "default sound setting does not name the per-user folder"
[ -z "$(ls -A "$home")" ] || fail "the home folder got files: $(ls -A "$home")"

# First start made the start-at-login entry: the installed program, its folder, name and icon.
entry=$XDG_CONFIG_HOME/autostart/Orbalinder.desktop
desktop-file-validate "$entry" || fail "start-at-login entry does not validate"
grep -qx "Exec=\"$usr/bin/QV\"" "$entry" || fail "start-at-login entry does not start the installed QV: $(grep Exec= "$entry")"
grep -qx "TryExec=$usr/bin/QV" "$entry" || fail "start-at-login entry lacks TryExec, so it would outlive the program"
grep -qx "Path=$user/" "$entry" || fail "start-at-login entry does not start in the per-user folder"
grep -qx "Icon=$id" "$entry" || fail "start-at-login entry lacks the icon"
echo "installed program: layout, validation, per-user folder and QV FILE checked"
