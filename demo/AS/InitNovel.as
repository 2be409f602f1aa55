// The demo game's novel settings, run each time a novel scene starts: text buffers, render sources and
// renderers, message-log rows, word wrap and the speakers' voice settings (volume index, max-volume
// index, switch index).
void Initialize()
{
    // Text buffers: 0 message, 1 speaker name, 2-7 the log window's rows (text, name).
    AddTextBuffer(24, 0, 680, 100, 24, 30, 0);
    AddTextBuffer(20, 0, 240, 24, 20, 24, 0);
    for (int i = 0; i < 3; ++i) {
        AddTextBuffer(20, 0, 680, 60, 20, 26, 0);
        AddTextBuffer(18, 0, 240, 24, 18, 24, 0);
    }
    SetTextBufferForMessageWindow(0, 1);
    AddTextBufferForLogWindow(2, 3);
    AddTextBufferForLogWindow(4, 5);
    AddTextBufferForLogWindow(6, 7);

    // Render sources: background and two characters (the message window is a UI window of its own);
    // two parts textures, the choice items' sheet and the rain's streak.
    SetRenderSourceCnt(3, 2, 0);
    AddSingleTextureRenderer(10);
    AddSingleTextureRenderer(20);
    AddSingleTextureRenderer(21);
    // The Puppet character of the last scene: one model source, renderer 40.
    SetPuppetRenderSourceCount(1);
    AddPuppetModelRenderer(40);

    // Directions: four one-shot scripts and two resident slots kept built.
    SetDirectionScript(4, 2);

    SetWordWrap(26, 2, true);

    SetDefaultCharSetting(CFG_VOLUME_VOICE, MAX_VOL_INDEX_VOICE, USER_CFG_INDEX);
}
