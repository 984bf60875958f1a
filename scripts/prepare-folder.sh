#!/usr/bin/env bash
# Puts a fresh DB1.mdb and the help file beside the program in FOLDER, each only when it is
# not there yet: a user's database and help file are never overwritten.
set -euo pipefail
folder="$1"
root="$(cd "$(dirname "$0")/.." && pwd)"

if [ ! -e "$folder/DB1.mdb" ]; then
    tmp="$folder/.DB1.mdb.new"
    rm -f "$tmp"
    sqlite3 "$tmp" < "$root/data/store/schema.sql" >/dev/null
    # Moved into place only once complete, and only if still absent.
    if [ -e "$folder/DB1.mdb" ]; then rm -f "$tmp"; else mv -n "$tmp" "$folder/DB1.mdb"; fi
    echo "Made an empty $folder/DB1.mdb"
fi
if [ ! -e "$folder/Help File.rtf" ] && [ -f "$root/resources/Help File.rtf" ]; then
    cp "$root/resources/Help File.rtf" "$folder/Help File.rtf"
fi
