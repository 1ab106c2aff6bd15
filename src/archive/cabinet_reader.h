// Extracting a whole cabinet on a worker thread and waiting for it:
// CabinetReader turns the extractor's handlers into done and failed flags.
#ifndef VORAFILE_ARCHIVE_CABINET_READER_H
#define VORAFILE_ARCHIVE_CABINET_READER_H

#include "archive/cabinet_extractor.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace vorafile::archive {

class CabinetReader : public CabinetExtractor {
public:
  CabinetReader() = default;
  ~CabinetReader() override;

  /// Opens `cabinetPath`, extracts all of it below `destinationFolder` and
  /// waits, dispatching window messages; closes it in every case. False for
  /// a missing file or one that is no cabinet (no worker starts then), when
  /// no worker can start, and when the run fails.
  [[nodiscard]] bool ExtractAllAndWait(const std::string &destinationFolder,
                                       const std::string &cabinetPath);

  [[nodiscard]] bool IsDone() const { return done_; }
  [[nodiscard]] bool IsFailed() const { return failed_; }

protected:
  [[nodiscard]] bool OnAborted() override;
  [[nodiscard]] bool OnError(std::int32_t errorCode) override;
  [[nodiscard]] bool OnExtractAllDone(std::int32_t count) override;

private:
  std::atomic<bool> done_{false};
  std::atomic<bool> failed_{false};
};

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_CABINET_READER_H
