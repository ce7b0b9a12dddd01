#include "ZULIOStream.h"

ZULIOStream::~ZULIOStream() = default;

std::uint32_t ZULIOStream::zulSwap32(std::uint32_t value)
{
    return (value >> 24) | ((value >> 8) & 0xFF00U) | ((value << 8) & 0xFF0000U) | (value << 24);
}

std::uint16_t ZULIOStream::zulSwap16(std::uint16_t value)
{
    return static_cast<std::uint16_t>((value >> 8) | (value << 8));
}
