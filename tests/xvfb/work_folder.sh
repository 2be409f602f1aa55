# Sourced by the window tests: a work folder of the test's own (removed at the end) that is also its
# runtime folder, real windows (no dummy video driver) and no sound card.
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export XDG_RUNTIME_DIR="$WORK" SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER

# copy_game DIR [fresh]: the game folder DIR copied into the work folder; fresh leaves out the saves, the
# log and the settings file, as on a first start.
copy_game() {
    cp -r "$1"/. "$WORK"/
    if [ "${2:-}" = fresh ]; then rm -rf "$WORK/save" "$WORK/log.txt" "$WORK/cfg.cfg"; fi
}
