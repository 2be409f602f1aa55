// The start-up settings shared by Fenwick and the game: movie playback and the full-screen display
// size, kept in the INI file "config.xml" beside the executables.
#pragma once
#include <cstdint>

class AppSetting {
public:
    AppSetting();
    virtual ~AppSetting() = default;

    // PlayMovie true, window 800 x 600, full screen 800 x 600.
    void SetDefaults();
    // Fills the record from "config.xml" in the current directory. A missing or malformed file gives
    // the defaults; a value that is not a 32-bit integer gives that key's default. Never throws.
    void Load();
    // Replaces "config.xml" with the record, through a temporary file renamed over the old one, so
    // the old file stays whole when writing fails. Returns false (file untouched) on failure.
    bool Save() const;

    void SetPlayMovie(bool play) { PlayMovie = play; }
    bool IsPlayMovie() const { return PlayMovie; }
    void SetFullScreenSize(uint32_t width, uint32_t height);
    void GetFullScreenSize(uint32_t& width, uint32_t& height) const;
    void GetWindowSize(uint32_t& width, uint32_t& height) const;

private:
    bool PlayMovie;
    uint32_t Width;  // The game window's size: fixed, never read from the file.
    uint32_t Height;
    uint32_t FullWidth;
    uint32_t FullHeight;
};

// The process-wide settings record.
AppSetting& GetAppSetting();
