// Line breaking of named messages: like the engine's word wrap, but every line after the first is
// indented by one full-width space (counted as 2 bytes of the line width).
#pragma once
#include "engine/util/WordWrapManager.h"

class CAppWordWrapManager : public CWordWrapManager {
public:
    const char* WrapText(const char* text);
};
