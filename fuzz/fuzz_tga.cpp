// libFuzzer harness: arbitrary bytes as a TGA picture. The reader may refuse them, but a picture
// it returns has exactly one pixel per position, and reading stays within the bytes (which the
// sanitizers watch).
#include "TgaImage.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto image = DecodeTga(data, size);
    if (image && (image->Width <= 0 || image->Height <= 0 ||
                  image->Pixels.size() !=
                      static_cast<size_t>(image->Width) * static_cast<size_t>(image->Height)))
        __builtin_trap();
    return 0;
}
