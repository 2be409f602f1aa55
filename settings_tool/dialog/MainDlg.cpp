// Fenwick's dialog over FLTK, laid out from its dialog units. Like a Win32 dialog, setting a control's
// value from code fires no callback, so only the player's own actions reach the handlers.
#include "settings_tool/dialog/MainDlg.h"

#include <windows.h>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Return_Button.H>
#include <FL/x.H>

#include <cstdlib>
#include <memory>
#include <vector>

#include "settings_tool/AppSetting.h"
#include "settings_tool/ResolutionList.h"
#include "settings_tool/dialog/FenwickIcon.h"
#include "win32/codepage.h"

namespace {

// The game program, started from the current directory (Fenwick's own folder).
const char kGameProgram[] = "Marlowe";

// The dialog's font, 9 points at 96 dpi.
constexpr Fl_Fontsize kFontSize = 12;
// Dialog units come from the dialog font as Windows derives them: a horizontal unit is a quarter of
// the average width of the Latin letters, a vertical unit an eighth of the font's height. These are
// IPA P Gothic's at 12 pixels.
constexpr int kBaseUnitX = 7;
constexpr int kBaseUnitY = 13;

int DluX(int units) { return (units * kBaseUnitX + 2) / 4; }
int DluY(int units) { return (units * kBaseUnitY + 4) / 8; }

template <void (CMainDlg::*Handler)()>
void Call(Fl_Widget*, void* dialog) {
    (static_cast<CMainDlg*>(dialog)->*Handler)();
}

// The icon's pixels as RGBA bytes.
std::vector<unsigned char> IconPixels() {
    std::vector<unsigned char> pixels;
    for (const char* row : kFenwickIcon)
        for (int x = 0; x < kFenwickIconSize; ++x)
            for (const IconColour& colour : kFenwickIconColours)
                if (colour.letter == row[x]) pixels.insert(pixels.end(), colour.rgba, colour.rgba + 4);
    return pixels;
}

void ShowError(const char* utf8) {
    MessageBoxA(nullptr, win32::Utf8ToCp932(utf8).c_str(), "Fenwick", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

CMainDlg::CMainDlg() : m_window(DluX(167), DluY(105), "Fenwick") {
    // "MS UI Gothic" is not here; the proportional IPA Gothic takes its place (the leading blank
    // tells FLTK the name carries no style letter).
    Fl::set_font(FL_HELVETICA, " IPAPGothic");
    FL_NORMAL_SIZE = kFontSize;
    // Controls in tab order.
    auto* ok = new Fl_Return_Button(DluX(48), DluY(84), DluX(50), DluY(14), "O&K");
    ok->callback(Call<&CMainDlg::OnOK>, this);
    auto* cancel = new Fl_Button(DluX(108), DluY(84), DluX(50), DluY(14), "ｷｬﾝｾﾙ(&C)");
    cancel->callback(Call<&CMainDlg::OnCancel>, this);
    m_noMovie = new Fl_Check_Button(DluX(6), DluY(30), DluX(73), DluY(10), "ムービーを再生しない");
    m_noMovie->callback(Call<&CMainDlg::OnNoMovieClicked>, this);
    // A closed drop-down list is as tall as a push button; its items pop up below it.
    m_resolution = new Fl_Choice(DluX(84), DluY(6), DluX(78), DluY(14));
    m_resolution->callback(Call<&CMainDlg::OnResolutionChanged>, this);
    auto* label = new Fl_Box(DluX(6), DluY(12), DluX(69), DluY(8), "フルスクリーン時の解像度");
    label->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    auto* start = new Fl_Button(DluX(84), DluY(54), DluX(52), DluY(14), "ゲームを起動する");
    start->callback(Call<&CMainDlg::OnStartGame>, this);
    auto* defaults = new Fl_Button(DluX(12), DluY(54), DluX(50), DluY(14), "標準設定に戻す");
    defaults->callback(Call<&CMainDlg::OnRestoreDefaults>, this);
    m_window.end();
    // The close box and Escape reach the window's callback: both cancel.
    m_window.callback(Call<&CMainDlg::OnCancel>, this);
}

int CMainDlg::DoModal() {
    // A busy X server may turn a connection away for a moment: try for a second before giving up.
    const char* name = std::getenv("DISPLAY");
    Display* display = XOpenDisplay(nullptr);
    for (int attempt = 0; !display && name && *name && attempt < 20; ++attempt) {
        Sleep(50);
        display = XOpenDisplay(nullptr);
    }
    if (!display) return kNotCreated;
    fl_open_display(display);
    Fl::scheme("gtk+");
    OnInitDialog();
    m_window.set_modal();
    m_window.show();
    while (!m_ended && m_window.shown()) Fl::wait();
    return m_endCode;
}

bool CMainDlg::OnInitDialog() {
    if (fl_display) {
        int x = 0, y = 0, w = 0, h = 0;
        Fl::screen_work_area(x, y, w, h);
        m_window.position(x + (w - m_window.w()) / 2, y + (h - m_window.h()) / 2);
    }
    std::vector<unsigned char> pixels = IconPixels();
    Fl_RGB_Image big(pixels.data(), kFenwickIconSize, kFenwickIconSize, 4);
    std::unique_ptr<Fl_Image> small(big.copy(16, 16));
    const Fl_RGB_Image* icons[] = {&big, static_cast<Fl_RGB_Image*>(small.get())};
    m_window.icons(icons, 2);

    const ResolutionList& list = GetResolutionList();
    for (unsigned i = 0; i < list.GetCount(); ++i) m_resolution->add(list.GetText(i).c_str(), 0, nullptr);
    UpdateControls();
    // A size the display does not offer has been replaced on screen by the first entry: the record
    // follows the list. An empty list has no selection and leaves the size as loaded.
    OnResolutionChanged();
    return true;
}

void CMainDlg::UpdateControls() {
    AppSetting& setting = GetAppSetting();
    m_noMovie->value(setting.IsPlayMovie() ? 0 : 1);
    uint32_t width = 0, height = 0;
    setting.GetFullScreenSize(width, height);
    m_resolution->value(GetResolutionList().IndexOf(width, height));
}

void CMainDlg::OnOK() {
    if (!GetAppSetting().Save()) {
        ShowError("config.xmlの保存に失敗しました。");
        return;
    }
    EndDialog(IDOK);
}

void CMainDlg::OnCancel() { EndDialog(IDCANCEL); }

void CMainDlg::OnNoMovieClicked() { GetAppSetting().SetPlayMovie(m_noMovie->value() == 0); }

void CMainDlg::OnResolutionChanged() {
    int selected = m_resolution->value();
    if (selected < 0) return;
    uint32_t width = 0, height = 0;
    GetResolutionList().GetAt(static_cast<unsigned>(selected), width, height);
    GetAppSetting().SetFullScreenSize(width, height);
}

void CMainDlg::OnStartGame() {
    if (!GetAppSetting().Save()) {
        ShowError("config.xmlの保存に失敗しました。");
        return;
    }
    // The game is a program file: the shell's "open" never runs one, so it is started directly.
    if (!win32::StartProgram(kGameProgram)) {
        ShowError("Marloweの起動に失敗しました。");
        return;
    }
    EndDialog(kGameStarted);
}

void CMainDlg::OnRestoreDefaults() {
    GetAppSetting().SetDefaults();
    UpdateControls();
}

void CMainDlg::EndDialog(int code) {
    m_ended = true;
    m_endCode = code;
    m_window.hide();
}
