// A read position in a buffer that knows where the buffer ends, for decoding files in place.
// Reading past the end sets a failure flag that stays set and yields zeros, so a decoder can
// read a whole structure and check once. Fields are little-endian at any alignment.
#pragma once
#include <cstddef>
#include <cstdint>

class ByteCursor {
public:
    ByteCursor(const unsigned char* data, size_t size) : data_(data), size_(size) {}

    bool failed() const { return failed_; }
    size_t position() const { return position_; }
    size_t remaining() const { return size_ - position_; }

    // Moves to offset from the start; an offset past the end fails.
    void seek(uint64_t offset)
    {
        if (offset > size_)
            failed_ = true;
        else
            position_ = size_t(offset);
    }

    void skip(uint64_t count) { seek(position_ + count); }

    uint8_t read8()
    {
        const unsigned char* p = bytes(1);
        return p ? p[0] : 0;
    }

    uint16_t read16le()
    {
        const unsigned char* p = bytes(2);
        return p ? uint16_t(p[0] | p[1] << 8) : 0;
    }

    uint32_t read32le()
    {
        const unsigned char* p = bytes(4);
        return p ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24
                 : 0;
    }

    // The next count bytes, or nullptr (and failed) when fewer are left; a failed read
    // leaves the position where it was.
    const unsigned char* bytes(uint64_t count)
    {
        if (failed_ || count > size_ - position_) {
            failed_ = true;
            return nullptr;
        }
        const unsigned char* start = data_ + position_;
        position_ += size_t(count);
        return start;
    }

private:
    const unsigned char* data_;
    size_t size_;
    size_t position_ = 0;
    bool failed_ = false;
};
