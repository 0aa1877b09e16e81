#!/usr/bin/env bash
# make-program-folder.sh BUILD PROGDIR
# Lays out a ready program folder: QV, QVMC, qvtool, the text catalogue chosen
# by the user's locale (Spanish for es_*, English otherwise), the default alert
# sounds under the names the settings give them, MAIL/ and TEMP/.
set -eu
build=$1; prog=$2
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$prog/MAIL" "$prog/TEMP"
for exe in src/qv/QV src/qvmc/QVMC src/tools/qvtool; do
  [ -x "$build/$exe" ] && install -m 755 "$build/$exe" "$prog/"
done
# QV's sound output, loaded beside it at the first sound.
[ -f "$build/src/qv/orbalinder-sound.so" ] && install -m 644 "$build/src/qv/orbalinder-sound.so" "$prog/"
lang=${ORB_LANG:-${LC_ALL:-${LC_MESSAGES:-${LANG:-en}}}}
case "$lang" in es*) cat=es ;; *) cat=en ;; esac
install -m 644 "$root/resources/lang/$cat.cat" "$prog/QVLANG.cat"
"$root/scripts/install-sounds.sh" "$prog"
# Help pages in every language: the program picks help/<language>/ by its catalogue.
rm -rf "$prog/help"; cp -r "$root/resources/help" "$prog/help"
echo "Program folder ready: $prog (catalogue: $cat)"
