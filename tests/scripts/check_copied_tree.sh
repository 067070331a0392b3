#!/usr/bin/env bash
# A tree copied together with its build folder, which was configured where it came from: the
# scripts' configure step works in the copy, and leaves a folder configured for its own tree as
# it is; every script that configures a build folder takes that step first.
#
#   check_copied_tree.sh SOURCE_DIR
set -euo pipefail
source "$1/scripts/deps.sh"

for script in "$1"/scripts/*; do
  for dir in $(sed -n 's/.*cmake -S \. -B \([^ ]*\) -G .*/\1/p' "$script" | sort -u); do
    if ! grep -qF "trimora_own_build_dir $dir" "$script"; then
      echo "${script##*/} configures $dir without trimora_own_build_dir" >&2
      exit 1
    fi
  done
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

mkdir "$scratch/original"
printf 'cmake_minimum_required(VERSION 3.16)\nproject(copied NONE)\n' \
  >"$scratch/original/CMakeLists.txt"
(cd "$scratch/original" && cmake -S . -B build -G Ninja >/dev/null)
cp -a "$scratch/original" "$scratch/copy"

cd "$scratch/copy"
trimora_own_build_dir build
cmake -S . -B build -G Ninja >/dev/null
grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$scratch/copy" build/CMakeCache.txt

cd "$scratch/original"
touch build/kept
said=$(trimora_own_build_dir build)
[ -z "$said" ] && [ -f build/CMakeCache.txt ] && [ -f build/kept ]
echo "a copied tree's build folder is configured afresh; the original's is kept"
