// The sound service: starting and releasing the XAudio2 engine with its mastering voice, and the
// handle-addressed voices (whole sounds and streams) the game's sound managers create and play.
#pragma once
#include <xaudio2.h>

#include "engine/resources/USHandle.h"

namespace USXAudio2 {
struct _tagUSIXAudio2SourceVoice;
struct _tagUSIXAudio2SourceVoiceStreaming;
class SourceVoice;
class StreamingSourceVoice;
using SourceVoiceHandle = Handle<_tagUSIXAudio2SourceVoice>;
using StreamingSourceVoiceHandle = Handle<_tagUSIXAudio2SourceVoiceStreaming>;

// The engine and its mastering voice; null when not started.
IXAudio2* GetXAudio2();
IXAudio2MasteringVoice* GetMasteringVoice();
}  // namespace USXAudio2

namespace USLib {
// Gives a resource class its process-wide handle manager, built before the program's entry.
template <class T, class HandleT>
class resource_manager {
public:
    using manager_type = CUSHandleManager<T, HandleT>;
    static manager_type& GetManager() { return manager_; }

private:
    static inline manager_type manager_;
};
}  // namespace USLib

// Starts the engine (COM, the XAudio2 object, the mastering voice) and registers ReleaseXAudio2 with
// the shutdown list; negative on failure (logged).
HRESULT InitXAudio2();
// Releases every voice of both kinds, the mastering voice and the engine.
void ReleaseXAudio2();

// 1 and the new handle when a voice for the whole sound could be set up, else 0.
int CreateSourceVoice(USXAudio2::SourceVoiceHandle* handle, const char* filename);
// The same for a voice streamed from a loose file.
int CreateStreamingSourceVoice(USXAudio2::StreamingSourceVoiceHandle* handle, const char* filename);
USXAudio2::SourceVoice* GetSourceVoice(USXAudio2::SourceVoiceHandle handle);
USXAudio2::StreamingSourceVoice* GetStreamingSourceVoice(USXAudio2::StreamingSourceVoiceHandle handle);
