// The rendering manager: updating and drawing the process stack, and releasing what the processes
// drew with at shutdown.
#include "engine/render/RenderingManager.h"

namespace RenderSystem {

void CRenderingManager::Shutdown() {
    PopProcess();
    GetRenderObjectManager().ReleaseAll();
    GetVSParamManager().ReleaseAll();
    GetPSParamManager().ReleaseAll();
}

void CRenderingManager::UpdateProcesses() {
    for (IRenderProcess* p : processes_) p->Update();
}

void CRenderingManager::RenderProcesses() {
    for (IRenderProcess* p : processes_) p->Render();
}

}  // namespace RenderSystem
