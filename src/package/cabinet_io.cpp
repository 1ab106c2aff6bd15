#include "package/cabinet_io.h"

#include "archive/cabinet_reader.h"
#include "archive/cabinet_writer.h"
#include "platform/file_system.h"

namespace vorafile {

bool ExtractCabinet(const std::string &cabinetPath,
                    const std::string &destinationFolder,
                    std::string *failure) {
  archive::CabinetReader reader;
  if (reader.ExtractAllAndWait(
          platform::WithTrailingSeparator(destinationFolder), cabinetPath)) {
    return true;
  }
  if (failure != nullptr) {
    *failure = reader.FailureCabinet() == cabinetPath ||
                       reader.FailureCabinet().empty()
                   ? reader.FailureReason()
                   : reader.FailureText();
  }
  return false;
}

bool PackCabinet(const std::string &cabinetPath, const std::string &baseFolder,
                 const std::vector<std::string> &files) {
  const std::size_t cut = cabinetPath.find_last_of(platform::kPathSeparators);
  const std::string folder = cut == std::string::npos
                                 ? std::string(".")
                                 : cabinetPath.substr(0, cut + 1);
  const std::string name =
      cut == std::string::npos ? cabinetPath : cabinetPath.substr(cut + 1);
  archive::CabinetWriter writer;
  try {
    if (name.empty() || !writer.CreateCabinet(folder, name)) {
      return false;
    }
    if (!writer.AddFilesAndWait(baseFolder, files)) {
      // A worker that ran out of memory leaves its cabinet open.
      writer.AbandonCabinet();
      return false;
    }
    // The cabinet is written now rather than when the writer goes, so that
    // a failure to write it is reported too.
    return writer.FlushCabinet();
  } catch (...) {
    // The writer would flush the cabinet as far as it got over the target.
    writer.AbandonCabinet();
    throw;
  }
}

} // namespace vorafile
