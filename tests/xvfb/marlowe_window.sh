#!/usr/bin/env bash
# Runs Marlowe in a real X window under Xvfb: the window appears at 800x600, "log.txt" and "save" are
# made, a second Marlowe exits at once, and closing the window ends the process with status 0, after
# the set-up script ran and with "cfg.cfg" written.
# Usage: marlowe_window.sh GAME_DIR XCLOSE [SCREENSHOT.png]
set -euo pipefail
GAME_DIR=$1 XCLOSE=$2 SHOT=${3:-}
source "$(dirname "$0")/work_folder.sh"
copy_game "$GAME_DIR" fresh
cat > "$WORK/inner.sh" <<INNER
set -euo pipefail
# Waits (a generous deadline, for a loaded machine) until start-up has finished, as a player would
# before closing the window: the set-up script has run.
started() {
  for i in \$(seq 450); do grep -q "Start-up: system set-up script AS.InitSystem.as done" "$WORK/log.txt" 2>/dev/null && return 0; sleep 0.1; done
  echo "start-up did not finish"; cat "$WORK/log.txt"; exit 1
}
"$WORK/Marlowe" & pid=\$!
started
size() { xwininfo -name Marlowe 2>/dev/null | grep -E 'Width: 800|Height: 600' | wc -l; }
for i in \$(seq 100); do [ "\$(size)" = 2 ] && break; sleep 0.1; done
[ "\$(size)" = 2 ] || { echo "window is not 800x600"; xwininfo -name Marlowe; exit 1; }
"$WORK/Marlowe"; echo "second instance status \$?"
[ -d "$WORK/save" ] || { echo "no save folder"; exit 1; }
[ -f "$WORK/log.txt" ] || { echo "no log.txt"; exit 1; }
if [ -n "$SHOT" ]; then import -window root "$SHOT"; fi
"$XCLOSE" Marlowe
status=0; wait \$pid || status=\$?
echo "first instance status \$status"
[ -f "$WORK/cfg.cfg" ] || { echo "no cfg.cfg written at exit"; exit 1; }
grep -q 'Start-up: system set-up script AS.InitSystem.as done' "$WORK/log.txt" || { echo "set-up script not run"; cat "$WORK/log.txt"; exit 1; }
grep -q 'Start-up: configuration read' "$WORK/log.txt" || { echo "configuration not read"; exit 1; }
[ \$status -eq 0 ] || exit \$status
# A termination signal closes the game through the same shutdown path.
rm -f "$WORK/log.txt"
"$WORK/Marlowe" & pid=\$!
started
kill -TERM \$pid
status=0; wait \$pid || status=\$?
echo "terminated instance status \$status"
exit \$status
INNER
"$(dirname "$0")/with_xvfb.sh" 1024x768 bash "$WORK/inner.sh"
