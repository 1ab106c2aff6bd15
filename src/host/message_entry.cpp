// The library's only export: the C boundary over the message dispatcher.
#include "vorafile/vorafile.h"

#include "host/message_dispatcher.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

#ifdef _WIN32
// Made on first use and never destroyed: a destructor would run at DLL
// detach, under the loader lock, where freeing the codec library or waiting
// for a thread can deadlock the host. The process's end returns the memory.
vorafile::MessageDispatcher *processDispatcher = nullptr;

vorafile::MessageDispatcher &ProcessDispatcher() {
  if (processDispatcher == nullptr) {
    processDispatcher = new vorafile::MessageDispatcher;
  }
  return *processDispatcher;
}

// FreeLibrary with a package open: only its working folder is deleted (file
// calls are safe under the loader lock). Nothing is done at the process's
// end (`reserved` not null): the other threads were ended wherever they
// stood, possibly holding the heap's lock, so the folder stays behind then,
// as it does after a crash.
void DeleteWorkFolderAtUnload() {
  if (processDispatcher == nullptr || processDispatcher->IsBusy()) {
    return;
  }
  vorafile::FileManager *manager = processDispatcher->GetFileManager();
  if (manager != nullptr && manager->IsOpen()) {
    vorafile::FileManager::DeleteFolderTree(manager->WorkFolder());
  }
}
#else
// POSIX runs the destructor at exit or unload, outside any loader lock: the
// working folder goes, and the codec library is released.
vorafile::MessageDispatcher &ProcessDispatcher() {
  static vorafile::MessageDispatcher dispatcher;
  return dispatcher;
}
#endif

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

#ifdef _WIN32
// The loader calls it; no header declares it unless asked to.
extern "C" BOOL WINAPI DllMain(HANDLE, DWORD reason, LPVOID reserved);

extern "C" BOOL WINAPI DllMain(HANDLE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    try {
      DeleteWorkFolderAtUnload();
    } catch (...) {
      // Out of memory while listing the folder: it stays behind.
    }
  }
  return TRUE;
}
#endif
