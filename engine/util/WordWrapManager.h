// Line breaking of Shift-JIS messages into lines of a fixed width in bytes, with the Japanese rules
// for characters that may not start a line (pulled back onto the previous one) or end a line
// (carried to the next one).
#pragma once
#include <climits>
#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

class CWordWrapManager {
public:
    CWordWrapManager();
    virtual ~CWordWrapManager() = default;
    // The separator put between lines of the result ("\n" from construction).
    virtual void SetString(const char* separator);

    // Adds every character of text (Shift-JIS) to the set.
    void SetNoLineStartChars(const char* text);
    void SetNoLineEndChars(const char* text);
    // Empty a set (the novel setting script refills them).
    void ClearNoLineStartChars() { noLineStart_.clear(); }
    void ClearNoLineEndChars() { noLineEnd_.clear(); }
    // Line width W and pull-back limit W2, in bytes (a double-byte character counts 2).
    void SetLineWidth(int width) { lineWidth_ = width; }
    void SetPullBackLimit(unsigned limit) { pullBackLimit_ = limit; }
    // Wraps a NUL-terminated Shift-JIS text; the result stays valid until the next call.
    const char* WrapText(const char* text);
    // The character at byte position (advanced past it) into out: 0 at the end of text, 1 for a
    // single-byte character, 2 for a lead byte and the byte after it (even the terminating NUL).
    static int GetNextChar(const char* text, size_t& position, std::string& out);

protected:
    using CharSet = std::unordered_set<std::string>;
    static void AddChars(CharSet& set, const char* text);
    // Joins the stored lines with the separator into the result and returns it.
    const char* JoinLines();

    std::string result_;
    // Until the owner sets the widths, lines break only at explicit line breaks.
    int lineWidth_ = INT_MAX;
    unsigned pullBackLimit_ = 0;
    CharSet noLineStart_{11};
    CharSet noLineEnd_{11};
    std::vector<std::string> lines_;
    std::string separator_ = "\n";
};
