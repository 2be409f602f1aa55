// Fenwick's one dialog: movie playback, the full-screen size from the display's modes, the defaults,
// and OK, Cancel or "start the game". Every change goes straight into the settings record.
#pragma once
#include <FL/Fl_Double_Window.H>

class Fl_Box;
class Fl_Button;
class Fl_Check_Button;
class Fl_Choice;

class CMainDlg {
public:
    // End codes besides IDOK (1) and IDCANCEL (2).
    static constexpr int kGameStarted = 1002;
    static constexpr int kNotCreated = -1;

    // Builds the dialog's window and controls; nothing is shown yet.
    CMainDlg();
    // Initialises the dialog, shows it and runs until it ends. Returns the end code, or kNotCreated
    // when no display can be opened.
    int DoModal();

    // Centres the dialog when a display is open, sets its icons, fills the size list from the
    // display-mode list and shows the settings; the list's selection then becomes the full-screen size.
    bool OnInitDialog();
    void OnOK();
    void OnCancel();
    void OnNoMovieClicked();
    void OnResolutionChanged();
    void OnStartGame();
    void OnRestoreDefaults();
    // Shows the record: the check box is checked when movies are off; the list selects the entry of
    // the full-screen size.
    void UpdateControls();

    bool IsEnded() const { return m_ended; }
    int GetEndCode() const { return m_endCode; }
    Fl_Double_Window& Window() { return m_window; }

private:
    void EndDialog(int code);

    Fl_Double_Window m_window;
    // Children of m_window, which owns and deletes them.
    Fl_Check_Button* m_noMovie = nullptr;
    Fl_Choice* m_resolution = nullptr;
    bool m_ended = false;
    int m_endCode = 0;
};
