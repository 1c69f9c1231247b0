// The runtime's default terminate handler prints the exception's demangled
// type name, which links the whole C++ demangler (about 50 KB) into every
// binary. This one ends the process the same way without the message. It
// only replaces the library's when linked as an object of the binary itself
// (a static library member would never be pulled in).
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler()
{
    std::abort();
}

}   // namespace __gnu_cxx
