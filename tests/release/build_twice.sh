#!/usr/bin/env bash
# build_twice.sh SOURCE DIR: the release checks' set-up. The working tree is
# copied to two paths of different lengths under DIR, and the release exe is
# built from each copy in its own build folder, as make dist builds it.
set -euo pipefail
src="$1" dir="$2"
rm -rf "$dir"
for copy in "$dir/one" "$dir/the-second-copy"; do
    mkdir -p "$copy/src"
    # Tracked and new files as they are now; ignored ones (build/) stay behind.
    git -C "$src" ls-files -z --cached --others --exclude-standard |
        tar -C "$src" --null --ignore-failed-read -T - -cf - | tar -C "$copy/src" -xf -
    KELVANE_BUILD_DIR="$copy/build" "$copy/src/scripts/dist.sh" kelvane >/dev/null
done
