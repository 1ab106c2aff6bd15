#include "platform/fault_injection.h"

#include <atomic>

namespace vorafile::platform {

namespace {

std::atomic<FileFaultHook> installedHook{nullptr};

} // namespace

void SetFileFaultHook(FileFaultHook hook) {
  installedHook.store(hook, std::memory_order_release);
}

bool IsFileFaultInjected(FileOperationKind operation) {
  const FileFaultHook hook = installedHook.load(std::memory_order_acquire);
  return hook != nullptr && hook(operation);
}

} // namespace vorafile::platform
