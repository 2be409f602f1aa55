#!/usr/bin/env bash
# CPU of the game while it waits for a click on a scene with the demo's Puppet character, against the same
# scene without the character (background, message window, one revealed line), under Xvfb, interleaved.
#   bench/puppet_scene.sh [BUILD_DIR] [ROUNDS]
# Prints each round's CPU in % of one core over $SECONDS_IDLE s (after the line is shown) and the medians.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
B=$(cd "${1:-$ROOT/build}" && pwd)
ROUNDS=${2:-3}
SECONDS_IDLE=${SECONDS_IDLE:-8}
source "$ROOT/bench/game_under_xvfb.sh" puppet

# Two game folders from the built demo: its programs, shaders, meshes, set-up scripts and character,
# with scene code that goes straight to a one-line scenario.
make_game() {  # make_game DIR WITH_CHARACTER
    local dir=$1 code=$WORK/code-$2
    mkdir -p "$dir" "$code"
    cp -r "$B/game/AS" "$B/game/puppet" "$B/game/ui" "$B/game/config.xml" "$dir/"
    cp "$B/game"/*.vso "$B/game"/*.pso "$B/game"/*.mesh "$dir/"
    ln -f "$B/game/Marlowe" "$dir/Marlowe" 2>/dev/null || cp "$B/game/Marlowe" "$dir/Marlowe"
    mkdir -p "$dir/save"
    cat > "$code/Scene.vns" <<'VNS'
.machine scene
start:
        SetRestartEntry start
        SetSceneEntry chapter
        SetResult RESULT_START_SCENE
        Yield
idle:
        Yield
        Jump idle
chapter: .word SCENE_NOVEL, "scenario\scene.bin"
VNS
    {
        cat <<'VNS'
        LoadSingleTexture 0, "image\bg\window.png"
        LoadSingleTextureAt 3, "ui\msgwnd.png", 0, 0
        SetSource 10, 0
        SetPosition 10, 400, 300, 0
        SetColor 10, 1, 1, 1, 1
        SetRegistTable 10, 0
        SetRendering 10, 1
        SetSource 30, 3
        SetPosition 30, 40, 420, 0
        SetColor 30, 1, 1, 1, 1
        SetRegistTable 30, 2
        SetRendering 30, 1
        SetPosition 100, 70, 460, 0
        SetColor 100, 1, 1, 1, 1
        SetRegistTable 100, 3
        SetSource 100, 0
VNS
        if [ "$2" = 1 ]; then
            cat <<'VNS'
        LoadPuppetModel 0, "puppet\hero.pup"
        AddTexturePuppetModel 0, "puppet\hero_body.png"
        AddTexturePuppetModel 0, "puppet\hero_face.png"
        AddMotionPuppetModel 0, "puppet\idle.mtn"
        SetSource 40, 0
        SetPosition 40, 272, 40, 0
        SetColor 40, 1, 1, 1, 1
        SetRegistTable 40, 1
        SetRendering 40, 1
        BeginMotionPuppet 40, 0
        PushLoopMotionPuppet 40, 0
VNS
        fi
        cat <<'VNS'
        SetMessageNumber 0
        Message "", "", "", "雨はまだ止まない。"
        SetResult RESULT_REVEAL_MESSAGE
        Yield
        SetResult RESULT_CLICK_WAIT
        Yield
        ExitGame
        Yield
VNS
    } > "$code/scene.vns"
    "$B/bin/vnasm" --scene "$code/Scene.vns" "$code/Scene.bin"
    "$B/bin/vnasm" "$code/scene.vns" "$code/scene.bin"
    "$B/bin/arcpack" --key qT7mRw2Z --lzss --out "$dir/data.arc" --dir "$ROOT/demo/media/arc" \
        "bin/Scene.bin=$code/Scene.bin" "scenario/scene.bin=$code/scene.bin" >/dev/null
}
make_game "$WORK/without" 0
make_game "$WORK/with" 1

start_xvfb 500
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
one_run() {  # prints the CPU % of one core over SECONDS_IDLE s once the line is shown
    (cd "$1" && HOME="$WORK" DISPLAY="$display" SDL_AUDIODRIVER=dummy exec ./Marlowe >/dev/null 2>&1) &
    GAME_PID=$!
    sleep 3
    local t0 t1
    t0=$(ticks "$GAME_PID")
    sleep "$SECONDS_IDLE"
    t1=$(ticks "$GAME_PID")
    kill "$GAME_PID"
    wait "$GAME_PID" 2>/dev/null || true
    GAME_PID=
    awk -v t="$((t1 - t0))" -v s="$SECONDS_IDLE" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.1f", 100 * t / hz / s }'
}
with=() without=()
for r in $(seq "$ROUNDS"); do
    without+=("$(one_run "$WORK/without")")
    with+=("$(one_run "$WORK/with")")
    echo "round $r: without the character ${without[-1]} %, with ${with[-1]} %"
done
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
m0=$(median "${without[@]}") m1=$(median "${with[@]}")
awk -v a="$m0" -v b="$m1" 'BEGIN { printf "median: without %.1f %%, with %.1f %% of a core (%.1fx)\n", a, b, (a > 0 ? b / a : 0) }'
