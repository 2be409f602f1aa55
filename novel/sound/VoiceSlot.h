// The load step shared by the music, looping-effect and effect channels: a new voice made from a
// sound file replaces the channel's voice; when the file cannot be loaded the old voice stays.
#pragma once
#include <string>

template <class Voice, class HandleT, class Create>
bool ReplaceVoice(HandleT& handle, std::string& fileName, const char* name, Create create) {
    HandleT created;
    if (!create(&created, name)) return false;
    Voice::GetManager().Release(handle);
    handle = created;
    fileName = name;
    return true;
}
