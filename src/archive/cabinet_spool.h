// The write engine's temporary files. Compressed blocks go to the data file
// in their final CFDATA form and file entries to an entries file in their
// CFFILE form, so writing a cabinet is header + folder table + two copies,
// and memory stays at a few block buffers whatever the cabinet holds. A
// second entries file takes the entries that move on when a cabinet is
// split.
#ifndef VORAFILE_ARCHIVE_CABINET_SPOOL_H
#define VORAFILE_ARCHIVE_CABINET_SPOOL_H

#include "archive/cab_records.h"
#include "archive/cabinet_engine.h"
#include "archive/cabinet_write_engine.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorafile::archive {

class CabinetSpool {
public:
  CabinetSpool(const FciCallbacks &callbacks, void *user)
      : callbacks_(callbacks), user_(user) {}
  CabinetSpool(const CabinetSpool &) = delete;
  CabinetSpool &operator=(const CabinetSpool &) = delete;
  /// Closes and deletes the files that Create made.
  ~CabinetSpool();

  /// Names and creates the three files. False when the name callback fails
  /// (`*err` 0) or a file cannot be created (`*err` from the open callback).
  [[nodiscard]] bool Create(int *err);

  CabFileHandle Data() const { return files_[kData].handle; }
  /// This cabinet's entries.
  CabFileHandle Entries() const { return files_[current_].handle; }
  /// The entries that move on to the next cabinet.
  CabFileHandle NextEntries() const { return files_[Other()].handle; }
  /// The next cabinet starts: its entries become this cabinet's.
  void SwapEntries() { current_ = Other(); }

  [[nodiscard]] bool WriteAt(CabFileHandle file, std::uint64_t offset,
                             const void *data, std::size_t size) const;
  [[nodiscard]] bool ReadAt(CabFileHandle file, std::uint64_t offset,
                            void *data, std::size_t size) const;
  [[nodiscard]] bool WriteEntry(CabFileHandle file, std::uint64_t offset,
                                const cab::FileRecord &entry) const;
  /// Reads the entry at `offset` of an entries file holding `end` bytes.
  [[nodiscard]] bool ReadEntry(CabFileHandle file, std::uint64_t offset,
                               std::uint64_t end, cab::FileRecord *entry) const;

private:
  struct TempFile {
    std::string name;
    CabFileHandle handle = kInvalidCabFile;
  };
  static constexpr std::size_t kData = 0;
  static constexpr std::size_t kFileCount = 3;

  std::size_t Other() const { return current_ == 1 ? 2 : 1; }

  FciCallbacks callbacks_;
  void *user_;
  TempFile files_[kFileCount];
  std::size_t current_ = 1; // files_ index of this cabinet's entries
};

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_CABINET_SPOOL_H
