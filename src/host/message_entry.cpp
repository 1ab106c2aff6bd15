// The library's only export: the C boundary over the message dispatcher.
#include "vorafile/vorafile.h"

#include "host/message_dispatcher.h"

namespace {

// The one process-wide dispatcher; loading the library makes nothing else.
vorafile::MessageDispatcher &ProcessDispatcher() {
  static vorafile::MessageDispatcher dispatcher;
  return dispatcher;
}

} // namespace

extern "C" VORAFILE_API uint32_t VORAFILE_CALL SendVoraFileMsg(
    uint32_t msg, uintptr_t p1, uintptr_t p2, uintptr_t p3, uintptr_t p4) {
  try {
    return ProcessDispatcher().Send(msg, p1, p2, p3, p4);
  } catch (...) {
    // No exception may reach the host, out of memory included.
    return 0;
  }
}
