#!/usr/bin/env bash
# Shows Japanese text drawn through the glyph cache in a real X window under Xvfb and takes a
# screenshot of it; the band of the first line must hold more than the background colour.
# Usage: glyph_line.sh GLYPH_LINE XCLOSE [SCREENSHOT.png]
set -euo pipefail
PROGRAM=$1 XCLOSE=$2 SHOT=${3:-}
source "$(dirname "$0")/work_folder.sh"
SHOT=${SHOT:-$WORK/shot.png}
cat > "$WORK/inner.sh" <<INNER
set -euo pipefail
"$PROGRAM" & pid=\$!
for i in \$(seq 100); do xwininfo -name GlyphLine >/dev/null 2>&1 && break; sleep 0.1; done
# The first frames may still be on their way on a busy machine: look again until the text is there.
colours=0
for i in \$(seq 40); do
  import -window root -depth 8 "$SHOT"
  colours=\$(convert "$SHOT" -crop 700x40+40+196 +repage -unique-colors txt:- | grep -c '#' || true)
  [ "\$colours" -gt 8 ] && break
  sleep 0.25
done
echo "colours in the text band: \$colours"
"$XCLOSE" GlyphLine
wait \$pid
[ "\$colours" -gt 8 ]
INNER
xvfb-run -a -s "-screen 0 800x600x24" bash "$WORK/inner.sh"
