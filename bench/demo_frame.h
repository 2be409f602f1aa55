// The demo's busiest novel frame for the benchmarks: its pictures loaded from the demo's media
// folder and its renderers set up as the scenario does (the background, both characters, the
// message window with a whole line and the speaker's name).
#pragma once
#include <cstdint>
#include <filesystem>

#include "novel/novel/NovelSystem.h"

namespace demobench {

const char* const kGothic = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ ゴシック

struct DemoFrame {
    RenderSource::CRenderSourceManager sources;
    CRendererManager renderers;

    void Picture(std::uint32_t id, std::uint32_t source, float x, float y, std::uint32_t layer) {
        CSingleTextureRenderer* r = renderers.CreateSingleTextureRenderer(id);
        r->SetRenderSourceManager(&sources);
        r->SetSource(source);
        r->SetPosition(x, y, 0);
        r->SetColor(1, 1, 1, 1);
        r->SetRegistTable(layer);
        r->SetRendering(true);
    }
    void Text(std::uint32_t id, const char* text, int size, int width, float x, float y) {
        CStringRendererManager& buffers = CNovelSystem::GetInstance()->GetTextBuffers();
        std::uint32_t index = buffers.CreateStringRenderTexture(size, kGothic, width, 100, size, size + 6, 0, true);
        CStringRenderTexture* b = buffers.Get(index);
        b->CreateDC();
        b->ClearTexture();
        b->SetString(text, 255, 255, 255);
        b->DeleteDC();
        CStringRenderer* r = renderers.CreateStringRenderer(id);
        r->SetSource(index);
        r->SetPosition(x, y, -1);
        r->SetColor(1, 1, 1, 1);
        r->SetRegistTable(3);
    }
    // Loads the demo's pictures from its media folder and sets up its renderers as the scenario does.
    DemoFrame() {
        std::filesystem::path previous = std::filesystem::current_path();
        std::filesystem::current_path(MARLOWE_SOURCE_DIR "/demo/media/arc");
        sources.singleTextures.Allocate(4);
        const char* files[] = {"image\\bg\\window.png", "image\\chr\\haru.png", "image\\chr\\ren.png",
                               "..\\..\\ui\\msgwnd.png"};
        for (std::uint32_t i = 0; i < 4; ++i) {
            const RenderSource::Offset corner{0, 0};
            sources.singleTextures.GetSource(i)->Create(files[i], D3DFMT_A8R8G8B8, i == 3 ? &corner : nullptr);
        }
        std::filesystem::current_path(previous);
        Picture(10, 0, 400, 300, 0);
        Picture(20, 1, 250, 300, 1);
        Picture(21, 2, 560, 300, 1);
        Picture(30, 3, 20, 440, 3);
        // ありがとう。一緒に帰ろう。 and ハル
        Text(100, "\x82\xa0\x82\xe8\x82\xaa\x82\xc6\x82\xa4\x81\x42\x88\xea\x8f\x8f\x82\xc9\x8b\x41\x82\xeb\x82\xa4\x81\x42",
             24, 680, 60, 484);
        Text(101, "\x83\x6e\x83\x8b", 20, 240, 44, 450);
    }
    ~DemoFrame() {
        renderers.DeleteAll();
        CNovelSystem::GetInstance()->GetTextBuffers().DeleteAll();
    }
};

}  // namespace demobench
