// Indented line breaking for messages with a speaker name.
#include "novel/novel/AppWordWrapManager.h"

namespace {
constexpr int kIndent = 2;                 // bytes of the full-width space before continuation lines
constexpr const char* kFullWidthSpace = "\x81\x40";
}  // namespace

const char* CAppWordWrapManager::WrapText(const char* text) {
    lines_.clear();
    std::string line;
    int len = 0;
    bool lineStart = true;
    bool first = true;
    std::string ch;
    for (size_t pos = 0; int n = GetNextChar(text, pos, ch);) {
        if (ch == "\n") {
            lines_.push_back(line);
            line.clear();
            len = kIndent;
            lineStart = true;
            first = false;
        } else if (lineStart && !first) {
            // A character that may not start a line joins the previous line while that one is short.
            if (noLineStart_.count(ch) && !lines_.empty() && lines_.back().size() < pullBackLimit_) {
                lines_.back() += ch;
            } else {
                line += ch;
                len += n;
                lineStart = false;
            }
        } else if (len + n < lineWidth_) {
            line += ch;
            len += n;
            lineStart = false;
        } else {
            if (noLineEnd_.count(ch)) {
                lines_.push_back(line);
                line = ch;
                len = n + kIndent;
                lineStart = false;
            } else {
                line += ch;
                lines_.push_back(line);
                line.clear();
                len = kIndent;
                lineStart = true;
            }
            first = false;
        }
    }
    if (len != 0) lines_.push_back(line);
    result_.clear();
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) result_ += separator_ + kFullWidthSpace;
        result_ += lines_[i];
    }
    return result_.c_str();
}
