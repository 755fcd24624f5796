#!/bin/sh
# Lists (*.firmas) are a MIME type of their own, and the menu entry opens it:
# the type's definition is read by the MIME database as a file manager's
# would be, and the entry claims the type.
# Usage: check_mime_type.sh PACKAGING_DIR SCRATCH_DIR
set -eu
packaging=$1 scratch=$2
rm -rf "$scratch" && mkdir -p "$scratch/mime/packages"
cp "$packaging/io.github.firma.Firma.mime.xml" "$scratch/mime/packages/io.github.firma.Firma.xml"
update-mime-database "$scratch/mime" > "$scratch/update.log" 2>&1 || { cat "$scratch/update.log"; exit 1; }
grep -q '^50:application/x-firma-list:\*\.firmas$' "$scratch/mime/globs2" ||
    { echo "*.firmas is not application/x-firma-list"; cat "$scratch/mime/globs2"; exit 1; }
grep -q '^MimeType=.*application/x-firma-list;' "$packaging/io.github.firma.Firma.desktop" ||
    { echo "the menu entry does not open lists"; exit 1; }
