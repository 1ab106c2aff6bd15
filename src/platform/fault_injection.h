// A test seam: lets a test make a chosen file operation fail, so that the
// code above can be checked to fail cleanly at every read, write, create,
// rename and delete.
//
// Every file operation of this layer and of the cabinet engine's disk files
// asks IsFileFaultInjected first and fails as the system would when it
// answers true. Production code never installs a hook: the check is one
// atomic load of a null pointer.
//
// Not covered: existence and attribute reads (a failure there reads as
// "missing", which the callers' own tests cover), and the files that the
// scene and node readers open themselves.
#ifndef VORAFILE_PLATFORM_FAULT_INJECTION_H
#define VORAFILE_PLATFORM_FAULT_INJECTION_H

namespace vorafile::platform {

enum class FileOperationKind {
  Read,   // reading a file's bytes or a folder's entries
  Write,  // writing bytes, times or attributes
  Create, // creating or opening a file for writing, making a folder
  Rename, // moving, replacing or copying a file
  Delete, // removing a file or an empty folder
};

/// Answers true when `operation` is to fail. Called from any thread.
using FileFaultHook = bool (*)(FileOperationKind operation);

/// Installs `hook` for the whole process; null removes it. Tests only.
void SetFileFaultHook(FileFaultHook hook);

/// True when an installed hook wants `operation` to fail now.
[[nodiscard]] bool IsFileFaultInjected(FileOperationKind operation);

} // namespace vorafile::platform

#endif // VORAFILE_PLATFORM_FAULT_INJECTION_H
