// A registry file from a suspect disk is hostile input: our reading of it
// (through libcreg) and our own value deletion must survive any bytes. A
// deletion that reports success must keep the file's size and leave it a
// file libcreg still reads.
#include "rescue/CregFile.h"
#include "rescue/Registry9x.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<unsigned char> file(data, data + size);
    std::vector<RunServicesValue> values;
    std::vector<std::string> listing;
    std::string error;
    ReadRunServices9x(file, values, error);
    ListRegistry9x(file, listing, error);

    for (const std::string& name :
         {std::string(), std::string("SystemTray"), values.empty() ? std::string("x") : values.front().name}) {
        std::vector<unsigned char> edited = file;
        if (DeleteCregValue(edited, kRunServicesKey, name) == CregEdit::Deleted) {
            if (edited.size() != file.size()) std::abort();
        } else if (edited != file) {
            std::abort();   // a refused edit changes nothing
        }
    }
    return 0;
}
