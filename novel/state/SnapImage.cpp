// The snapshot's pixels and its saved record.
#include "novel/state/SnapImage.h"

#include "novel/vm/SaveIO.h"

void CSnapImage::SetSize(int32_t width, int32_t height) {
    FreePixels();
    width_ = width > 0 ? static_cast<uint32_t>(width) : 0;
    height_ = height > 0 ? static_cast<uint32_t>(height) : 0;
    pixels_.assign(static_cast<size_t>(width_) * height_ * 3, 0);
}

void CSnapImage::FreePixels() {
    pixels_.clear();
    pixels_.shrink_to_fit();
    width_ = height_ = 0;
}

void CSnapImage::Save(USLib::binary_ostream<256>& out) {
    SaveIO::WriteU32(out, width_);
    SaveIO::WriteU32(out, height_);
    out.Write(pixels_.data(), static_cast<uint32_t>(pixels_.size()));
    out.Write(&fromFile_, 1);
    SaveIO::WriteString(out, fileName_);
}

void CSnapImage::Load(USLib::binary_istream& in, uint32_t) {
    const uint32_t width = SaveIO::ReadU32(in);
    const uint32_t height = SaveIO::ReadU32(in);
    // The pixels must be in the record before anything is allocated for them.
    const uint64_t bytes = uint64_t{width} * height * 3;
    if (bytes > in.GetSize() - in.GetPosition()) throw USLib::stream_error("snapshot larger than its record");
    SetSize(static_cast<int32_t>(width), static_cast<int32_t>(height));
    SaveIO::ReadBytes(in, pixels_.data(), static_cast<uint32_t>(bytes));
    in.Read(&fromFile_, 1);
    fileName_ = SaveIO::ReadString(in);
}
