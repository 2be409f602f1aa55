// The rendering manager: the stack of render processes the application updates and draws each frame,
// and the texture-stage cache they share.
#pragma once
#include <list>

#include "engine/render/RenderElementManager.h"
#include "engine/render/RenderProcess.h"
#include "engine/util/USSingleton.h"

namespace RenderSystem {

class CRenderingManager {
public:
    // What is left at exit stays with the handle managers, which last for the whole process.
    virtual ~CRenderingManager() = default;
    // Pops the last process and releases every render object and constant set.
    virtual void Shutdown();
    virtual void PushProcess(IRenderProcess* process) { processes_.push_back(process); }
    virtual void PopProcess() {
        if (!processes_.empty()) processes_.pop_back();
    }
    virtual void UpdateProcesses();
    virtual void RenderProcesses();

    CRenderElementManager& GetElements() { return elements_; }
    static CRenderingManager* GetInstance() { return CUSSingleton<CRenderingManager>::GetInstance(); }

private:
    CRenderElementManager elements_;
    std::list<IRenderProcess*> processes_;
};

}  // namespace RenderSystem
