// Choice items: the shared data and record, and the image item's machine, drawing and texture binding.
#include "novel/choices/AltNode.h"

#include "engine/input/AppCommonInfo.h"
#include "engine/util/USSingleton.h"
#include "novel/novel/NovelSystem.h"
#include "novel/vm/SaveIO.h"

// ---- shared data ----

void CBaseAltNode::SetOffset(float x, float y, float z) {
    offset_[0] = x;
    offset_[1] = y;
    offset_[2] = z;
}

void CBaseAltNode::SetRect(float x, float y, float w, float h) {
    rect_[0] = x;
    rect_[1] = y;
    rect_[2] = x + w;
    rect_[3] = y + h;
}

bool CBaseAltNode::HitTest(float x, float y) const {
    const float lx = x - offset_[0];
    const float ly = y - offset_[1];
    return rect_[0] <= lx && lx <= rect_[2] && rect_[1] <= ly && ly <= rect_[3];
}

void CBaseAltNode::Save(USLib::binary_ostream<256>& out) const {
    SaveIO::WriteU32(out, kind_);
    SaveIO::WriteU32(out, value_);
    out.Write(rect_, 16);
    out.Write(&visible_, 1);
    out.Write(offset_, 12);
    out.Write(&enableEvent_, 1);
    for (std::uint32_t p : params_) SaveIO::WriteU32(out, p);
    info_.Save(out);
}

void CBaseAltNode::Load(USLib::binary_istream& in, std::uint32_t) {
    value_ = SaveIO::ReadU32(in);
    in.Read(rect_, 16);
    SaveIO::ReadBytes(in, &visible_, 1);
    in.Read(offset_, 12);
    SaveIO::ReadBytes(in, &enableEvent_, 1);
    for (std::uint32_t& p : params_) p = SaveIO::ReadU32(in);
    info_.Load(in);
}

// ---- image item ----

CAltInfoImage::CAltInfoImage() {
    using C = CAltInfoImage;
    fsm_.Setup(this,
               {&C::OnAppear, &C::OnOff, &C::OnOn, &C::OnSelected, &C::UpdateIdle, &C::UpdateHover, &C::UpdateChosen});
    fsm_.SetEvent(kOnAppear);
    kind_ = kKind;
    driver_.SetRenderInfo(&info_);
}

CAltInfoImage::~CAltInfoImage() {
    ReleaseResources();
    driver_.SetContext(nullptr);
}

void CAltInfoImage::SetContext(asIScriptContext* context) {
    driver_.SetContext(context);
    driver_.SetRenderInfo(&info_);
}

bool CAltInfoImage::Update(float x, float y, std::uint32_t buttons) {
    chosen_ = 0;
    if (enableEvent_) {
        hit_ = HitTest(x, y) ? 1 : 0;
        buttons_ = buttons;
    } else {
        hit_ = 0;
        buttons_ = 0;
    }
    fsm_.Update();
    return chosen_ != 0;
}

void CAltInfoImage::StartEntry(Entry i) {
    // The engine's not-found code is negative; read as a direct pattern it would name a part no sheet
    // has, so an event without its function hides the item.
    driver_.Start(entries_[i] >= 0 ? entries_[i] : -1);
}

void CAltInfoImage::OnAppear() {
    fsm_.SetState(kIdle);
    StartEntry(kAppear);
}

void CAltInfoImage::OnOff() {
    fsm_.SetState(kIdle);
    StartEntry(kOff);
}

void CAltInfoImage::OnOn() {
    fsm_.SetState(kHover);
    StartEntry(kOn);
}

void CAltInfoImage::OnSelected() {
    chosen_ = 1;
    fsm_.SetState(kChosen);
    StartEntry(kSelected);
}

// A click on an idle item selects it at once, without playing On first.
void CAltInfoImage::UpdateIdle() {
    if (hit_) fsm_.SetEvent(LeftButton() ? kOnSelected : kOnOn);
}

void CAltInfoImage::UpdateHover() {
    if (!hit_)
        fsm_.SetEvent(kOnOff);
    else if (LeftButton())
        fsm_.SetEvent(kOnSelected);
}

void CAltInfoImage::Draw() {
    driver_.Update();
    if (!visible_ || info_.pattern == -1 || source_ == kNoSource) return;
    RenderSource::CPartsTexture* sheet =
        CNovelSystem::GetInstance()->GetRenderSources().partsTextures.GetSource(source_);
    // A part the sheet does not have draws nothing.
    if (!sheet || info_.pattern < 0 || static_cast<std::uint32_t>(info_.pattern) >= sheet->parts.Count()) return;
    const float at[3] = {offset_[0] + info_.offset[0], offset_[1] + info_.offset[1], offset_[2] + info_.offset[2]};
    sprite_.DrawPart(at, info_, texture_, sheet->parts.GetPart(static_cast<std::uint32_t>(info_.pattern)), 1);
}

void CAltInfoImage::SetSource(std::uint32_t n) {
    if (n == source_) return;
    RenderSource::CPartsTexture* sheet = CNovelSystem::GetInstance()->GetRenderSources().partsTextures.GetSource(n);
    if (!sheet) return;
    texture_ = sheet->texture;
    source_ = n;
}

void CAltInfoImage::MoveCursorToCentre() {
    const int x = static_cast<int>((rect_[0] + rect_[2]) * 0.5f + offset_[0]);
    const int y = static_cast<int>((rect_[1] + rect_[3]) * 0.5f + offset_[1]);
    CUSSingleton<CAppCommonInfo>::GetInstance()->SetCursorPos(x, y);
}

void CAltInfoImage::Save(USLib::binary_ostream<256>& out) const {
    CBaseAltNode::Save(out);
    SaveIO::WriteU32(out, source_);
}

void CAltInfoImage::Load(USLib::binary_istream& in, std::uint32_t version) {
    CBaseAltNode::Load(in, version);
    const std::uint32_t source = SaveIO::ReadU32(in);
    fsm_.SetState(-1);
    fsm_.SetEvent(kOnAppear);
    source_ = kNoSource;
    texture_ = TextureHandle();
    SetSource(source);
    chosen_ = 0;
}
