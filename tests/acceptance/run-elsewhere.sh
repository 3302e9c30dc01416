#!/usr/bin/env bash
# run-elsewhere.sh <bin> <folder> <library> <acceptance args...>
# Lays out a second program folder beside bin whose LibAV folder lacks one
# library, and runs the acceptance program from there (a program folder is
# the folder of the program file).
set -eu
bin=$1 folder=$2 missing=$3; shift 3
rm -rf "$folder"
mkdir -p "$folder/LibAV"
for f in "$bin"/*; do
  name=$(basename "$f")
  case $name in LibAV|artifacts) continue ;; esac
  ln -s "$f" "$folder/$name"
done
for f in "$bin"/LibAV/* "$bin"/LibAV/.links; do
  [[ -e $f || -L $f ]] || continue
  [[ $(basename "$f") == "$missing" ]] && continue
  ln -s "$f" "$folder/LibAV/$(basename "$f")"
done
mkdir -p "$folder/artifacts"
exec "$TESS_WINELOADER" "$folder/tessavane_acceptance.exe.so" "$@"
