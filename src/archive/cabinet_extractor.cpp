#include "archive/cabinet_extractor.h"

#include "archive/cabinet_disk_files.h"
#include "platform/file_system.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

namespace vorafile::archive {

namespace {

// Of the stored attributes only the archive bit is given back to an
// extracted file; read-only, hidden and system are not restored.
constexpr std::uint32_t kRestoredAttributeMask = 0x20;

// Characters that end the folder part of a host path.
constexpr const char *kHostSeparators =
    platform::kPathSeparator == '\\' ? "\\/:" : "/";

// Creates the folders of `storedName` (the part before its last separator)
// below `destination`, one level at a time; existing folders are fine.
bool MakeFoldersOf(const std::string &destination,
                   const std::string &storedName) {
  std::size_t last = storedName.find_last_of("\\/");
  if (last == std::string::npos) {
    return true;
  }
  std::string folder = destination;
  std::size_t start = 0;
  while (start < last) {
    std::size_t end = storedName.find_first_of("\\/", start);
    if (end > start) {
      folder += storedName.substr(start, end - start);
      std::optional<std::uint32_t> attributes =
          platform::ReadAttributes(folder);
      if (attributes) {
        if ((*attributes & platform::attr::kDirectory) == 0) {
          return false;
        }
      } else if (!platform::MakeFolder(folder)) {
        return false;
      }
      folder += platform::kPathSeparator;
    }
    start = end + 1;
  }
  return true;
}

} // namespace

CabinetExtractor::CabinetExtractor() = default;

CabinetExtractor::~CabinetExtractor() {
  WaitForWorker();
  if (context_ != nullptr) {
    (void)FdiDestroy(context_); // nobody is left to hear of a failure
  }
}

const char *CabinetExtractor::ErrorText(std::int32_t code) {
  return FdiErrorText(code);
}

FdiCallbacks CabinetExtractor::EngineCallbacks() const {
  return DiskFdiCallbacks();
}

std::string CabinetExtractor::HostNameOf(const CabinetFileInfo &info) const {
  return info.name;
}

std::string CabinetExtractor::FailureText() const {
  if (failureCabinet_.empty() && failureReason_.empty()) {
    return {};
  }
  std::string reason =
      failureReason_.empty()
          ? ErrorText(error_.operationCode != 0 ? error_.operationCode
                                                : kFdiErrNotACabinet)
          : failureReason_;
  return failureCabinet_.empty() ? reason : failureCabinet_ + ": " + reason;
}

void CabinetExtractor::CollectWarnings(const std::string &cabinet) {
  for (std::string &text : FdiWarnings(context_)) {
    bool known = std::any_of(
        warnings_.begin(), warnings_.end(), [&](const CabinetWarning &warning) {
          return warning.cabinet == cabinet && warning.text == text;
        });
    if (!known) {
      warnings_.push_back(CabinetWarning{cabinet, std::move(text)});
    }
  }
}

void CabinetExtractor::RecordFailure(const std::string &cabinet) {
  failureCabinet_ = cabinet;
  failureReason_ = ownError_ != 0 ? ownReason_ : FdiFailureDetail(context_);
}

bool CabinetExtractor::Open(const std::string &cabinetPath) {
  WaitForWorker();
  if (context_ != nullptr) {
    (void)FdiDestroy(context_); // the previous cabinet is done with
    context_ = nullptr;
  }
  error_ = {};
  failureCabinet_.clear();
  failureReason_.clear();
  ownError_ = 0;
  warnings_.clear();
  cabinetPath_ = cabinetPath;
  engine_ = EngineCallbacks();
  engine_.user = this;
  context_ = FdiCreate(engine_, kCpu80386, &error_);
  if (context_ == nullptr) {
    failureCabinet_ = cabinetPath;
    return false;
  }
  int err = 0;
  CabFileHandle file =
      engine_.open(cabinetPath.c_str(),
                   open_flag::kReadOnly | open_flag::kBinary, 0, &err, this);
  bool isCabinet = false;
  if (file != kInvalidCabFile) {
    FdiCabinetInfo info;
    isCabinet = FdiIsCabinet(context_, file, &info);
    engine_.close(file, &err, this);
    CollectWarnings(cabinetPath);
    if (!isCabinet) {
      RecordFailure(cabinetPath);
    }
  } else {
    error_.operationCode = kFdiErrCabinetNotFound;
    failureCabinet_ = cabinetPath;
    failureReason_ = "cannot open it";
  }
  if (!isCabinet) {
    (void)FdiDestroy(context_); // the open fails whatever this answers
    context_ = nullptr;
  }
  return isCabinet;
}

bool CabinetExtractor::Close() {
  WaitForWorker();
  if (context_ == nullptr) {
    return true;
  }
  if (!FdiDestroy(context_)) {
    return false;
  }
  context_ = nullptr;
  return true;
}

bool CabinetExtractor::ExtractAll(const std::string &destinationFolder) {
  // Set before the worker starts, so it does not race the first folder. A
  // folder that keeps other attributes still takes the files.
  (void)platform::WriteAttributes(destinationFolder, platform::attr::kNormal);
  return Start(ExtractMode::kExtractAll, &destinationFolder);
}

bool CabinetExtractor::ExtractFile(const std::string &name,
                                   const std::string &destinationFolder) {
  WaitForWorker();
  wantedName_ = name;
  return Start(ExtractMode::kExtractFile, &destinationFolder);
}

bool CabinetExtractor::List() {
  return Start(ExtractMode::kList, nullptr);
}

bool CabinetExtractor::FindFile(const std::string &name) {
  WaitForWorker();
  found_ = false;
  wantedName_ = name;
  return Start(ExtractMode::kFind, nullptr);
}

bool CabinetExtractor::ExtractFiles(std::vector<std::string> names,
                                    const std::string &destinationFolder) {
  WaitForWorker();
  names_ = std::move(names);
  return Start(ExtractMode::kExtractList, &destinationFolder);
}

bool CabinetExtractor::Start(ExtractMode mode,
                             const std::string *destinationFolder) {
  WaitForWorker();
  if (context_ == nullptr) {
    return false;
  }
  extracted_ = 0;
  ownError_ = 0;
  ownReason_.clear();
  failureCabinet_.clear();
  failureReason_.clear();
  error_ = {};
  mode_ = mode;
  if (destinationFolder != nullptr) {
    destinationFolder_ = platform::WithTrailingSeparator(*destinationFolder);
  }
  return worker_.Start([this] { RunExtraction(); });
}

void CabinetExtractor::RunExtraction() {
  std::size_t split = cabinetPath_.find_last_of(kHostSeparators);
  cabinetFolder_ =
      split == std::string::npos ? "" : cabinetPath_.substr(0, split + 1);
  cabinetName_ = split == std::string::npos ? cabinetPath_
                                            : cabinetPath_.substr(split + 1);
  // One engine pass takes a cabinet and the cabinets that its last folder
  // runs on into. A set whose folders end within a cabinet (as most writers
  // lay sets out) goes on in the next cabinet: the pass starts again there,
  // and the files continued from an earlier cabinet are skipped as partial.
  const std::string firstCabinet = cabinetName_;
  auto copySet = [this, &firstCabinet] {
    std::set<std::string> seen;
    cabinetName_ = firstCabinet;
    for (;;) {
      nextCabinetName_.clear();
      const std::string passCabinet = cabinetFolder_ + cabinetName_;
      bool passed =
          FdiCopy(context_, cabinetName_.c_str(), cabinetFolder_.c_str(), 0,
                  NotifyRoutine, nullptr, this);
      CollectWarnings(passCabinet);
      if (!passed) {
        // Named by the cabinet the engine was in when it failed.
        RecordFailure(cabinetFolder_ + cabinetName_);
        return false;
      }
      // A set that names a cabinet twice would never end.
      if (nextCabinetName_.empty() || !seen.insert(cabinetName_).second ||
          seen.count(nextCabinetName_) != 0) {
        return true;
      }
      cabinetName_ = nextCabinetName_;
    }
  };
  bool ok = true;
  if (mode_ == ExtractMode::kExtractList) {
    for (const std::string &name : names_) {
      wantedName_ = name;
      ok = copySet();
      if (!ok) {
        break;
      }
    }
  } else {
    ok = copySet();
  }
  cabinetName_ = firstCabinet;
  std::int32_t code = 0;
  if (!ok) {
    // The engine closed the handle of a file it was writing; the file goes.
    if (!writingPath_.empty()) {
      (void)platform::RemoveFile(writingPath_); // best effort
      writingPath_.clear();
      writingFile_ = 0;
    }
    (void)FdiDestroy(context_); // the run has failed already
    context_ = nullptr;
    if (ownError_ != 0) {
      error_.operationCode = ownError_;
    }
    code = error_.operationCode;
    if (code == kFdiErrUserAbort) {
      failureReason_.clear(); // a handler's choice, not the cabinet's fault
    }
  }
  platform::SendWindowMessage(window_, kMsgExtractionFinished,
                              static_cast<std::uintptr_t>(mode_), extracted_);
  if (code == kFdiErrUserAbort) {
    OnAborted();
  } else if (code != 0) {
    OnError(code);
  } else {
    switch (mode_) {
    case ExtractMode::kExtractAll:
      OnExtractAllDone(extracted_);
      break;
    case ExtractMode::kExtractFile:
      OnExtractFileDone(extracted_);
      break;
    case ExtractMode::kList:
      OnListDone(extracted_);
      break;
    case ExtractMode::kExtractList:
      OnExtractListDone(extracted_);
      break;
    case ExtractMode::kFind:
      OnFindDone(found_);
      break;
    case ExtractMode::kNone:
      break;
    }
  }
}

CabFileHandle CabinetExtractor::NotifyRoutine(FdiNotificationKind kind,
                                              FdiNotification *note) {
  if (note == nullptr || note->user == nullptr) {
    return -1;
  }
  CabinetExtractor &self = *static_cast<CabinetExtractor *>(note->user);
  auto text = [](const char *value) {
    return std::string(value != nullptr ? value : "");
  };
  switch (kind) {
  case FdiNotificationKind::kCabinetInfo:
    self.nextCabinetName_ = text(note->text1);
    return self.OnCabinetInfo(note->setId, text(note->text3), text(note->text1),
                              text(note->text2), note->cabinetIndex)
               ? 0
               : -1;
  case FdiNotificationKind::kPartialFile:
    return self.OnPartialFile(text(note->text1), text(note->text2),
                              text(note->text3))
               ? 0
               : -1;
  case FdiNotificationKind::kCopyFile:
    return self.OnCopyFile(*note);
  case FdiNotificationKind::kCloseFileInfo:
    return self.OnCloseFile(*note);
  case FdiNotificationKind::kNextCabinet:
    return self.OnNextCabinetNote(*note);
  case FdiNotificationKind::kEnumerate:
    return 0;
  }
  return 0;
}

CabFileHandle CabinetExtractor::OnCopyFile(const FdiNotification &note) {
  std::string name = note.text1 != nullptr ? note.text1 : "";
  CabinetFileInfo info;
  info.size = note.size;
  info.name = name.c_str();
  info.date = note.date;
  info.time = note.time;
  info.attributes = note.attributes;
  auto infoParam = reinterpret_cast<std::uintptr_t>(&info);
  switch (mode_) {
  case ExtractMode::kExtractAll:
  case ExtractMode::kExtractFile:
  case ExtractMode::kExtractList: {
    if (mode_ != ExtractMode::kExtractAll &&
        !StoredNamesEqual(name, wantedName_)) {
      return 0;
    }
    if (!IsSafeStoredName(name)) {
      return Refuse("file \"" + name + "\": name leaves the target folder");
    }
    platform::SendWindowMessage(window_, kMsgExtractFile, infoParam, 0);
    if (!OnExtractFile(info)) {
      return -1;
    }
    return OpenTarget(info, mode_ != ExtractMode::kExtractFile);
  }
  case ExtractMode::kList:
    platform::SendWindowMessage(window_, kMsgListFile, infoParam, 0);
    (void)OnListFile(info); // a listing skips every file, whatever it answers
    return 0;
  case ExtractMode::kFind:
    if (StoredNamesEqual(name, wantedName_)) {
      found_ = true;
      platform::SendWindowMessage(window_, kMsgFoundFile, infoParam, 1);
    }
    return 0;
  case ExtractMode::kNone:
    break;
  }
  return 0;
}

CabFileHandle CabinetExtractor::Refuse(std::string reason) {
  ownError_ = kFdiErrTargetFile;
  ownReason_ = std::move(reason);
  return -1;
}

CabFileHandle CabinetExtractor::OpenTarget(const CabinetFileInfo &info,
                                           bool makeFolders) {
  const std::string hostName = HostNameOf(info);
  const std::string place = "file \"" + std::string(info.name) + "\": ";
  std::string target = destinationFolder_ + StoredNameToPath(hostName);
  if (target.size() >= pathLimit_) {
    return Refuse(place + "target path of " + std::to_string(target.size()) +
                  " bytes reaches the limit of " + std::to_string(pathLimit_));
  }
  if (makeFolders && !MakeFoldersOf(destinationFolder_, hostName)) {
    return Refuse(place + "cannot make its folder");
  }
  int err = 0;
  CabFileHandle file =
      engine_.open(target.c_str(),
                   open_flag::kWriteOnly | open_flag::kCreate |
                       open_flag::kTruncate | open_flag::kBinary,
                   kOpenPermissionReadWrite, &err, this);
  if (file == kInvalidCabFile) {
    return Refuse(place + "cannot create the target file" +
                  (err != 0 ? " (error " + std::to_string(err) + ")" : ""));
  }
  ++extracted_;
  writingPath_ = target;
  writingFile_ = file;
  return file;
}

CabFileHandle CabinetExtractor::OnCloseFile(const FdiNotification &note) {
  std::string name = note.text1 != nullptr ? note.text1 : "";
  std::uint16_t date = note.date;
  std::uint16_t time = note.time;
  std::uint16_t attributes = note.attributes;
  bool keep = OnFileClosing(name, &date, &time, &attributes);
  int err = 0;
  bool closed = engine_.close(note.file, &err, this) == 0;
  std::string target = std::move(writingPath_);
  writingPath_.clear();
  writingFile_ = 0;
  if (!keep || !closed) {
    // A file whose data may not have reached the disk is not left behind.
    (void)platform::RemoveFile(target); // best effort
    if (!closed) {
      ownError_ = kFdiErrTargetFile;
      ownReason_ = "file \"" + name + "\": closing the target failed";
    }
    return -1;
  }
  // The file is whole; a time or attribute the system refuses is not worth
  // losing it for, as other extractors also judge.
  (void)platform::WriteFileTime(target, platform::DosDateTime{date, time});
  (void)platform::WriteAttributes(target, attributes & kRestoredAttributeMask);
  return 1;
}

CabFileHandle CabinetExtractor::OnNextCabinetNote(FdiNotification &note) {
  std::string nextName = note.text1 != nullptr ? note.text1 : "";
  std::string folder;
  bool keepGoing =
      OnNextCabinet(nextName, note.text2 != nullptr ? note.text2 : "", folder,
                    note.errorCode);
  if (folder.empty()) {
    folder = note.text3 != nullptr ? note.text3 : "";
  } else if (note.text3 != nullptr &&
             folder.size() < static_cast<std::size_t>(kCabinetPathBufferSize)) {
    std::memcpy(note.text3, folder.c_str(), folder.size() + 1);
  } else {
    return -1;
  }
  if (!keepGoing || folder.size() >= pathLimit_ ||
      nextName.size() >= pathLimit_) {
    return -1;
  }
  cabinetFolder_ = folder;
  cabinetName_ = nextName;
  int err = 0;
  std::string path = folder + nextName;
  CabFileHandle file = engine_.open(
      path.c_str(), open_flag::kReadOnly | open_flag::kBinary, 0, &err, this);
  if (file == kInvalidCabFile) {
    return -1;
  }
  engine_.close(file, &err, this);
  return 0;
}

bool CabinetExtractor::OnCabinetInfo(std::uint16_t, const std::string &,
                                     const std::string &, const std::string &,
                                     std::uint16_t) {
  return true;
}
bool CabinetExtractor::OnPartialFile(const std::string &, const std::string &,
                                     const std::string &) {
  return true;
}
bool CabinetExtractor::OnFileClosing(const std::string &, std::uint16_t *,
                                     std::uint16_t *, std::uint16_t *) {
  return true;
}
bool CabinetExtractor::OnNextCabinet(const std::string &, const std::string &,
                                     std::string &, std::int32_t) {
  return true;
}
bool CabinetExtractor::OnListFile(const CabinetFileInfo &) {
  return true;
}
bool CabinetExtractor::OnExtractFile(const CabinetFileInfo &) {
  return true;
}
bool CabinetExtractor::OnAborted() {
  return true;
}
bool CabinetExtractor::OnError(std::int32_t) {
  return true;
}
bool CabinetExtractor::OnExtractAllDone(std::int32_t) {
  return true;
}
bool CabinetExtractor::OnExtractFileDone(std::int32_t) {
  return true;
}
bool CabinetExtractor::OnExtractListDone(std::int32_t) {
  return true;
}
bool CabinetExtractor::OnListDone(std::int32_t) {
  return true;
}
bool CabinetExtractor::OnFindDone(bool) {
  return true;
}
} // namespace vorafile::archive
