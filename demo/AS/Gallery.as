// The gallery: a thumbnail for each event picture the player has seen and a locked look for the
// others. Game parameters 60 and on say which pictures were seen (the title scenario sets them from
// the seen-picture records before the title opens); a click on a seen one leaves its number (from 1)
// in game parameter 1 and the choice 2 in parameter 0, and closes every screen so that the title
// scenario shows the picture.
const uint kPictures = 2;
const uint kSeenParam = 60;

void Initialize()
{
    LoadResource("ui\\menu.png", "ui\\menu.parts");
    AddUIImage(20, 0, 0, -1, DirectPatNo(22));
    AddUIImage(21, 40, 30, -2, DirectPatNo(21));
    array<string> pressed = {"void PressPicture0()", "void PressPicture1()"};
    for (uint i = 0; i < kPictures; ++i) {
        float x = 200 + 240 * i, y = 220;
        if (GetGameParameter(kSeenParam + i) != 0)
            AddUIButton(1 + i, x, y, -2, 0, 0, 159, 119, DirectPatNo(16 + i), DirectPatNo(16 + i),
                        GetFunctionID(pressed[i]), DirectPatNo(16 + i));
        else
            AddUIImage(1 + i, x, y, -2, DirectPatNo(15));
    }
    AddUIButton(10, 600, 540, -2, 0, 0, 159, 31, DirectPatNo(19), DirectPatNo(18), GetFunctionID("void PressBack()"),
                DirectPatNo(18));
}

void View(int picture)
{
    SetGameParameter(1, picture);
    SetGameParameter(0, 2);
    CloseAllUIDialog();
    SendSignal(0);
}

void PressPicture0() { View(1); }
void PressPicture1() { View(2); }
void PressBack() { CloseUIWindow(); SendSignal(0); }
