#!/usr/bin/env bash
# Brings the catalog up to date with the sources: extracts every marked text into
# po/morvane.pot, then merges it into each translation (msgmerge). New texts arrive
# untranslated, changed ones fuzzy: translate them, then build (the catalog_complete test says
# what is left).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t sources < <(find platform listing edl interchange convert dialog cli app \
  -name '*.cpp' -o -name '*.h' | grep -v -e '_test\.cpp$' -e '/testing/' -e '/tools/' | LC_ALL=C sort)
xgettext --from-code=UTF-8 --language=C++ --keyword=Tr --keyword=TrNoop --keyword=TrPlural:1,2 \
  --add-comments=TRANSLATORS: --sort-by-file --no-wrap --package-name=morvane \
  --copyright-holder= -o po/morvane.pot.new "${sources[@]}" \
  2> >(grep -v -e 'msgid-bugs-address' -e 'Makevars' -e 'MSGID_BUGS_ADDRESS' -e 'specify an --msgid' >&2)
# The creation date changes on every run: keep the file as it was when nothing else did.
if [ -f po/morvane.pot ] &&
   diff -q <(grep -v '^"POT-Creation-Date:' po/morvane.pot) <(grep -v '^"POT-Creation-Date:' po/morvane.pot.new) >/dev/null; then
  rm po/morvane.pot.new
else
  mv po/morvane.pot.new po/morvane.pot
fi
for po in po/*.po; do
  [ -e "$po" ] || continue
  msgmerge --quiet --update --backup=none --no-wrap --sort-by-file "$po" po/morvane.pot
done
