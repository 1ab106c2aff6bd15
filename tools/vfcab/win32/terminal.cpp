// Windows-only code: the terminal test over the runtime's _isatty.
#include "terminal.h"

#include <io.h>
#include <stdio.h>

namespace vorafile::vfcab {

bool IsStandardOutputTerminal() {
  return ::_isatty(_fileno(stdout)) != 0;
}

} // namespace vorafile::vfcab
