// What a node remembers of a file that it owns (its INI file, its own text
// file beside the scene script): whether its last read of that file took
// all of it.
//
// A read that ended early (a value that did not convert, a refused add)
// leaves values that do not describe the whole file; writing them back
// would drop the rest. Such a file is never rewritten on save: the node's
// Write leaves it as it was, so the package carries the original. Every
// node class that owns a file keeps one OwnedFileState and starts each read
// with an OwnedFileRead.
#ifndef VORAFILE_NODES_CORE_OWNED_FILE_STATE_H
#define VORAFILE_NODES_CORE_OWNED_FILE_STATE_H

namespace vorafile::nodes {

class OwnedFileState {
public:
  /// True unless the last read ended early. A node that never read its
  /// file (one the host made) writes it.
  [[nodiscard]] bool IsReadComplete() const { return readComplete_; }
  /// Write consults this: false when the file must be left as it was.
  [[nodiscard]] bool MayRewrite() const { return readComplete_; }

  void MarkReadEndedEarly() { readComplete_ = false; }
  void MarkReadComplete() { readComplete_ = true; }

private:
  bool readComplete_ = true;
};

/// One read of an owned file. It counts as ended early from the start, so
/// every early return of a reader is marked without a line of its own;
/// the reader calls Finish() once it has taken the whole file.
class OwnedFileRead {
public:
  explicit OwnedFileRead(OwnedFileState &state) : state_(state) {
    state_.MarkReadEndedEarly();
  }
  OwnedFileRead(const OwnedFileRead &) = delete;
  OwnedFileRead &operator=(const OwnedFileRead &) = delete;

  void Finish() { state_.MarkReadComplete(); }

private:
  OwnedFileState &state_;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CORE_OWNED_FILE_STATE_H
