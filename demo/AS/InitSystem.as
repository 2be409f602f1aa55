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

    // Four pages of twelve slots on the save and load screens.
    SetSaveDataInfo(48, 12);
    // Where a slot button draws its digits: the slot number, then the date and the time on two rows
    // around the separators of its used looks; digit d is part 5 + d of the screens' sheet.
    for (uint i = 0; i < 3; ++i)
        SetSaveDataInfoNumber(i, 6 + 8 * i, 4, 0);
    for (uint i = 0; i < 4; ++i)
        SetSaveDataInfoNumber(3 + i, 40 + 8 * i, 4, 0);
    for (uint i = 0; i < 2; ++i) {
        SetSaveDataInfoNumber(7 + i, 80 + 8 * i, 4, 0);
        SetSaveDataInfoNumber(9 + i, 104 + 8 * i, 4, 0);
        SetSaveDataInfoNumber(11 + i, 40 + 8 * i, 22, 0);
        SetSaveDataInfoNumber(13 + i, 64 + 8 * i, 22, 0);
        SetSaveDataInfoNumber(15 + i, 88 + 8 * i, 22, 0);
    }
    for (uint d = 0; d < 10; ++d)
        SetSaveDataInfoNumberPatNo(d, 5 + d);
    SetSaveName("save\\save_%05d.sav");
    SetQuicSavePath("save\\q.sav");

    AllocGameParam(64);
    AllocGameFlags(256);

    SetSnapImageSize(160, 120);
}
