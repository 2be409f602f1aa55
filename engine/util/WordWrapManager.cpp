// CWordWrapManager: Shift-JIS character stepping and the line-breaking walk.
#include "engine/util/WordWrapManager.h"

#include <cstring>
#include <windows.h>

CWordWrapManager::CWordWrapManager() {
    noLineStart_.max_load_factor(1.0f);
    noLineEnd_.max_load_factor(1.0f);
    SetNoLineEndChars(win32::Utf8ToCp932("([{<（「〔［｛〈《『【＜").c_str());
    SetNoLineStartChars(win32::Utf8ToCp932("ゃゅょっ),.>]}、。，＞」〕］｝〉》』】！？!?").c_str());
}

void CWordWrapManager::SetString(const char* separator) { separator_ = separator ? separator : ""; }

void CWordWrapManager::SetNoLineStartChars(const char* text) { AddChars(noLineStart_, text); }

void CWordWrapManager::SetNoLineEndChars(const char* text) { AddChars(noLineEnd_, text); }

void CWordWrapManager::AddChars(CharSet& set, const char* text) {
    if (!text) return;
    size_t position = 0;
    std::string ch;
    while (GetNextChar(text, position, ch) != 0) set.insert(ch);
}

int CWordWrapManager::GetNextChar(const char* text, size_t& position, std::string& out) {
    out.clear();
    if (position >= std::strlen(text)) return 0;
    const unsigned char lead = static_cast<unsigned char>(text[position]);
    int n = win32::IsCp932LeadByte(lead) ? 2 : 1;
    out.assign(text + position, n);
    position += n;
    return n;
}

const char* CWordWrapManager::WrapText(const char* text) {
    lines_.clear();
    std::string line;
    int len = 0;
    bool first = true;
    size_t position = 0;
    std::string ch;
    int n;
    while ((n = GetNextChar(text, position, ch)) != 0) {
        if (ch == "\n") {
            lines_.push_back(line);
            line.clear();
            len = 0;
            first = false;
        } else if (len == 0 && !first) {
            // At the start of a line after a break: a character that may not start a line joins
            // the previous line while that one is short enough.
            if (noLineStart_.count(ch) && !lines_.empty() && lines_.back().size() < pullBackLimit_) {
                lines_.back() += ch;
            } else {
                line += ch;
                len = n;
            }
        } else if (len + n < lineWidth_) {
            line += ch;
            len += n;
        } else if (noLineEnd_.count(ch)) {
            // An opening bracket that would end the line starts the next one instead.
            lines_.push_back(line);
            line = ch;
            len = n;
            first = false;
        } else {
            line += ch;
            lines_.push_back(line);
            line.clear();
            len = 0;
            first = false;
        }
    }
    if (len != 0) lines_.push_back(line);
    return JoinLines();
}

const char* CWordWrapManager::JoinLines() {
    result_.clear();
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i) result_ += separator_;
        result_ += lines_[i];
    }
    return result_.c_str();
}
