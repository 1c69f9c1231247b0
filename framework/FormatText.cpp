#include "framework/FormatText.h"

#include <cstdio>

namespace kx {

void FormatTextV(char* buffer, size_t size, const char* format, va_list args)
{
    if (size == 0) return;
    // The C runtime's _vsnprintf leaves a full buffer unterminated.
    ::_vsnprintf(buffer, size - 1, format, args);
    buffer[size - 1] = '\0';
}

}   // namespace kx
