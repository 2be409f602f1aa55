// The passive controls of UI windows, which never take input and whose look only their script or
// direct pattern drives: a sheet image, a render-source image, a filled polygon and a text buffer.
#pragma once
#include "novel/ui/UIControl.h"

class CUIImage : public CUISpriteControl {
public:
    bool Update(float x, float y, std::uint32_t input) override;
    // Starts the look at once, then builds the sprite.
    virtual void Setup(asIScriptContext* context, std::int32_t lookId);
};
