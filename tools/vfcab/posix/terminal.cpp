// POSIX-only code: the terminal test over isatty.
#include "terminal.h"

#include <unistd.h>

namespace vorafile::vfcab {

bool IsStandardOutputTerminal() {
  return ::isatty(STDOUT_FILENO) != 0;
}

} // namespace vorafile::vfcab
