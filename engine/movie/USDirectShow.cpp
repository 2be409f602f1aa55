// Starting and stopping the movie service.
#include "engine/movie/USDirectShow.h"

#include "engine/app/USApp.h"
#include "engine/movie/DShowMovie.h"
#include "engine/util/USCallbackManager.h"
#include "engine/util/USLogManager.h"
#include "engine/util/USSingleton.h"

bool CUSDirectShow::Initialize() {
    US_LOG("Initialize DirectShow...\n");
    if (CUSSingleton<COMManager>::GetInstance()->Initialize() < 0) {
        US_LOG("Failed Initializing DirectShow!\n\n");
        return false;
    }
    US_LOG("Success Initialization of DirectShow\n\n");
    initialized_ = 1;
    return true;
}

bool InitDirectShow() {
    if (!CUSSingleton<CUSDirectShow>::GetInstance()->Initialize()) return false;
    CUSCallbackManager::Global().Add(ReleaseDirectShow);
    return true;
}

void ReleaseDirectShow() {
    MovieGrabTextureManager().ReleaseAll();
    CUSSingleton<COMManager>::GetInstance()->Uninitialize();
}
