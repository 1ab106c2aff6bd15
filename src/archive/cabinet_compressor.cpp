#include "archive/cabinet_compressor.h"

#include "archive/cab_format.h"
#include "archive/cabinet_disk_files.h"
#include "platform/file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

namespace vorafile::archive {

namespace {

// Attribute bits taken from a source file: read-only, hidden, system and
// archive.
constexpr std::uint16_t kStoredAttributeMask = 0x27;
// The engine's description fields hold at most this many characters.
constexpr std::size_t kMaxDescriptionText = 255;

CabinetCompressor &Self(void *user) {
  return *static_cast<CabinetCompressor *>(user);
}

} // namespace

CabinetCompressor::CabinetCompressor()
    : compressionType_(cab::kCompressMsZip) {}

CabinetCompressor::~CabinetCompressor() {
  WaitForWorker();
  if (context_ != nullptr) {
    // An abandoned cabinet has nobody left to report its failure to.
    (void)FinishCabinet(false);
  }
}

const char *CabinetCompressor::ErrorText(std::int32_t code) {
  return FciErrorText(code);
}

FciCallbacks CabinetCompressor::EngineCallbacks() const {
  return DiskFciCallbacks();
}

bool CabinetCompressor::CreateCabinet(const std::string &cabinetFolder,
                                      const std::string &cabinetName) {
  WaitForWorker();
  DropCabinet();
  error_ = {};
  cabinetFolder_ = platform::WithTrailingSeparator(cabinetFolder);
  cabinetName_ = cabinetName;
  if (cabinetName_.empty() || cabinetName_.size() > kMaxDescriptionText ||
      cabinetFolder_.size() > kMaxDescriptionText ||
      diskName_.size() > kMaxDescriptionText) {
    return false;
  }
  description_ = {};
  description_.maxCabinetSize = maxCabinetSize_;
  description_.folderThreshold = folderThreshold_;
  description_.cabinetNumber = 1;
  description_.diskNumber = 0;
  description_.failOnIncompressible = false;
  description_.setId = setId_;
  description_.diskName = diskName_;
  description_.cabinetName = cabinetName_;
  description_.cabinetFolder = cabinetFolder_;
  cabinetPaths_ = {cabinetFolder_ + cabinetName_};
  engine_ = EngineCallbacks();
  FciCallbacks callbacks = engine_;
  callbacks.open = OpenRoutine;
  callbacks.remove = RemoveRoutine;
  callbacks.filePlaced = FilePlacedRoutine;
  context_ = FciCreate(callbacks, &error_, description_, this);
  return context_ != nullptr;
}

bool CabinetCompressor::AddFile(const std::string &path) {
  if (context_ == nullptr) {
    return false;
  }
  std::string stored = StoredNameOf(path, baseFolder_);
  // Host paths live in 260-character buffers. A name the reader would
  // refuse (a path outside the base folder) makes a cabinet that cannot
  // be extracted.
  if (path.size() >= platform::kMaxPath || !IsSafeStoredName(stored)) {
    error_.operationCode = kFciErrOpenSource;
    DropCabinet();
    return false;
  }
  if (!FciAddFile(context_, path.c_str(), stored.c_str(), false,
                  NextCabinetRoutine, StatusRoutine, OpenInfoRoutine,
                  compressionType_)) {
    DropCabinet();
    return false;
  }
  return true;
}

bool CabinetCompressor::AddFiles(const std::string &baseFolder,
                                 std::vector<std::string> paths) {
  WaitForWorker();
  baseFolder_ = baseFolder;
  return AddFiles(std::move(paths));
}

bool CabinetCompressor::AddFiles(std::vector<std::string> paths) {
  // One worker at a time: a finished one is reaped, a running one waited
  // for, before the file list changes under it.
  WaitForWorker();
  files_ = std::move(paths);
  return worker_.Start([this] { RunCompression(); });
}

void CabinetCompressor::RunCompression() {
  std::int32_t added = 0;
  for (const std::string &path : files_) {
    OnAddingFile(path);
    if (!AddFile(path)) {
      // Notes to the optional window are best effort, as the engine's are.
      (void)platform::PostWindowMessage(window_, kMsgCompressionFinished, 0,
                                        added);
      OnFinished(false, added);
      return;
    }
    ++added;
  }
  (void)platform::PostWindowMessage(window_, kMsgCompressionFinished, 1, added);
  OnFinished(true, added);
}

bool CabinetCompressor::FlushCabinet() {
  WaitForWorker();
  if (context_ == nullptr) {
    return false;
  }
  return FinishCabinet(true);
}

bool CabinetCompressor::FinishCabinet(bool report) {
  bool ok = FciFlushCabinet(context_, false, NextCabinetRoutine, StatusRoutine);
  // Destroying only frees memory; the flush said whether the cabinet is good.
  (void)FciDestroy(context_);
  context_ = nullptr;
  if (ok) {
    for (PendingCabinet &cabinet : pending_) {
      if (!platform::ReplaceFile(cabinet.temporary, cabinet.target)) {
        error_.operationCode = kFciErrCabinetFile;
        ok = false;
        break;
      }
      cabinet.temporary.clear();
    }
  }
  DiscardPending();
  if (!ok && report) {
    OnError(error_.operationCode);
  }
  return ok;
}

void CabinetCompressor::DropCabinet() {
  if (context_ != nullptr) {
    (void)FciDestroy(context_); // the cabinet is being dropped anyway
    context_ = nullptr;
  }
  DiscardPending();
}

void CabinetCompressor::DiscardPending() {
  for (const PendingCabinet &cabinet : pending_) {
    if (!cabinet.temporary.empty()) {
      (void)platform::RemoveFile(cabinet.temporary); // best effort
    }
  }
  pending_.clear();
}

CabFileHandle CabinetCompressor::OpenRoutine(const char *path, int flags,
                                             int mode, int *err, void *user) {
  CabinetCompressor &self = Self(user);
  // The temporary name is noted before the file exists: an exception may
  // not unwind through the engine, nor leave a file that nobody removes.
  try {
    std::string target = path != nullptr ? path : "";
    const auto &targets = self.cabinetPaths_;
    if ((flags & open_flag::kCreate) == 0 ||
        std::find(targets.begin(), targets.end(), target) == targets.end()) {
      return self.engine_.open(path, flags, mode, err, user);
    }
    // A cabinet of this run: written under a name of its own until
    // complete. A leftover of a save that was killed midway is replaced;
    // see kSavingSuffix.
    std::string temporary = target + kSavingSuffix;
    self.pending_.push_back({std::move(target), std::move(temporary)});
  } catch (const std::bad_alloc &) {
    *err = ENOMEM;
    return kInvalidCabFile;
  }
  const std::string &temporary = self.pending_.back().temporary;
  (void)platform::RemoveFile(temporary); // most often there is none
  CabFileHandle file =
      self.engine_.open(temporary.c_str(), flags, mode, err, user);
  if (file == kInvalidCabFile) {
    self.pending_.pop_back();
  }
  return file;
}

int CabinetCompressor::RemoveRoutine(const char *path, int *err, void *user) {
  CabinetCompressor &self = Self(user);
  // The engine removes a cabinet it failed to write by its target's name;
  // what it wrote is the temporary file, and the target is the old package.
  for (const PendingCabinet &cabinet : self.pending_) {
    if (path != nullptr && cabinet.target == path) {
      return self.engine_.remove(cabinet.temporary.c_str(), err, user);
    }
  }
  return self.engine_.remove(path, err, user);
}

int CabinetCompressor::FilePlacedRoutine(CabinetDescription *cabinet,
                                         const char *storedName,
                                         std::int32_t size, bool isContinuation,
                                         void *user) {
  if (cabinet == nullptr || user == nullptr) {
    return -1;
  }
  return Self(user).OnFilePlaced(storedName != nullptr ? storedName : "", size,
                                 isContinuation, cabinet->diskNumber,
                                 cabinet->cabinetName)
             ? 0
             : -1;
}

std::string NextCabinetName(const std::string &previousName,
                            std::int32_t number) {
  std::size_t dot = previousName.rfind('.');
  std::size_t baseLength = dot == std::string::npos ? previousName.size() : dot;
  // The first cabinet carries no number; from the third on the previous
  // number is cut (one digit up to cabinet 10, two from cabinet 11).
  std::size_t cut = number >= 11 ? 2 : number >= 3 ? 1 : 0;
  std::string name =
      previousName.substr(0, baseLength - std::min(cut, baseLength));
  // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about
  // a chain of operator+ here.
  name.append(std::to_string(number));
  name.append(previousName, baseLength, std::string::npos);
  return name;
}

bool CabinetCompressor::NextCabinetRoutine(CabinetDescription *cabinet,
                                           std::uint32_t, void *user) {
  if (cabinet == nullptr || user == nullptr) {
    return false;
  }
  CabinetCompressor &self = Self(user);
  std::string name =
      NextCabinetName(cabinet->cabinetName, cabinet->cabinetNumber);
  if (name.size() > kMaxDescriptionText) {
    return false;
  }
  cabinet->cabinetName = name;
  self.cabinetPaths_.push_back(cabinet->cabinetFolder + name);
  return true;
}

std::int32_t CabinetCompressor::StatusRoutine(FciStatusKind kind,
                                              std::uint32_t size1,
                                              std::uint32_t size2, void *user) {
  if (user == nullptr) {
    return -1;
  }
  CabinetCompressor &self = Self(user);
  switch (kind) {
  case FciStatusKind::kFile:
    if (self.OnFileProgress(size2, size1)) {
      return 0;
    }
    (void)platform::PostWindowMessage(self.window_, kMsgCompressionFinished,
                                      ~std::uintptr_t{0}, 0);
    return -1;
  case FciStatusKind::kFolder:
    return self.OnFolderProgress(size2, size1) ? 0 : -1;
  case FciStatusKind::kCabinet:
    return self.OnCabinetComplete(size1, size2);
  }
  return 0;
}

CabFileHandle CabinetCompressor::OpenInfoRoutine(const char *path,
                                                 std::uint16_t *date,
                                                 std::uint16_t *time,
                                                 std::uint16_t *attributes,
                                                 int *err, void *user) {
  CabinetCompressor &self = Self(user);
  CabFileHandle file = self.engine_.open(
      path, open_flag::kReadOnly | open_flag::kBinary, 0, err, user);
  if (file == kInvalidCabFile) {
    return kInvalidCabFile;
  }
  platform::DosDateTime when =
      platform::ReadLastWriteTime(path).value_or(platform::DosDateTime{});
  *date = when.date;
  *time = when.time;
  *attributes = static_cast<std::uint16_t>(
      platform::ReadAttributes(path).value_or(0) & kStoredAttributeMask);
  return file;
}

bool CabinetCompressor::OnFilePlaced(const std::string &, std::int32_t, bool,
                                     std::int32_t, const std::string &) {
  return true;
}

bool CabinetCompressor::OnFileProgress(std::uint32_t, std::uint32_t) {
  return true;
}

bool CabinetCompressor::OnFolderProgress(std::uint32_t, std::uint32_t) {
  return true;
}

std::int32_t CabinetCompressor::OnCabinetComplete(std::uint32_t,
                                                  std::uint32_t actualSize) {
  return static_cast<std::int32_t>(actualSize);
}

bool CabinetCompressor::OnError(std::int32_t) {
  return true;
}

bool CabinetCompressor::OnFinished(bool, std::int32_t) {
  return true;
}

bool CabinetCompressor::OnAddingFile(const std::string &) {
  return true;
}
} // namespace vorafile::archive
