// The draws and clears of one frame, recorded until the frame is presented or its results are
// needed, so that a frame that repeats the last one (same commands over surfaces that still hold
// what they held when it finished) is recognised and not drawn again.
#pragma once
#include <d3d9.h>

#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "objects.h"
#include "overwrite.h"
#include "raster.h"
#include "region.h"

namespace d3d9 {

// The part of a surface that a frame changes against the last frame it followed.
struct ChangedArea {
    const Surface* surface = nullptr;
    Region region;  // empty when nothing of the surface changes
};

// A clear of rectangles (already cut to the viewport) of a target and its depth surface.
struct ClearCommand {
    Surface* target = nullptr;
    Surface* depth = nullptr;
    std::vector<D3DRECT> rects;
    DWORD flags = 0;
    D3DCOLOR colour = 0;
    float z = 0.f;
};

// Whether a clear rectangle covers the whole surface (the parts past its edges are cut off).
bool CoversWhole(const D3DRECT& r, const Surface& s);
// The pixels a draw may write: the box around its triangles, a pixel more on each side, within its clip.
RECT DrawnBox(const PixelState& state, const std::vector<ScreenVertex>& vertices);

struct Command {
    bool isClear = false;
    ClearCommand clear;
    std::unique_ptr<PixelState> state;  // a draw: its pixel state and screen-space triangles
    std::vector<ScreenVertex> vertices;
};

class FrameRecord {
public:
    FrameRecord() = default;
    ~FrameRecord() { Drop(); }
    FrameRecord(const FrameRecord&) = delete;
    FrameRecord& operator=(const FrameRecord&) = delete;

    // The storage of the next command, to fill in and then record with Add: a clear's rectangles
    // emptied, a draw's pixel state made (its vertices are set whole by the caller). Dropped commands
    // leave their storage (the room of their lists, their pixel state) to the commands recorded after
    // them, so that a frame like the last is recorded without allocating.
    Command& Next(bool isClear);
    // Records the command Next gave; the objects it uses stay alive (bound) until the record is dropped.
    void Add(Counted* pixelShader = nullptr);
    bool Empty() const { return count_ == 0; }
    std::span<const Command> Commands() const { return {storage_.data(), count_}; }
    // Whether a command writes or reads the surface.
    bool Uses(const Surface* surface) const;
    // Whether what the clear at `index` writes into surface is written over before any other command
    // uses the surface: cleared again over at least its rectangles, or, as a render target, drawn over
    // all of them by a draw whose colours owe nothing to what was there (Overwrites). That clear of
    // it need not run.
    bool Overwritten(size_t index, const Surface* surface, OpaqueTexels& texels) const;
    // Notes the contents of every surface used, once the commands have run.
    void Finished();
    // Whether running these commands now would give what running last gave: the same commands, every
    // surface still holding what it held when last finished, and each written surface cleared whole
    // before anything draws into or reads it (so what it held before the frame does not matter).
    bool Repeats(const FrameRecord& last) const;
    // Where a frame differs from the last only in some draws, or in the contents of textures it reads,
    // finds for each surface it writes the region outside which running it would leave every pixel
    // as the last run did: those pixels need not be drawn again. False when the whole frame must run
    // (other commands or surfaces written since, a surface written after it was read).
    bool ChangedAreas(const FrameRecord& last, std::vector<ChangedArea>& areas) const;
    // Forgets the commands and unbinds their objects.
    void Drop();
    void Swap(FrameRecord& other) noexcept;

private:
    bool SelfContained() const;
    uint64_t FinishedVersion(const Surface* surface) const;
    template <class F>
    void ForEachSurface(F f) const;

    std::vector<Command> storage_;  // the commands recorded, then those dropped, kept for reuse
    size_t count_ = 0;              // the commands recorded
    std::vector<Counted*> held_;
    std::vector<std::pair<const Surface*, uint64_t>> versions_;  // after Finished
    // SelfContained's lists of surfaces, kept so that the test of every frame does not allocate.
    mutable std::vector<const Surface*> written_, covered_;
};

}  // namespace d3d9
