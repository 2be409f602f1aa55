// The demo game's novel settings, run each time a novel scene starts: message-log rows, word wrap and
// the speakers' voice settings (volume, max-volume and voice-switch configuration indexes).
void Initialize()
{
    AddTextBufferForLogWindow(2, 3);
    AddTextBufferForLogWindow(4, 5);
    AddTextBufferForLogWindow(6, 7);

    SetWordWrap(26, 2, true);

    SetDefaultCharSetting(CFG_VOLUME_VOICE, MAX_VOL_INDEX_VOICE, USER_CFG_INDEX);
}
