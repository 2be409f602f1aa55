// The demo game's system set-up: configuration tables and defaults, save slots, game variables and
// the save thumbnail. Run once at start-up, before "cfg.cfg" is read.
void Initialize()
{
    // Frames per revealed character, fastest last; the configuration value picks one.
    InitIntervalRenderingText();
    AddIntervalRenderingText(4);
    AddIntervalRenderingText(2);
    AddIntervalRenderingText(1);
    AddIntervalRenderingText(0);

    // Frames that automatic mode waits after a message.
    InitWaitFrameAutoSkipMode();
    AddWaitFrameAutoSkipMode(180);
    AddWaitFrameAutoSkipMode(120);
    AddWaitFrameAutoSkipMode(60);

    // Volumes run from 0 to 100 for the master, music, effects and voices.
    InitMaxVolume();
    for (uint i = 0; i < 4; ++i)
        AddMaxVoluem(100);

    InitConfigValue(CFG_MASTER_VOLUME, 80);
    InitConfigValue(CFG_VOLUME_BGM, 70);
    InitConfigValue(CFG_VOLUME_SE, 80);
    InitConfigValue(CFG_VOLUME_VOICE, 100);
    InitConfigValue(CFG_CHAR_DRAW_INTERVAL, 1);
    InitConfigValue(CFG_AUTOMODE_WAIT_FRAME, 1);
    InitConfigValue(CFG_ENABLE_FAST_SKIP, 0);
    InitConfigValue(CFG_STOP_VOICE, 1);
    // The game's own values: 1 switches the speakers' voices on.
    InitConfigValue(USER_CFG_INDEX, 1);

    SetSaveDataInfo(30, 6);
    SetSaveName("save\\save_%05d.sav");
    SetQuicSavePath("save\\q.sav");

    AllocGameParam(64);
    AllocGameFlags(256);

    SetSnapImageSize(160, 120);
}
