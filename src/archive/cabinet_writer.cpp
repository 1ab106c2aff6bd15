#include "archive/cabinet_writer.h"

#include <utility>

namespace vorafile::archive {

CabinetWriter::~CabinetWriter() {
  // The worker calls this class's handlers; it must end before they go.
  WaitForWorker();
}

bool CabinetWriter::AddFilesAndWait(const std::string &baseFolder,
                                    std::vector<std::string> paths) {
  failed_ = false;
  done_ = false;
  return WaitForOutcome(AddFiles(baseFolder, std::move(paths)));
}

bool CabinetWriter::AddFilesAndWait(std::vector<std::string> paths) {
  failed_ = false;
  done_ = false;
  return WaitForOutcome(AddFiles(std::move(paths)));
}

bool CabinetWriter::WaitForOutcome(bool started) {
  if (!started) {
    return false;
  }
  WaitForWorker();
  return done_ && !failed_;
}

bool CabinetWriter::OnError(std::int32_t) {
  failed_ = true;
  return true;
}

bool CabinetWriter::OnFinished(bool success, std::int32_t) {
  if (success) {
    done_ = true;
  } else {
    failed_ = true;
  }
  return true;
}

} // namespace vorafile::archive
