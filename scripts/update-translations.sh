#!/bin/sh
# Brings the translation files up to date with the texts of the windowed
# programs: new texts are added unfinished, vanished ones dropped. Run it
# after adding or changing user-visible texts, then translate the new
# entries (Qt Linguist or by hand) and commit the .ts files.
set -eu
cd "$(dirname "$0")/.."
lupdate=$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)
for pair in Deutsch:de Japanese:ja; do
  language=${pair%%:*}
  "$lupdate" -silent -no-obsolete -locations none -target-language "${pair#*:}" src \
    -ts "src/app/translations/$language.ts"
done
