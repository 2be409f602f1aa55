// user32 over SDL2: window classes and windows, the message queue fed by SDL events, cursor
// position, system metrics and message boxes. Window procedures run on the thread that pumps.
#include <SDL2/SDL.h>
#include <sys/stat.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "win32/codepage.h"
#include "win32/user.h"
#include "win32/winmm.h"
#include "x11_display.h"

struct HWND__ {
    SDL_Window* sdl = nullptr;
    WNDPROC proc = nullptr;
    LONG userData = 0;
    DWORD style = 0;
    bool alive = true;
    std::string title;  // CP932
};

namespace {

std::mutex g_lock;  // Guards the queue, the quit flag and the window tables.
std::condition_variable g_posted;
std::deque<MSG> g_queue;
bool g_quitPending = false;
int g_quitCode = 0;
std::map<std::string, WNDCLASSEXA> g_classes;
std::map<Uint32, HWND> g_windows;               // SDL window id -> live window
std::vector<std::unique_ptr<HWND__>> g_allWindows;  // Every window ever made; handles stay valid memory.
POINT g_cursor{0, 0};                            // Last known cursor, screen coordinates.
Uint32 g_wakeEvent = 0;
Uint32 g_lastSdlPump = 0;  // SDL_GetTicks of SDL's last pass over the display

struct Observer {
    int id;
    win32::EventObserver fn;
    void* user;
};
std::vector<Observer> g_observers;
int g_nextObserver = 1;

bool VideoReady() { return SDL_WasInit(SDL_INIT_VIDEO) != 0; }

bool IsLive(HWND hwnd) {
    if (!hwnd) return false;
    for (auto& w : g_allWindows)
        if (w.get() == hwnd) return w->alive;
    return false;
}

void Enqueue(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    MSG m{hwnd, msg, w, l, timeGetTime(), g_cursor};
    g_queue.push_back(m);
}

WPARAM VirtualKeyOf(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return static_cast<WPARAM>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return static_cast<WPARAM>(key);
    if (key >= SDLK_F1 && key <= SDLK_F12) return static_cast<WPARAM>(VK_F1 + (key - SDLK_F1));
    switch (key) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return VK_RETURN;
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_TAB: return VK_TAB;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_UP: return VK_UP;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT: return VK_MENU;
        default: return 0;
    }
}

HWND WindowOfEvent(Uint32 windowId) {
    auto it = g_windows.find(windowId);
    return it == g_windows.end() ? nullptr : it->second;
}

// Turns one SDL event into queued messages (called with g_lock held).
void Translate(const SDL_Event& e) {
    switch (e.type) {
        case SDL_WINDOWEVENT: {
            HWND hwnd = WindowOfEvent(e.window.windowID);
            if (!hwnd) return;
            switch (e.window.event) {
                case SDL_WINDOWEVENT_CLOSE: Enqueue(hwnd, WM_CLOSE, 0, 0); break;
                case SDL_WINDOWEVENT_FOCUS_GAINED: Enqueue(hwnd, WM_ACTIVATEAPP, TRUE, 0); break;
                case SDL_WINDOWEVENT_FOCUS_LOST: Enqueue(hwnd, WM_ACTIVATEAPP, FALSE, 0); break;
                case SDL_WINDOWEVENT_MINIMIZED: Enqueue(hwnd, WM_SIZE, SIZE_MINIMIZED, 0); break;
                case SDL_WINDOWEVENT_RESTORED: {
                    int w = 0, h = 0;
                    SDL_GetWindowSize(hwnd->sdl, &w, &h);
                    Enqueue(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w, h));
                    break;
                }
                default: break;
            }
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            HWND hwnd = WindowOfEvent(e.key.windowID);
            if (!hwnd) return;
            WPARAM vk = VirtualKeyOf(e.key.keysym.sym);
            if (vk) Enqueue(hwnd, e.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, vk, e.key.repeat ? 0x40000001 : 1);
            break;
        }
        case SDL_MOUSEMOTION: {
            HWND hwnd = WindowOfEvent(e.motion.windowID);
            if (!hwnd) return;
            int wx = 0, wy = 0;
            SDL_GetWindowPosition(hwnd->sdl, &wx, &wy);
            g_cursor = POINT{wx + e.motion.x, wy + e.motion.y};
            Enqueue(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(e.motion.x, e.motion.y));
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            HWND hwnd = WindowOfEvent(e.button.windowID);
            if (!hwnd) return;
            bool down = e.type == SDL_MOUSEBUTTONDOWN;
            UINT msg = 0;
            switch (e.button.button) {
                case SDL_BUTTON_LEFT: msg = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
                case SDL_BUTTON_RIGHT: msg = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
                case SDL_BUTTON_MIDDLE: msg = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
                default: return;
            }
            int wx = 0, wy = 0;
            SDL_GetWindowPosition(hwnd->sdl, &wx, &wy);
            g_cursor = POINT{wx + e.button.x, wy + e.button.y};
            Enqueue(hwnd, msg, 0, MAKELPARAM(e.button.x, e.button.y));
            break;
        }
        case SDL_QUIT:
            // A termination signal (SIGTERM, SIGINT) asks every window to close, as a shutdown would.
            for (auto& [id, hwnd] : g_windows) {
                (void)id;
                Enqueue(hwnd, WM_CLOSE, 0, 0);
            }
            break;
        case SDL_MOUSEWHEEL: {
            HWND hwnd = WindowOfEvent(e.wheel.windowID);
            if (!hwnd) return;
            int delta = e.wheel.y * WHEEL_DELTA;
            if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) delta = -delta;
            Enqueue(hwnd, WM_MOUSEWHEEL, static_cast<WPARAM>(static_cast<WORD>(delta)) << 16,
                    MAKELPARAM(g_cursor.x, g_cursor.y));
            break;
        }
        default: break;
    }
}

bool HeadlessVideo() {
    if (VideoReady()) {
        const char* drv = SDL_GetCurrentVideoDriver();
        return !drv || std::strcmp(drv, "dummy") == 0 || std::strcmp(drv, "offscreen") == 0;
    }
    const char* forced = std::getenv("SDL_VIDEODRIVER");
    if (forced && (std::strcmp(forced, "dummy") == 0 || std::strcmp(forced, "offscreen") == 0)) return true;
    return !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY");
}

// While SDL starts, variables that spare it work the game has no use for; afterwards the environment is as it
// was, for the programs the game starts. A variable the user set is left alone.
class StartEnvironment {
public:
    StartEnvironment() {
        // The game reads keys, never typed text, yet SDL's X11 start opens an input method, which parses the
        // locale's whole compose table (thousands of lines; about a tenth of the way to the first frame): the
        // table is an empty file.
        Set("XCOMPOSEFILE", "/dev/null");
        // With no session bus to be found (no address given, no bus socket in the runtime folder) libdbus would
        // try to launch one, a fork and a search of the PATH at every start, only for SDL to ask it to keep
        // the screen saver off, which nothing on a bus started that way does: there is no session bus. SDL
        // keeps the X server's own screen saver off either way.
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        struct stat bus;
        if (!runtime || stat((std::string(runtime) + "/bus").c_str(), &bus) != 0)
            Set("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    }
    ~StartEnvironment() {
        for (const char* name : set_) unsetenv(name);
    }
    StartEnvironment(const StartEnvironment&) = delete;
    StartEnvironment& operator=(const StartEnvironment&) = delete;

private:
    void Set(const char* name, const char* value) {
        if (std::getenv(name)) return;
        setenv(name, value, 1);
        set_.push_back(name);
    }
    std::vector<const char*> set_;
};

}  // namespace

namespace win32 {

// SDL left to choose falls back to an off-screen driver whenever the display turns it away, and the
// program would run on with no window anywhere: the driver is named after the display the environment
// gives, so that a failure is a failure. An X server resetting (its last client just left, as when the
// settings dialog hands over to the game) turns connections away for a moment: tried for two seconds.
bool StartVideo() {
    if (VideoReady()) return true;
    static bool failed = false;
    if (failed) return false;
    auto get = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v ? v : nullptr;
    };
    const char* x11 = get("DISPLAY");
    const char* wayland = get("WAYLAND_DISPLAY");
    if (!get("SDL_VIDEODRIVER")) {
        if (!x11 && !wayland) {
            std::fprintf(stderr, "No display: neither DISPLAY nor WAYLAND_DISPLAY is set, so no window can open.\n");
            failed = true;
            return false;
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, x11 && wayland ? "x11,wayland" : x11 ? "x11" : "wayland");
    }
    const StartEnvironment environment;
    for (int attempt = 1; SDL_InitSubSystem(SDL_INIT_VIDEO) != 0; ++attempt) {
        if (attempt == 20) {
            std::fprintf(stderr, "Cannot open the display (DISPLAY=%s, WAYLAND_DISPLAY=%s): %s\n", x11 ? x11 : "",
                         wayland ? wayland : "", SDL_GetError());
            failed = true;
            return false;
        }
        SDL_Delay(100);
    }
    if (g_wakeEvent == 0) g_wakeEvent = SDL_RegisterEvents(1);
    return true;
}

SDL_Window* SdlWindowOf(HWND hwnd) {
    std::lock_guard<std::mutex> lock(g_lock);
    return IsLive(hwnd) ? hwnd->sdl : nullptr;
}

HWND WindowFromSdlId(unsigned int windowId) {
    std::lock_guard<std::mutex> lock(g_lock);
    return WindowOfEvent(windowId);
}

int AddEventObserver(EventObserver observer, void* user) {
    std::lock_guard<std::mutex> lock(g_lock);
    g_observers.push_back({g_nextObserver, observer, user});
    return g_nextObserver++;
}

void RemoveEventObserver(int id) {
    std::lock_guard<std::mutex> lock(g_lock);
    for (auto it = g_observers.begin(); it != g_observers.end(); ++it)
        if (it->id == id) {
            g_observers.erase(it);
            return;
        }
}

// SDL's pass over the display brings in the window system's events and does SDL's housekeeping (a
// termination signal becomes a quit, the screen saver is held off, a deferred focus change is sent). It
// runs when the display has something for it, and at least every 100 ms for the housekeeping: a frame
// that nothing reached costs a look at the connection instead of the pass. Events that SDL queued itself
// (injected ones, the wake-up of PostMessageA) are taken below either way.
void PumpEvents() {
    if (!VideoReady()) return;
    SDL_Window* window = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        if (!g_windows.empty()) window = g_windows.begin()->second->sdl;
    }
    const Uint32 now = SDL_GetTicks();
    if (now - g_lastSdlPump >= 100 || DisplayMayHaveEvents(window)) {
        SDL_PumpEvents();
        g_lastSdlPump = now;
    }
    SDL_Event events[64];
    int n;
    while ((n = SDL_PeepEvents(events, 64, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT)) > 0) {
        std::vector<Observer> observers;
        {
            std::lock_guard<std::mutex> lock(g_lock);
            observers = g_observers;
        }
        for (int i = 0; i < n; ++i) {
            for (auto& o : observers) o.fn(events[i], o.user);
            std::lock_guard<std::mutex> lock(g_lock);
            Translate(events[i]);
        }
    }
}

}  // namespace win32

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) return 0;
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_classes.count(wc->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    g_classes[wc->lpszClassName] = *wc;
    return static_cast<ATOM>(0xC000 + g_classes.size());
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
    std::lock_guard<std::mutex> lock(g_lock);
    return className && g_classes.erase(className) ? TRUE : FALSE;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width, int height,
                     HWND, HMENU, HINSTANCE, LPVOID) {
    if (!className || !win32::StartVideo()) return nullptr;
    WNDPROC proc;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        auto it = g_classes.find(className);
        if (it == g_classes.end()) return nullptr;
        proc = it->second.lpfnWndProc;
    }
    std::string title = windowName ? windowName : "";
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (!(style & WS_CAPTION)) flags |= SDL_WINDOW_BORDERLESS;
    if (x == CW_USEDEFAULT) x = SDL_WINDOWPOS_CENTERED;
    if (y == CW_USEDEFAULT) y = SDL_WINDOWPOS_CENTERED;
    SDL_Window* sdl = SDL_CreateWindow(win32::Cp932ToUtf8(title).c_str(), x, y, width, height, flags);
    if (!sdl) {
        std::fprintf(stderr, "SDL_CreateWindow failed: %s\n", SDL_GetError());
        return nullptr;
    }
    auto w = std::make_unique<HWND__>();
    w->sdl = sdl;
    w->proc = proc;
    w->style = style;
    w->title = title;
    HWND hwnd = w.get();
    {
        std::lock_guard<std::mutex> lock(g_lock);
        g_allWindows.push_back(std::move(w));
        g_windows[SDL_GetWindowID(sdl)] = hwnd;
    }
    if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

BOOL IsWindow(HWND hwnd) {
    std::lock_guard<std::mutex> lock(g_lock);
    return IsLive(hwnd) ? TRUE : FALSE;
}

BOOL DestroyWindow(HWND hwnd) {
    {
        std::lock_guard<std::mutex> lock(g_lock);
        if (!IsLive(hwnd)) return FALSE;
    }
    // Both messages are sent, not posted: they run before DestroyWindow returns.
    hwnd->proc(hwnd, WM_DESTROY, 0, 0);
    hwnd->proc(hwnd, WM_NCDESTROY, 0, 0);
    SDL_Window* sdl;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        sdl = hwnd->sdl;
        g_windows.erase(SDL_GetWindowID(sdl));
        hwnd->sdl = nullptr;
        hwnd->alive = false;
        // Messages still queued for the window are dropped.
        for (auto it = g_queue.begin(); it != g_queue.end();)
            it = it->hwnd == hwnd ? g_queue.erase(it) : it + 1;
    }
    // Destroyed outside the lock: a display connection lost at this moment makes Xlib end the process
    // from inside this call, and the exit handlers (the device's destructor) take the lock.
    SDL_DestroyWindow(sdl);
    return TRUE;
}

BOOL ShowWindow(HWND hwnd, int cmdShow) {
    SDL_Window* sdl = win32::SdlWindowOf(hwnd);
    if (!sdl) return FALSE;
    bool wasVisible = (SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN) != 0;
    switch (cmdShow) {
        case SW_HIDE: SDL_HideWindow(sdl); break;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED: SDL_MinimizeWindow(sdl); break;
        case SW_RESTORE: SDL_RestoreWindow(sdl); break;
        default:
            SDL_ShowWindow(sdl);
            SDL_RaiseWindow(sdl);
            break;
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) { return IsWindow(hwnd); }

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_CLOSE) DestroyWindow(hwnd);
    return 0;
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(hwnd)) return 0;
    return hwnd->proc(hwnd, msg, wParam, lParam);
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
    if (!IsWindow(hwnd)) return 0;
    LONG old = 0;
    if (index == GWL_USERDATA) {
        old = hwnd->userData;
        hwnd->userData = value;
    } else if (index == GWL_STYLE) {
        old = static_cast<LONG>(hwnd->style);
        hwnd->style = static_cast<DWORD>(value);
        SDL_SetWindowBordered(hwnd->sdl, (hwnd->style & WS_CAPTION) ? SDL_TRUE : SDL_FALSE);
    }
    return old;
}

LONG GetWindowLongA(HWND hwnd, int index) {
    if (!IsWindow(hwnd)) return 0;
    if (index == GWL_USERDATA) return hwnd->userData;
    if (index == GWL_STYLE) return static_cast<LONG>(hwnd->style);
    return 0;
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
    if (!IsWindow(hwnd)) return FALSE;
    hwnd->title = text ? text : "";
    SDL_SetWindowTitle(hwnd->sdl, win32::Cp932ToUtf8(hwnd->title).c_str());
    return TRUE;
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
    if (!IsWindow(hwnd) || !buffer || size <= 0) return 0;
    int n = std::min(static_cast<int>(hwnd->title.size()), size - 1);
    std::memcpy(buffer, hwnd->title.data(), n);
    buffer[n] = 0;
    return n;
}

// Windows here have no frame of their own (the window manager draws one outside the client area):
// the window rectangle is the client rectangle at the window's position.
BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    SDL_Window* sdl = win32::SdlWindowOf(hwnd);
    if (!sdl || !rect) return FALSE;
    int x, y, w, h;
    SDL_GetWindowPosition(sdl, &x, &y);
    SDL_GetWindowSize(sdl, &w, &h);
    *rect = RECT{x, y, x + w, y + h};
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    SDL_Window* sdl = win32::SdlWindowOf(hwnd);
    if (!sdl || !rect) return FALSE;
    int w, h;
    SDL_GetWindowSize(sdl, &w, &h);
    *rect = RECT{0, 0, w, h};
    return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD, BOOL) { return rect ? TRUE : FALSE; }

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags) {
    SDL_Window* sdl = win32::SdlWindowOf(hwnd);
    if (!sdl) return FALSE;
    if (!(flags & SWP_NOSIZE)) SDL_SetWindowSize(sdl, cx, cy);
    if (!(flags & SWP_NOMOVE)) SDL_SetWindowPosition(sdl, x, y);
    if (flags & SWP_SHOWWINDOW) SDL_ShowWindow(sdl);
    return TRUE;
}

HWND GetForegroundWindow() {
    if (!VideoReady()) return nullptr;
    SDL_Window* focus = SDL_GetKeyboardFocus();
    return focus ? win32::WindowFromSdlId(SDL_GetWindowID(focus)) : nullptr;
}

int GetSystemMetrics(int index) {
    switch (index) {
        case SM_CXSCREEN:
        case SM_CYSCREEN: {
            SDL_DisplayMode mode;
            if (!win32::StartVideo() || SDL_GetDesktopDisplayMode(0, &mode) != 0) return index == SM_CXSCREEN ? 800 : 600;
            return index == SM_CXSCREEN ? mode.w : mode.h;
        }
        default: return 0;  // Frames and caption belong to the window manager, outside the client area.
    }
}

BOOL PeekMessageA(LPMSG msg, HWND, UINT filterMin, UINT filterMax, UINT remove) {
    win32::PumpEvents();
    std::lock_guard<std::mutex> lock(g_lock);
    // A filter of 0, 0 takes any message; otherwise the first one within [filterMin, filterMax]. A quit
    // is taken whatever the filter.
    auto wanted = [&](UINT message) {
        return (filterMin == 0 && filterMax == 0) || (message >= filterMin && message <= filterMax);
    };
    for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
        if (!wanted(it->message)) continue;
        *msg = *it;
        if (remove & PM_REMOVE) g_queue.erase(it);
        return TRUE;
    }
    if (g_quitPending) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(g_quitCode), 0, timeGetTime(), g_cursor};
        if (remove & PM_REMOVE) g_quitPending = false;
        return TRUE;
    }
    return FALSE;
}

BOOL WaitMessage() {
    for (;;) {
        win32::PumpEvents();
        {
            std::unique_lock<std::mutex> lock(g_lock);
            if (!g_queue.empty() || g_quitPending) return TRUE;
            if (!VideoReady()) {
                g_posted.wait(lock, [] { return !g_queue.empty() || g_quitPending; });
                return TRUE;
            }
        }
        // Posted messages push a wake-up event, so this returns for them too.
        SDL_WaitEventTimeout(nullptr, 100);
    }
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    while (!PeekMessageA(msg, hwnd, filterMin, filterMax, PM_REMOVE)) WaitMessage();
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !IsWindow(msg->hwnd)) return 0;
    return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard<std::mutex> lock(g_lock);
        if (hwnd && !IsLive(hwnd)) return FALSE;
        Enqueue(hwnd, msg, wParam, lParam);
    }
    g_posted.notify_all();
    if (VideoReady() && g_wakeEvent) {
        SDL_Event wake{};
        wake.type = g_wakeEvent;
        SDL_PushEvent(&wake);
    }
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    {
        std::lock_guard<std::mutex> lock(g_lock);
        g_quitPending = true;
        g_quitCode = exitCode;
    }
    g_posted.notify_all();
}

BOOL GetCursorPos(LPPOINT point) {
    if (!point) return FALSE;
    std::lock_guard<std::mutex> lock(g_lock);
    *point = g_cursor;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    HWND target = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        g_cursor = POINT{x, y};
        for (auto& [id, hwnd] : g_windows) {
            (void)id;
            target = hwnd;
            break;
        }
    }
    if (target && target->sdl) {
        int wx = 0, wy = 0;
        SDL_GetWindowPosition(target->sdl, &wx, &wy);
        SDL_WarpMouseInWindow(target->sdl, x - wx, y - wy);
    }
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
    SDL_Window* sdl = win32::SdlWindowOf(hwnd);
    if (!sdl || !point) return FALSE;
    int x, y;
    SDL_GetWindowPosition(sdl, &x, &y);
    point->x -= x;
    point->y -= y;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
    SDL_Window* sdl = win32::SdlWindowOf(hwnd);
    if (!sdl || !point) return FALSE;
    int x, y;
    SDL_GetWindowPosition(sdl, &x, &y);
    point->x += x;
    point->y += y;
    return TRUE;
}

int ShowCursor(BOOL show) {
    static int counter = 0;
    counter += show ? 1 : -1;
    if (VideoReady()) SDL_ShowCursor(counter >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return counter;
}

// Icons, cursors and stock objects carry no data here: any non-null value serves.
HICON LoadIconA(HINSTANCE, LPCSTR) { return reinterpret_cast<HICON>(1); }
HCURSOR LoadCursorA(HINSTANCE, LPCSTR) { return reinterpret_cast<HCURSOR>(1); }
HGDIOBJ GetStockObject(int object) { return reinterpret_cast<HGDIOBJ>(static_cast<INT_PTR>(object + 1)); }

int MessageBoxA(HWND hwnd, LPCSTR text, LPCSTR caption, UINT type) {
    std::string body = win32::Cp932ToUtf8(text ? text : "");
    std::string title = win32::Cp932ToUtf8(caption ? caption : "");
    std::fprintf(stderr, "[%s] %s\n", title.c_str(), body.c_str());
    if (HeadlessVideo()) return IDOK;
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((type & 0xF0) == MB_ICONHAND) flags = SDL_MESSAGEBOX_ERROR;
    if ((type & 0xF0) == MB_ICONEXCLAMATION) flags = SDL_MESSAGEBOX_WARNING;
    SDL_ShowSimpleMessageBox(flags, title.c_str(), body.c_str(), win32::SdlWindowOf(hwnd));
    return IDOK;
}
