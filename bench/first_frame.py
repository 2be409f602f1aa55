#!/usr/bin/env python3
"""Times the game from just before it is started to the first frame in its window, under a fresh Xvfb each run.

Usage: first_frame.py ROUNDS GAME_DIR [GAME_DIR ...]
The games are run in turn, round by round (interleaved), after one warm-up run each that is not counted
and that takes the reference picture: five 16x16 patches of the top half of the screen, read 2 s after
start. A run ends at the first poll (every 3 ms, XGetImage through libX11) where every patch matches the
reference within 8/255 per channel: the scene's first frame is on screen. Printed per run: the wall time
to that poll and the processor time the game had used by then (its live threads, from
/proc/PID/task/*/schedstat: a thread that has ended is not counted); at the end the median and range of each game
and the median of its per-round ratio to the first game. The environment is passed on
(DISPLAY is set here); as in the peer harness, SDL_AUDIODRIVER=dummy and LIBGL_ALWAYS_SOFTWARE=1 unless
given.
"""
import ctypes
import ctypes.util
import os
import signal
import statistics
import subprocess
import sys
import time

PATCHES = [(24, 16), (392, 16), (760, 16), (100, 250), (660, 250)]
SIZE = 16
TOLERANCE = 8
POLL_S = 0.003
TIMEOUT_S = 20.0


class Screen:
    """The root window of one X display, read back a patch at a time."""

    def __init__(self, display):
        x = ctypes.CDLL(ctypes.util.find_library("X11"))
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XGetImage.restype = ctypes.c_void_p
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XDestroyImage.argtypes = [ctypes.c_void_p]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x = x
        self.dpy = x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError("cannot open display " + display)
        self.root = x.XDefaultRootWindow(self.dpy)

    def patches(self):
        """Mean (b, g, r) of each patch; XImage's data pointer and row length sit at fixed offsets."""
        means = []
        for px, py in PATCHES:
            image = self.x.XGetImage(self.dpy, self.root, px, py, SIZE, SIZE, 0xFFFFFFFF, 2)  # ZPixmap
            data = ctypes.c_void_p.from_address(image + 16).value
            stride = ctypes.c_int.from_address(image + 44).value
            raw = ctypes.string_at(data, stride * SIZE)
            self.x.XDestroyImage(image)
            rows = b"".join(raw[r * stride:r * stride + SIZE * 4] for r in range(SIZE))
            means.append(tuple(sum(rows[c::4]) / (SIZE * SIZE) for c in range(3)))
        return means

    def close(self):
        self.x.XCloseDisplay(self.dpy)


def start_xvfb():
    n = 130 + os.getpid() % 300
    while os.path.exists("/tmp/.X11-unix/X%d" % n) or os.path.exists("/tmp/.X%d-lock" % n):
        n += 1
    server = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "800x600x24", "-nolisten", "tcp"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(200):
        try:
            return server, ":%d" % n, Screen(":%d" % n)
        except RuntimeError:
            time.sleep(0.02)
    server.kill()
    raise RuntimeError("Xvfb did not start")


def processor_ms(pid):
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                total += int(f.read().split()[0])
        except OSError:
            pass
    return total / 1e6


def matches(means, reference):
    return all(abs(a - b) <= TOLERANCE for m, r in zip(means, reference) for a, b in zip(m, r))


def run(game, reference):
    """One start of the game; returns (wall ms, processor ms) to the reference frame, or the patches at 2 s."""
    server, display, screen = start_xvfb()
    env = dict(os.environ, DISPLAY=display)
    env.setdefault("SDL_AUDIODRIVER", "dummy")
    env.setdefault("LIBGL_ALWAYS_SOFTWARE", "1")
    try:
        t0 = time.perf_counter()
        proc = subprocess.Popen([os.path.join(game, "Marlowe")], cwd=game, env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            if reference is None:
                time.sleep(2.0)
                if proc.poll() is not None:
                    raise RuntimeError("%s ended with status %d at start" % (game, proc.returncode))
                return screen.patches()
            while time.perf_counter() - t0 < TIMEOUT_S:
                if matches(screen.patches(), reference):
                    return (time.perf_counter() - t0) * 1000, processor_ms(proc.pid)
                if proc.poll() is not None:
                    raise RuntimeError("%s ended with status %d before its first frame" % (game, proc.returncode))
                time.sleep(POLL_S)
            raise RuntimeError("%s showed no frame like its reference in %d s" % (game, TIMEOUT_S))
        finally:
            proc.send_signal(signal.SIGKILL)
            proc.wait()
    finally:
        screen.close()
        server.terminate()
        server.wait()


def main():
    rounds, games = int(sys.argv[1]), sys.argv[2:]
    references = [run(game, None) for game in games]
    results = {game: [] for game in games}
    for r in range(rounds):
        line = []
        for game, reference in zip(games, references):
            wall, cpu = run(game, reference)
            results[game].append((wall, cpu))
            line.append("%s %.1f ms (processor %.1f ms)" % (os.path.basename(game.rstrip("/")), wall, cpu))
        print("round %d: %s" % (r + 1, ", ".join(line)), flush=True)
    first = [w for w, _ in results[games[0]]]
    for game in games:
        walls = [w for w, _ in results[game]]
        cpus = [c for _, c in results[game]]
        ratio = statistics.median(w / f for w, f in zip(walls, first))
        print("%s: first frame median %.1f ms (%.1f to %.1f), processor median %.1f ms, round by round %.2f of the first" %
              (os.path.basename(game.rstrip("/")), statistics.median(walls), min(walls), max(walls), statistics.median(cpus), ratio))


if __name__ == "__main__":
    main()
