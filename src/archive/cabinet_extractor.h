// Extracting, listing and finding the files of a cabinet on a worker thread.
//
// CabinetExtractor wraps the read engine: Open, then one of the starts
// (ExtractAll, ExtractFile, List, FindFile, ExtractFiles), each of which runs
// the engine on a worker and reports through the handlers; Close.
//
// Extraction never writes outside the destination folder: a stored name that
// is empty, absolute, carries a drive or climbs out with ".." fails the run
// with kFdiErrTargetFile, and nothing is written for it. A run that fails
// leaves no partial file behind; files completed before the failure stay.
//
// A failure keeps its engine code (Error(), what a host sees) and words for
// people (FailureText(): the cabinet, the file or the folder and block, the
// reason). Cabinets read in spite of doubts leave Warnings().
#ifndef VORAFILE_ARCHIVE_CABINET_EXTRACTOR_H
#define VORAFILE_ARCHIVE_CABINET_EXTRACTOR_H

#include "archive/cabinet_engine.h"
#include "archive/cabinet_read_engine.h"
#include "platform/file_system.h"
#include "platform/window_messages.h"
#include "platform/worker_thread.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorafile::archive {

/// Window messages of the extractor, sent (the worker waits for the window)
/// when a notification window is set. wParam points to a CabinetFileInfo
/// for the first three.
inline constexpr std::uint32_t kMsgListFile = 2175;    ///< mode 3, each file
inline constexpr std::uint32_t kMsgExtractFile = 2176; ///< before writing
inline constexpr std::uint32_t kMsgFoundFile = 2177;   ///< mode 4, lParam 1
/// wParam the mode, lParam the extracted-file count.
inline constexpr std::uint32_t kMsgExtractionFinished = 2178;

/// A file as the cabinet announces it; valid only during the handler call
/// or message that receives it.
struct CabinetFileInfo {
  std::int32_t size = 0;
  /// The stored name: a relative path with backslashes.
  const char *name = nullptr;
  std::uint16_t date = 0; ///< DOS date
  std::uint16_t time = 0; ///< DOS time
  std::uint16_t attributes = 0;
};

/// A remark on a cabinet that was read anyway.
struct CabinetWarning {
  std::string cabinet; ///< its path as opened
  std::string text;
};

enum class ExtractMode : std::int32_t {
  kNone = 0,
  kExtractAll = 1,
  kExtractFile = 2,
  kList = 3,
  kFind = 4,
  kExtractList = 5,
};

class CabinetExtractor {
public:
  CabinetExtractor();
  CabinetExtractor(const CabinetExtractor &) = delete;
  CabinetExtractor &operator=(const CabinetExtractor &) = delete;
  /// Waits for a running worker, then releases the engine context.
  virtual ~CabinetExtractor();

  void SetNotificationWindow(platform::WindowHandle window) {
    window_ = window;
  }
  /// Target paths of this many bytes or more are refused. The default is
  /// the library's bound (the Windows API's, which packages keep); a tool
  /// on another system may pass that system's own limit.
  void SetPathLimit(std::size_t limit) { pathLimit_ = limit; }

  /// Opens the cabinet at `cabinetPath` and checks that it is one. False
  /// (and no context) for a missing file or one that is no cabinet.
  [[nodiscard]] bool Open(const std::string &cabinetPath);
  /// Releases the engine context; true also when there was none.
  [[nodiscard]] bool Close();

  // Starts: each reaps a finished worker, starts a new one and returns at
  // once. False when no cabinet is open or no worker could be started
  // (nothing is reported then). A failed engine run drops the context.

  /// Extracts every file below `destinationFolder`, creating subfolders.
  [[nodiscard]] bool ExtractAll(const std::string &destinationFolder);
  /// Extracts the files whose stored name equals `name` (ASCII case and
  /// either slash ignored) into `destinationFolder`; subfolders of the name
  /// must exist there.
  [[nodiscard]] bool ExtractFile(const std::string &name,
                                 const std::string &destinationFolder);
  /// Announces every file to OnListFile; writes nothing.
  [[nodiscard]] bool List();
  /// Sets IsFound when the cabinet holds `name`; writes nothing.
  [[nodiscard]] bool FindFile(const std::string &name);
  /// Extracts exactly the files named in `names` (compared as ExtractFile
  /// does), one engine pass per name, creating subfolders; stops at the
  /// first failing pass. A name the cabinet lacks extracts nothing.
  [[nodiscard]] bool ExtractFiles(std::vector<std::string> names,
                                  const std::string &destinationFolder);

  /// Blocks until a started worker has ended, dispatching the calling
  /// thread's window messages meanwhile.
  void WaitForWorker() { worker_.WaitDispatchingMessages(); }

  [[nodiscard]] bool IsOpen() const { return context_ != nullptr; }
  [[nodiscard]] bool IsFound() const { return found_; }
  [[nodiscard]] std::int32_t ExtractedCount() const { return extracted_; }
  [[nodiscard]] ExtractMode Mode() const { return mode_; }
  /// The outcome of the last run (operationCode 0 on success).
  [[nodiscard]] const CabinetErrorRecord &Error() const { return error_; }
  /// The cabinet in which the last Open or run failed, and why in words
  /// ("file \"a.txt\": name leaves the target folder"); both empty after
  /// a success, the reason also when only the code is known.
  [[nodiscard]] const std::string &FailureCabinet() const {
    return failureCabinet_;
  }
  [[nodiscard]] const std::string &FailureReason() const {
    return failureReason_;
  }
  /// "<cabinet>: <reason>", the code's fixed text standing in for a
  /// missing reason; empty when nothing failed.
  [[nodiscard]] std::string FailureText() const;
  /// Remarks on the cabinets read since Open, each once.
  [[nodiscard]] const std::vector<CabinetWarning> &Warnings() const {
    return warnings_;
  }

  /// The fixed text of a decompression error code.
  static const char *ErrorText(std::int32_t code);

protected:
  /// The memory and file routines handed to the engine, also used for the
  /// files that the extractor writes; a subclass may substitute its own.
  virtual FdiCallbacks EngineCallbacks() const;
  /// The name a stored file (its name raw bytes with backslashes) takes on
  /// this host's disk, before the backslashes become separators; the
  /// stored bytes unchanged by default, as packages refer to files by them.
  virtual std::string HostNameOf(const CabinetFileInfo &info) const;

  // Handlers; they run on the worker. Those returning bool abort the run
  // with false.
  [[nodiscard]] virtual bool OnCabinetInfo(std::uint16_t setId,
                                           const std::string &cabinetPath,
                                           const std::string &nextCabinetName,
                                           const std::string &nextDiskName,
                                           std::uint16_t cabinetIndex);
  [[nodiscard]] virtual bool OnPartialFile(const std::string &fileName,
                                           const std::string &firstCabinetName,
                                           const std::string &firstDiskName);
  /// May change the date, time and attributes that the file receives.
  [[nodiscard]] virtual bool OnFileClosing(const std::string &fileName,
                                           std::uint16_t *date,
                                           std::uint16_t *time,
                                           std::uint16_t *attributes);
  /// May set `folder` (empty on entry) to where the next cabinet lies.
  [[nodiscard]] virtual bool OnNextCabinet(const std::string &nextCabinetName,
                                           const std::string &nextDiskName,
                                           std::string &folder,
                                           std::int32_t errorCode);
  /// Result ignored.
  [[nodiscard]] virtual bool OnListFile(const CabinetFileInfo &info);
  /// Called before a file is written.
  [[nodiscard]] virtual bool OnExtractFile(const CabinetFileInfo &info);
  virtual bool OnAborted();
  virtual bool OnError(std::int32_t errorCode);
  virtual bool OnExtractAllDone(std::int32_t count);
  virtual bool OnExtractFileDone(std::int32_t count);
  virtual bool OnExtractListDone(std::int32_t count);
  virtual bool OnListDone(std::int32_t count);
  virtual bool OnFindDone(bool found);

private:
  [[nodiscard]] bool Start(ExtractMode mode,
                           const std::string *destinationFolder);
  void RunExtraction();
  CabFileHandle OnCopyFile(const FdiNotification &note);
  CabFileHandle OnCloseFile(const FdiNotification &note);
  CabFileHandle OnNextCabinetNote(FdiNotification &note);
  CabFileHandle OpenTarget(const CabinetFileInfo &info, bool makeFolders);
  CabFileHandle Refuse(std::string reason);
  void CollectWarnings(const std::string &cabinet);
  void RecordFailure(const std::string &cabinet);

  static CabFileHandle NotifyRoutine(FdiNotificationKind kind,
                                     FdiNotification *note);

  platform::WorkerThread worker_;
  std::string wantedName_;
  platform::WindowHandle window_ = nullptr;
  FdiContext *context_ = nullptr;
  std::string destinationFolder_;
  std::string cabinetPath_;
  std::string cabinetFolder_;
  std::string cabinetName_;
  // The next cabinet that the cabinet the engine opened last names; empty
  // at the end of a set.
  std::string nextCabinetName_;
  ExtractMode mode_ = ExtractMode::kNone;
  std::int32_t extracted_ = 0;
  CabinetErrorRecord error_;
  bool found_ = false;
  std::vector<std::string> names_;
  FdiCallbacks engine_;
  /// An error of ours that replaces the engine's user-abort code.
  std::int32_t ownError_ = 0;
  std::string ownReason_;
  std::string failureCabinet_;
  std::string failureReason_;
  std::vector<CabinetWarning> warnings_;
  std::size_t pathLimit_ = platform::kMaxPath;
  /// The file being written and its handle, between copy and close.
  std::string writingPath_;
  CabFileHandle writingFile_ = 0;
};

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_CABINET_EXTRACTOR_H
