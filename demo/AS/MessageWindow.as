// The message window: its frame, the speaker's name and the message (text buffers 1 and 0, which the
// novel system writes). A resident window, so the picture view and the message log hide it.
void Initialize()
{
    LoadResource("ui\\msgwnd.png", "ui\\msgwnd.parts");
    AddUIImage(0, 0, 0, 0, DirectPatNo(0));
    AddUIText(1, 40, 44, -0.5, 0, DirectPatNo(0));
    AddUIText(2, 24, 10, -0.5, 1, GetFunctionID("void NameLook()"));
}

// The speaker's name is drawn in a warm tint.
void NameLook() { SetColor(1, 0.85, 0.6, 1); }
