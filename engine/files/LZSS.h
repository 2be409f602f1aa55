// The archive decompressor: LZSS with a 4096-byte zero-filled ring, matches of 3 to 18 bytes and
// flag bytes read least significant bit first; plus the encoders that produce the same format.
#pragma once
#include <cstdint>
#include <vector>

class ICompress {
public:
    // Decodes source until unpackedSize bytes are written (also in the middle of a match). With
    // allocate, destination receives a new block (std::malloc) of unpackedSize bytes; otherwise the
    // caller's block must hold unpackedSize bytes. False when source ends before the output is full
    // (a corrupt entry; an allocated block is then freed and destination set to null).
    virtual bool Decode(const unsigned char* source, std::uint32_t sourceSize, unsigned char*& destination,
                        std::uint32_t unpackedSize, bool allocate) = 0;
    // Compresses size bytes into destination, which holds size - 8 bytes. Returns the compressed
    // length; 0 when the input is shorter than 17 bytes or its code would exceed size - 8 bytes.
    virtual std::uint32_t Encode(const unsigned char* source, std::uint32_t size, unsigned char* destination) = 0;
    virtual ~ICompress() = default;
};

class CLZSS : public ICompress {
public:
    static constexpr std::uint32_t kRingSize = 4096;
    static constexpr std::uint32_t kMaxMatch = 18;
    static constexpr std::uint32_t kMinMatch = 3;

    bool Decode(const unsigned char* source, std::uint32_t sourceSize, unsigned char*& destination,
                std::uint32_t unpackedSize, bool allocate) override;
    std::uint32_t Encode(const unsigned char* source, std::uint32_t size, unsigned char* destination) override;
    // The same encoding into a vector; false (and out empty) when the encoder refuses the input.
    virtual bool Encode(const unsigned char* source, std::uint32_t size, std::vector<unsigned char>& out);

    // The largest output that sourceSize bytes of code can produce (eight 18-byte matches per 17 bytes):
    // an entry that claims more is corrupt.
    static std::uint64_t MaxUnpackedSize(std::uint64_t sourceSize) { return (sourceSize / 17 + 1) * 144; }

private:
    void InitTree();
    void InsertNode(std::uint32_t r);
    void DeleteNode(std::uint32_t p);

    // The ring buffer (with 17 bytes mirroring its start, so that a match compares without wrapping)
    // and the binary search trees of the encoder: left and right children and parents, with 256
    // extra roots, one per first byte. Allocated on the first encode.
    std::vector<unsigned char> ring_;
    std::vector<std::uint32_t> left_, right_, parent_;
    std::uint32_t matchPosition_ = 0;
    std::uint32_t matchLength_ = 0;
};
