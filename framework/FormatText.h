// printf-style formatting into a fixed buffer through the C runtime's own
// _vsnprintf: the C99 snprintf of the MinGW headers links a whole printf
// implementation into every binary. The result is always terminated, and
// cut short rather than overflowing.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace kx {

void FormatTextV(char* buffer, size_t size, const char* format, va_list args);

inline void FormatText(char* buffer, size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatTextV(buffer, size, format, args);
    va_end(args);
}

}   // namespace kx
