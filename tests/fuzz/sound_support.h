// Shared by the WAV and Ogg fuzz targets: a sound file loaded whole, then streamed to its end with a
// loop region and a second pass, as the sound managers use the loaders.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/audio/SoundLoader.h"

namespace fuzz {
void PlaySoundFile(USXAudio2::ISoundLoader& whole, USXAudio2::ISoundLoader& stream, const char* name,
                   const std::uint8_t* data, std::size_t size);
}  // namespace fuzz
