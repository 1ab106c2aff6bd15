#include "archive/cabinet_reader.h"

namespace vorafile::archive {

CabinetReader::~CabinetReader() {
  // The worker calls this class's handlers; it must end before they go.
  WaitForWorker();
}

bool CabinetReader::ExtractAllAndWait(const std::string &destinationFolder,
                                      const std::string &cabinetPath) {
  if (!Open(cabinetPath)) {
    return false;
  }
  done_ = false;
  failed_ = false;
  bool started = ExtractAll(destinationFolder);
  if (started) {
    WaitForWorker();
  }
  (void)Close(); // only frees the engine; the run's flags carry the answer
  return started && done_ && !failed_;
}

bool CabinetReader::OnAborted() {
  failed_ = true;
  return true;
}

bool CabinetReader::OnError(std::int32_t) {
  failed_ = true;
  return true;
}

bool CabinetReader::OnExtractAllDone(std::int32_t) {
  done_ = true;
  return true;
}

} // namespace vorafile::archive
