// The novel setting script's functions that make text buffers, render sources, render buffers and
// renderers, and name the message window's buffers.
#pragma once
#include "novel/script/ASCommon.h"

// True when every registration succeeded.
bool RegisterRendererSettingFunctions(asIScriptEngine* engine);
