// POSIX-only code: the terminal test over isatty.
#include "platform/terminal.h"

#include <unistd.h>

namespace vorafile::platform {

bool IsStandardOutputTerminal() {
  return ::isatty(STDOUT_FILENO) != 0;
}

} // namespace vorafile::platform
