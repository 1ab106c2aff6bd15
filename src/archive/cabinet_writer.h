// Building one cabinet from a list of files on a worker thread and waiting
// for it: CabinetWriter turns the compressor's handlers into done and failed
// flags.
#ifndef VORAFILE_ARCHIVE_CABINET_WRITER_H
#define VORAFILE_ARCHIVE_CABINET_WRITER_H

#include "archive/cabinet_compressor.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace vorafile::archive {

class CabinetWriter : public CabinetCompressor {
public:
  CabinetWriter() = default;
  ~CabinetWriter() override;

  /// Adds `paths` (stored relative to `baseFolder`) on the worker and waits
  /// for it, dispatching window messages. True when every file was added;
  /// the cabinet is written by FlushCabinet or on destruction. An empty list
  /// succeeds. False when the worker cannot start.
  [[nodiscard]] bool AddFilesAndWait(const std::string &baseFolder,
                                     std::vector<std::string> paths);
  [[nodiscard]] bool AddFilesAndWait(std::vector<std::string> paths);

  [[nodiscard]] bool IsDone() const { return done_; }
  [[nodiscard]] bool IsFailed() const { return failed_; }

protected:
  [[nodiscard]] bool OnError(std::int32_t errorCode) override;
  [[nodiscard]] bool OnFinished(bool success, std::int32_t fileCount) override;

private:
  [[nodiscard]] bool WaitForOutcome(bool started);

  std::atomic<bool> failed_{false};
  std::atomic<bool> done_{false};
};

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_CABINET_WRITER_H
