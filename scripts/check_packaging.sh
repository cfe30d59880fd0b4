#!/usr/bin/env bash
# Checks the package's metadata with the tools software centres and Debian use: the AppStream
# metainfo, the desktop entry, and lintian on a freshly built .deb. Tools that aren't installed
# are skipped; with none of them the whole check is skipped (exit 77).
#   check_packaging.sh BUILD_DIR DATA_DIR
set -u
build=$1
data=$2
ran=0
failed=0

if command -v appstreamcli >/dev/null; then
  ran=1
  appstreamcli validate --no-net --explain "$data"/*.metainfo.xml || failed=1
fi
if command -v desktop-file-validate >/dev/null; then
  ran=1
  desktop-file-validate "$data"/tavlets.desktop || failed=1
fi
if command -v lintian >/dev/null && command -v cpack >/dev/null && command -v dpkg-deb >/dev/null; then
  ran=1
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
  if (cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1); then
    # Errors fail the check; warnings are shown for the record.
    lintian --tag-display-limit 0 "$out"/*.deb | tee "$out/lintian.log"
    ! grep -q '^E:' "$out/lintian.log" || failed=1
  else
    cat "$out/cpack.log"
    failed=1
  fi
fi

[ "$ran" = 1 ] || { echo "skipped: none of appstreamcli, desktop-file-validate, lintian is installed"; exit 77; }
exit "$failed"
