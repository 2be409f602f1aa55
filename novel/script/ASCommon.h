// What every AngelScript host of the game shares: engine creation with Shift-JIS-preserving
// properties, the message callback that writes compiler and run-time messages to the log, module
// building from the game's files (loose or in archives), the configuration enumerations, the common
// functions of the UI, choice and direction hosts, and CDefoASVM, which runs one script function as a
// coroutine, one slice per frame, with a frame-counting wait.
#pragma once
#include <angelscript.h>
#include <angelscript/scriptbuilder.h>

#include <cstdint>
#include <initializer_list>

// The library is built inside its namespace; the game's hosts use its names unqualified.
using namespace AngelScript;

// Writes "section(row,column) : TYPE : text" to the log, TYPE being "ERR ", "WARN" or "INFO".
void ScriptMessageCallback(const asSMessageInfo* msg, void* param);

// A new engine that scans scripts byte by byte and keeps string constants as bytes (so Shift-JIS
// text passes unchanged), with the message callback installed; null when the library fails.
asIScriptEngine* CreateScriptEngine();

// One global function to register.
struct ScriptFunction {
    const char* declaration;
    asSFuncPtr function;
};
// Registers each function with C calling convention. A failed registration spoils the engine for
// every later build, so each failure is logged; true when all succeeded.
bool RegisterScriptFunctions(asIScriptEngine* engine, const ScriptFunction* begin, const ScriptFunction* end);
inline bool RegisterScriptFunctions(asIScriptEngine* engine, std::initializer_list<ScriptFunction> functions) {
    return RegisterScriptFunctions(engine, functions.begin(), functions.end());
}

// The enumerations "ComnConfigIndex" and "MaxVolumeIndex"; true when every registration succeeded.
bool RegisterConfigEnums(asIScriptEngine* engine);
// The set-up shared by the UI window, choice and direction hosts: enumerations, string, array and
// math add-ons, and the seventeen common functions; true when every registration succeeded.
bool RegisterCommonScriptInterface(asIScriptEngine* engine);

// Adds the file (read through the file layer, so loose files and archive entries alike) as a section
// named by the file name; -1 when it cannot be read or is empty (the second case reported through the
// engine's message callback).
int LoadScriptSection(CScriptBuilder& builder, const char* filename);
// Builds the module named after path from that file and the files it includes; negative on failure
// (the messages are in the log).
int BuildScriptModule(asIScriptEngine* engine, const char* path);

// Set-up scripts run once, at start-up: one that runs longer than this is stuck, and is aborted.
constexpr uint32_t kSetUpScriptMs = 10000;
// Executes a prepared context under a watch kept through the engine's line callback: a run past
// limitMs, or one still going while the player asks to close the game, is stopped. With abort (a
// set-up script) it is aborted with a log line naming the script; otherwise (a script run a slice per
// frame) it is suspended, and goes on when the context is executed again. Returns what Execute
// returned.
int ExecuteWatched(asIScriptContext* context, const char* name, uint32_t limitMs, bool abort);

// Runs one prepared script function a slice per frame; the host prepares the context and stores it
// with SetContext and AttachTo, then calls Step each frame while IsRunning.
class CDefoASVM {
public:
    // The user-data slot under which a context holds its runner; other hosts use other slots.
    static constexpr asPWORD kUserDataType = 0x4D41564Du;

    CDefoASVM() = default;
    CDefoASVM(const CDefoASVM&) = delete;
    CDefoASVM& operator=(const CDefoASVM&) = delete;
    virtual ~CDefoASVM();
    virtual void Reset() {
        wait_ = 0;
        running_ = 1;
    }
    // Counts a wait down; when it is over, runs the script until it returns, suspends or fails. The
    // running flag is cleared only when the function has returned.
    virtual void Step();
    virtual void SetWait(uint32_t frames) { wait_ = frames; }
    virtual void SetContext(asIScriptContext* context) { context_ = context; }

    // Makes this runner the context's user data, where Wait finds it.
    void AttachTo(asIScriptContext* context) { context->SetUserData(this, kUserDataType); }
    // The runner of the context, or null when the context belongs to no runner.
    static CDefoASVM* FromContext(asIScriptContext* context);

    uint32_t GetWait() const { return wait_; }
    bool IsRunning() const { return running_ != 0; }
    asIScriptContext* GetContext() const { return context_; }

private:
    uint32_t wait_ = 0;
    uint32_t running_ = 0;
    asIScriptContext* context_ = nullptr;
};
