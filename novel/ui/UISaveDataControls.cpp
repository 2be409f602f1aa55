// Save-file buttons, thumbnails and the snapshot image.
#include "novel/ui/UISaveDataControls.h"

#include "novel/render/Renderer.h"

using namespace NovelRender;

int& HoveredSaveSlot() {
    static int slot = -1;
    return slot;
}

CSaveDataInfoNode* SaveSlotNode(std::int32_t slot) {
    CSaveDataManager* saves = CSaveDataManager::GetInstance();
    return slot == -1 ? &saves->GetQuickNode() : saves->GetNode(slot);
}

// ---- save-file button ----

void CUISaveFileButton::Setup(std::int32_t slot, asIScriptContext* context, std::int32_t empty,
                              std::int32_t emptyOver, std::int32_t used, std::int32_t usedOver,
                              std::int32_t pressed) {
    slot_ = slot;
    SetupSprite(context);
    const std::int32_t ids[5] = {empty, emptyOver, used, usedOver, pressed};
    std::copy(ids, ids + 5, ids_);
    shown_ = -1;
    characters_.Create(1);
    if (CVSParamInfo* params = characters_.Params())
        for (std::uint32_t k = 0; k < 17; ++k) SetRegister(*params, 7 + 4 * k, 1, 1, 1, 1);
}

bool CUISaveFileButton::Update(float x, float y, std::uint32_t input) {
    const bool hit = HitTest(x, y);
    const bool click = hit && (input & 1);
    if (!busy_) {
        int look = 0;
        if (hit) {
            look = 1;
            HoveredSaveSlot() = slot_;
        }
        const CSaveDataInfoNode* node = SaveSlotNode(slot_);
        if (node && node->exists) look += 2;
        if (look != shown_) {
            context_.Start(ids_[look]);
            shown_ = look;
        }
        if (click) {
            // The pressed look is now the one shown, so that once the button is signalled the
            // next update brings back the look of the slot and the cursor.
            context_.Start(ids_[4]);
            shown_ = 4;
            if (asIScriptContext* c = context_.GetContext()) c->SetArgDWord(0, static_cast<asDWORD>(slot_));
            busy_ = true;
        }
    }
    context_.Update();
    return click;
}

void CUISaveFileButton::Render(const float windowPosition[3], const ResourceList& sheets) {
    if (!info_.rendering || info_.pattern == -1) return;
    const float p[3] = {position_[0] + windowPosition[0], position_[1] + windowPosition[1],
                        position_[2] + windowPosition[2]};
    const CSaveDataInfoNode* node = SaveSlotNode(slot_);
    RenderSystem::CBaseRenderObject* object = characters_.Object();
    CVSParamInfo* params = characters_.Params();
    const bool haveSheet = info_.sheet >= 0 && static_cast<std::size_t>(info_.sheet) < sheets.size();
    if (node && object && params && haveSheet) {
        const CSaveDataManager* saves = CSaveDataManager::GetInstance();
        const std::uint32_t first = node->slot == -1 ? 3 : 0, last = node->exists ? 17 : 3;
        std::uint32_t k = 0;
        for (std::uint32_t i = first; i < last; ++i) {
            const std::uint32_t code = static_cast<std::uint32_t>(node->GetDigit(i));
            const CPartsInfo3* part =
                FindSheetPart(sheets, info_.sheet, static_cast<std::int32_t>(saves->GetDigitPattern(code)));
            if (!part) continue;
            const float rect[4] = {part->g0, part->g1, part->g2, part->g3};
            const float uv[4] = {part->tu0, part->tv0, part->tu1, part->tv1};
            const float* at = saves->GetDigitLayout(i);
            SetRegister(*params, 5 + 4 * k, rect);
            SetRegister(*params, 6 + 4 * k, uv);
            SetRegister(*params, 8 + 4 * k, at[0], at[1], at[2], 0);
            ++k;
        }
        if (k > 0) {
            object->GetModel()->SetData(0, 0, 4 * k, 0, 2 * k);
            object->Stage(0).SetTexture(sheets[info_.sheet]->texture);
            object->position = D3DXVECTOR3(p[0] - 0.5f, p[1] - 0.5f, p[2]);
            object->scale = D3DXVECTOR3(1, 1, 1);
            D3DXMatrixIdentity(&object->rotation);
            Queue(layer_, characters_.Handle());
        }
    }
    sprite_.Draw(p, info_, sheets, layer_);
}

// ---- thumbnails ----

void CUISaveDataThumbnail::Setup(std::int32_t slot) {
    slot_ = slot;
    sprite_.Create(0);
    if (CVSParamInfo* params = sprite_.Params()) SetRegister(*params, 7, 1, 1, 1, 1);
}

void CUISaveDataThumbnail::Render(const float windowPosition[3], const ResourceList&) {
    CSaveDataInfoNode* node = Node();
    RenderSystem::CBaseRenderObject* object = sprite_.Object();
    CVSParamInfo* params = sprite_.Params();
    if (!node || !node->exists || !object || !params) return;
    SetRegister(*params, 5, node->quad);
    SetRegister(*params, 6, node->uv);
    object->Stage(0).SetTexture(node->thumbnailTexture);
    object->position = D3DXVECTOR3(position_[0] + windowPosition[0] - 0.5f, position_[1] + windowPosition[1] - 0.5f,
                                   position_[2] + windowPosition[2]);
    Queue(layer_, sprite_.Handle());
}

bool CUISaveDataSnapImage::Update(float, float, std::uint32_t) {
    if (HoveredSaveSlot() != -1) {
        slot_ = HoveredSaveSlot();
        HoveredSaveSlot() = -1;
    }
    return false;
}
