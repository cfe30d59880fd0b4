#!/bin/bash
# The panel's small text and pills, measured on the rendered panel on a real X display, in the
# light and dark palettes: footer hints, character count, preview and pill text at least 4.5:1.
#   contrast_e2e.sh CASE TAVLETS X11_PROBE PANEL_SCREENSHOT
case_name=$1
tavlets=$2
probe=$3
screenshot=$4
source "$(dirname "$0")/e2e_lib.sh"

for dark in 0 1; do
  ratios=$(PANEL_SHOT_RUN=-1 PANEL_SHOT_DARK=$dark PANEL_SHOT_CONTRAST=1 \
    PANEL_SHOT_TEXT='{"name": "Ada", "roles": ["admin", "editor"], "active": true}' \
    "$screenshot" "$work/panel-$dark.png" 2>"$work/screenshot.log" | grep ':1$') || fail "the panel was not rendered"
  echo "$ratios"
  for part in footer count preview 'selected pill' pill; do
    grep -q "^[a-z]* $part: " <<<"$ratios" || fail "no measure of the $part"
  done
  low=$(awk -F': ' '{ split($2, r, ":"); if (r[1] + 0 < 4.5) print }' <<<"$ratios")
  [ -z "$low" ] || fail "below 4.5:1: $low"
done
echo "ok: $case_name"
