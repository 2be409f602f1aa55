# Sourced by the benchmark scripts that start the game under Xvfb: a work folder removed at the end (with
# the game and the X server still running then), a lock folder of the run's own, start_xvfb, and a game
# waiting for a click with its processor time measured (make_waiting_game, waiting_cpu, median).
#   source bench/game_under_xvfb.sh NAME   (NAME names the work folder: marlowe-NAME.XXXXXX)
BENCH_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
WORK=$(mktemp -d -t "marlowe-$1.XXXXXX")
GAME_PID=
XVFB_PID=
cleanup() {
    [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
# A lock folder of this run's own: a game already running elsewhere (the game allows one instance per
# lock folder) must not stop the one measured here.
export XDG_RUNTIME_DIR="$WORK/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# start_xvfb BASE: a private X display at the game's size, numbered from BASE, answering when this returns;
# sets `display`.
start_xvfb() {
    display=:$(($1 + $$ % 300))
    Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do xwininfo -display "$display" -root >/dev/null 2>&1 && break; sleep 0.05; done
}

# make_waiting_game DIR BUILD WITH_CHARACTER: a game folder from the demo that BUILD made (its program,
# shaders, meshes, set-up scripts and character) whose scene code goes straight to one line of text over the
# demo's background and message window, with the demo's Puppet character when WITH_CHARACTER is 1, and
# waits there for a click.
make_waiting_game() {
    local dir=$1 B=$2 code
    code=$(mktemp -d "$WORK/code.XXXXXX")
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
        if [ "$3" = 1 ]; then
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
    "$B/bin/arcpack" --key qT7mRw2Z --lzss --out "$dir/data.arc" --dir "$BENCH_ROOT/demo/media/arc" \
        "bin/Scene.bin=$code/Scene.bin" "scenario/scene.bin=$code/scene.bin" >/dev/null
}

# median V...: the median of the numbers given.
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

# waiting_cpu DIR: starts the game in DIR on the display of start_xvfb as the peer harness does (no sound
# card, software GL), lets it reach its line, and prints its processor time as process_cpu does.
waiting_cpu() {
    (cd "$1" && HOME="$WORK" DISPLAY="$display" SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1 \
        exec ./Marlowe >/dev/null 2>&1) &
    GAME_PID=$!
    sleep 3
    process_cpu "$GAME_PID"
    kill "$GAME_PID"
    wait "$GAME_PID" 2>/dev/null || true
    GAME_PID=
}

# process_cpu PID: the processor time of all the process's threads over $SECONDS_IDLE s (8 unless set)
# in % of one core, then, per thread name, "name:%:wakeups/s" (a wakeup being a voluntary context switch).
process_cpu() {
    local seconds=${SECONDS_IDLE:-8} before after
    before=$(thread_times "$1")
    sleep "$seconds"
    after=$(thread_times "$1")
    printf '%s\n--\n%s\n' "$before" "$after" | awk -v s="$seconds" '
        $0 == "--" { after = 1; next }
        !after { ns0[$1] = $3; cs0[$1] = $4; next }
        { name = $2; ns = $3 - ns0[$1]; cs = $4 - cs0[$1]; total += ns; tns[name] += ns; tcs[name] += cs }
        END {
            printf "%.2f", 100 * total / 1e9 / s
            for (n in tns) printf " %s:%.2f:%.0f", n, 100 * tns[n] / 1e9 / s, tcs[n] / s
            printf "\n"
        }'
}

# thread_times PID: one line per thread: id, name, run time in ns, voluntary context switches.
thread_times() {
    local t
    for t in /proc/"$1"/task/*; do
        printf '%s %s %s %s\n' "${t##*/}" "$(tr ' ' _ < "$t/comm")" "$(cut -d' ' -f1 "$t/schedstat")" \
            "$(awk '/^voluntary_ctxt_switches/ {print $2}' "$t/status")"
    done 2>/dev/null
}
