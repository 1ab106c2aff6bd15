// Building one cabinet from a list of files on a worker thread.
//
// CabinetCompressor wraps the write engine: CreateCabinet, then AddFiles (the
// worker adds the files one by one and reports through the handlers), then
// FlushCabinet writes the cabinet.
//
// The cabinet is written under a temporary name in its target folder and
// renamed over the target only when it is complete: a failed run never
// leaves a cabinet at the target path, and an existing file there stays as
// it was.
//
// Names are stored relative to a base folder, with backslashes between
// their components on every system.
#ifndef VORAFILE_ARCHIVE_CABINET_COMPRESSOR_H
#define VORAFILE_ARCHIVE_CABINET_COMPRESSOR_H

#include "archive/cabinet_engine.h"
#include "archive/cabinet_write_engine.h"
#include "platform/window_messages.h"
#include "platform/worker_thread.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorafile::archive {

/// Posted (wParam 1, lParam file count) when all files were added; wParam 0
/// and lParam the files added before the failing one when adding failed;
/// wParam all bits set and lParam 0 when a progress handler asked to abort.
inline constexpr std::uint32_t kMsgCompressionFinished = 2192;

class CabinetCompressor {
public:
  static constexpr std::uint32_t kDefaultMaxCabinetSize = 100000000;
  static constexpr std::uint32_t kDefaultFolderThreshold = 900000;

  CabinetCompressor();
  CabinetCompressor(const CabinetCompressor &) = delete;
  CabinetCompressor &operator=(const CabinetCompressor &) = delete;
  /// Waits for a running worker, then writes the cabinet as FlushCabinet
  /// does (with the base class handlers, and without reporting the
  /// outcome).
  virtual ~CabinetCompressor();

  /// The window that receives kMsgCompressionFinished; null for none.
  void SetNotificationWindow(platform::WindowHandle window) {
    window_ = window;
  }
  /// These take effect at the next CreateCabinet.
  void SetMaxCabinetSize(std::uint32_t bytes) { maxCabinetSize_ = bytes; }
  void SetFolderThreshold(std::uint32_t bytes) { folderThreshold_ = bytes; }
  void SetSetId(std::uint16_t id) { setId_ = id; }
  void SetDiskName(std::string name) { diskName_ = std::move(name); }
  /// The engine's compression type for the next files: cab::kCompressMsZip
  /// (the default, what packages use) or cab::kCompressNone.
  void SetCompressionType(std::uint16_t type) { compressionType_ = type; }

  /// Starts a cabinet `cabinetName` in `cabinetFolder` (a separator is
  /// added when missing). A cabinet still open is dropped first. False when
  /// the engine context cannot be made or a name is too long.
  [[nodiscard]] bool CreateCabinet(const std::string &cabinetFolder,
                                   const std::string &cabinetName);

  /// Compresses one file into the cabinet, under its stored name (see
  /// StoredNameOf). On failure the cabinet is dropped (no context remains)
  /// and the result is false.
  [[nodiscard]] bool AddFile(const std::string &path);

  /// Sets the base folder, then as AddFiles(paths).
  [[nodiscard]] bool AddFiles(const std::string &baseFolder,
                              std::vector<std::string> paths);
  /// Starts the worker that adds `paths` in order and returns at once; the
  /// handlers report the outcome. False when no worker could be started
  /// (nothing is reported then).
  [[nodiscard]] bool AddFiles(std::vector<std::string> paths);

  /// Blocks until a started worker has ended, dispatching the calling
  /// thread's window messages meanwhile.
  void WaitForWorker() { worker_.WaitDispatchingMessages(); }

  /// Writes the cabinet and renames it over its target, then drops the
  /// context. On failure OnError is called and nothing is left at the
  /// target. False also when no cabinet was open.
  [[nodiscard]] bool FlushCabinet();

  /// Waits for a running worker, then drops the open cabinet: nothing is
  /// written and the target stays as it was. For a caller that gives up
  /// midway (out of memory), which the destructor would otherwise flush.
  void AbandonCabinet() {
    WaitForWorker();
    DropCabinet();
  }

  [[nodiscard]] bool HasCabinet() const { return context_ != nullptr; }
  [[nodiscard]] const CabinetErrorRecord &Error() const { return error_; }
  [[nodiscard]] const std::string &BaseFolder() const { return baseFolder_; }

  /// The fixed text of a compression error code.
  static const char *ErrorText(std::int32_t code);

protected:
  /// The memory and file routines handed to the engine; a subclass may
  /// substitute its own. Each receives this object as its user value.
  virtual FciCallbacks EngineCallbacks() const;

  // Handlers; they run on the worker (FlushCabinet's on the caller).
  [[nodiscard]] virtual bool OnFilePlaced(const std::string &fileName,
                                          std::int32_t size,
                                          bool isContinuation,
                                          std::int32_t diskNumber,
                                          const std::string &cabinetName);
  /// False aborts the compression.
  [[nodiscard]] virtual bool OnFileProgress(std::uint32_t uncompressedBytes,
                                            std::uint32_t compressedBytes);
  /// False aborts.
  [[nodiscard]] virtual bool OnFolderProgress(std::uint32_t folderTotal,
                                              std::uint32_t copiedSoFar);
  /// The size to record for the finished cabinet.
  virtual std::int32_t OnCabinetComplete(std::uint32_t estimatedSize,
                                         std::uint32_t actualSize);
  virtual bool OnError(std::int32_t errorCode);
  virtual bool OnFinished(bool success, std::int32_t fileCount);
  /// Called before each file; the result is ignored.
  virtual bool OnAddingFile(const std::string &path);

private:
  struct PendingCabinet {
    std::string target;
    std::string temporary;
  };

  void RunCompression();
  void DropCabinet();
  void DiscardPending();
  [[nodiscard]] bool FinishCabinet(bool report);

  static CabFileHandle OpenRoutine(const char *path, int flags, int mode,
                                   int *err, void *user);
  static int RemoveRoutine(const char *path, int *err, void *user);
  static int FilePlacedRoutine(CabinetDescription *cabinet,
                               const char *storedName, std::int32_t size,
                               bool isContinuation, void *user);
  [[nodiscard]] static bool
  NextCabinetRoutine(CabinetDescription *cabinet,
                     std::uint32_t previousCabinetSize, void *user);
  static std::int32_t StatusRoutine(FciStatusKind kind, std::uint32_t size1,
                                    std::uint32_t size2, void *user);
  static CabFileHandle OpenInfoRoutine(const char *path, std::uint16_t *date,
                                       std::uint16_t *time,
                                       std::uint16_t *attributes, int *err,
                                       void *user);

  FciContext *context_ = nullptr;
  CabinetErrorRecord error_;
  platform::WindowHandle window_ = nullptr;
  std::vector<std::string> files_;
  std::string baseFolder_;
  CabinetDescription description_;
  std::string cabinetName_;
  std::string cabinetFolder_;
  std::uint32_t maxCabinetSize_ = kDefaultMaxCabinetSize;
  std::uint32_t folderThreshold_ = kDefaultFolderThreshold;
  std::uint16_t setId_ = 0;
  std::string diskName_;
  std::uint16_t compressionType_;
  FciCallbacks engine_;
  /// Target paths of the cabinets of this run, the first one and each that
  /// the next-cabinet routine names; their creation is redirected.
  std::vector<std::string> cabinetPaths_;
  std::vector<PendingCabinet> pending_;
  platform::WorkerThread worker_;
};

/// Appended to a cabinet's path to name the file it is written to until it
/// is complete and renamed over the target. A fixed name, beside the target
/// (a rename stays on one file system): a save killed midway leaves a file
/// that people recognise, and the next save to that target replaces it.
inline constexpr const char *kSavingSuffix = ".vorafile-save";

/// The name of cabinet `number` of a set after `previousName`: the number
/// replaces the previous one before the extension ("pack.cab", "pack2.cab",
/// ..., "pack10.cab", "pack11.cab").
std::string NextCabinetName(const std::string &previousName,
                            std::int32_t number);

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_CABINET_COMPRESSOR_H
