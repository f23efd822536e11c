#!/usr/bin/env bash
# cmake --install into a scratch folder: every file in its place, the desktop
# entry valid, the MIME description compiles (with the .rgz magic), and the
# thumbnailer's Exec line makes a PNG.
# Usage: install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
for tool in desktop-file-validate update-mime-database; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool not found (desktop-file-utils, shared-mime-info)"; exit 77; }
done
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
share=$root/usr/share
for f in bin/rgm bin/karvex share/applications/karvex.desktop share/mime/packages/karvex.xml \
         share/icons/hicolor/scalable/apps/karvex.svg \
         share/icons/hicolor/scalable/mimetypes/image-x-karvex-rgm.svg \
         share/icons/hicolor/scalable/mimetypes/image-x-karvex-rgz.svg \
         share/thumbnailers/karvex.thumbnailer share/man/man1/rgm.1.gz; do
  [ -f "$root/usr/$f" ] || { echo "missing: $f"; exit 1; }
done

desktop-file-validate "$share/applications/karvex.desktop"
grep -qx 'Exec=karvex --open %F' "$share/applications/karvex.desktop"

update-mime-database "$share/mime" >/dev/null 2>&1
for type in x-karvex-rgm x-karvex-rgz; do
  [ -f "$share/mime/image/$type.xml" ] || { echo "MIME type image/$type not compiled"; exit 1; }
done
grep -q '\*\.rgm' "$share/mime/globs2"
grep -aq 'image/x-karvex-rgz' "$share/mime/magic"
grep -aq $'\x89RGZ' "$share/mime/magic"

# The thumbnailer's Exec line, as a file manager expands it.
exec_line=$(sed -n 's/^Exec=//p' "$share/thumbnailers/karvex.thumbnailer")
exec_line=${exec_line//%s/64}
exec_line=${exec_line//%i/$source/samples/two-columns.rgm}
exec_line=${exec_line//%o/$root/thumb.png}
PATH=$root/usr/bin:$PATH $exec_line
[ "$(head -c 8 "$root/thumb.png" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] || { echo "no PNG"; exit 1; }
echo "install: all files in place, desktop entry valid, MIME types and thumbnailer work"
