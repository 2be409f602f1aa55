// Image, render-source image, polygon and text controls.
#include "novel/ui/UIImageControls.h"

bool CUIImage::Update(float, float, std::uint32_t) {
    context_.Update();
    return false;
}

void CUIImage::Setup(asIScriptContext* context, std::int32_t lookId) {
    SetupSprite(context);
    context_.Start(lookId);
}
