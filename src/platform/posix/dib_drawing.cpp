// POSIX-only code: no device contexts, so nothing is drawn.
#include "platform/dib_drawing.h"

namespace vorafile::platform {

int StretchDibToDevice(void * /*deviceContext*/, const DibRect & /*target*/,
                       const DibRect & /*source*/, const void * /*info*/,
                       const void * /*pixels*/,
                       std::uint32_t /*forceBackground*/) {
  return 0;
}

bool BlitDibToDevice(void * /*deviceContext*/, const void * /*info*/,
                     const void * /*pixels*/,
                     std::uint32_t /*forceBackground*/) {
  return false;
}

} // namespace vorafile::platform
