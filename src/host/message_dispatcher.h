// Decodes the host's numbered messages and forwards them to the file
// manager. The exported entry point is a thin shell over one process-wide
// dispatcher; tests make their own.
#ifndef VORAFILE_HOST_MESSAGE_DISPATCHER_H
#define VORAFILE_HOST_MESSAGE_DISPATCHER_H

#include "host/file_manager.h"

#include <cstdint>
#include <memory>

namespace vorafile {

/// The statuses of message 1030 (adding a pod or orb configuration node).
inline constexpr std::uint32_t kConfigNodeAdded = 0;
/// The new node's kind was the scene root's; nothing was done.
inline constexpr std::uint32_t kConfigNodeKindRefused = 1;
inline constexpr std::uint32_t kConfigNodeNotMade = 2;
/// No node of the receiving type has the receiving name.
inline constexpr std::uint32_t kConfigNodeTargetMissing = 3;

class MessageDispatcher {
public:
  MessageDispatcher();
  MessageDispatcher(const MessageDispatcher &) = delete;
  MessageDispatcher &operator=(const MessageDispatcher &) = delete;
  ~MessageDispatcher();

  /// Handles one message. Every message but VORA_MSG_CREATE answers 0 while
  /// no file manager exists, and unlisted numbers answer 0. Pointer
  /// arguments are trusted to be valid or null, as the host passes them.
  /// May throw (out of memory); the exported entry catches everything.
  std::uint32_t Send(std::uint32_t msg, std::uintptr_t p1, std::uintptr_t p2,
                     std::uintptr_t p3, std::uintptr_t p4);

  /// The file manager, or null while none exists.
  [[nodiscard]] FileManager *GetFileManager() const {
    return fileManager_.get();
  }

  /// True while a package opens or saves. Those operations wait for a
  /// worker and meanwhile dispatch the host's window messages, so a window
  /// procedure may call Send again; until they end, every message that
  /// would change or free what they use (IsRefusedWhileBusy) answers its
  /// failure, and reads keep working.
  [[nodiscard]] bool IsBusy() const { return busy_; }

  /// The messages refused while busy: destroy, open, the saves, the script
  /// write, every parameter write and remove, 1030 (adding a node) and 2002
  /// (it writes into the working folder). Reads, the node tests, the info
  /// fills and releases (the host's own blocks) and the other picture
  /// messages (the picture service is no part of a package operation) stay
  /// allowed; so do create and 1004, which change nothing that exists.
  [[nodiscard]] static bool IsRefusedWhileBusy(std::uint32_t msg);

private:
  // Marks the dispatcher busy for one package operation.
  class BusyScope {
  public:
    explicit BusyScope(bool &busy) : busy_(busy) { busy_ = true; }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;
    ~BusyScope() { busy_ = false; }

  private:
    bool &busy_;
  };

  std::uint32_t OpenPackage(std::uintptr_t p1);
  std::uint32_t SavePackage(std::uintptr_t p1);
  std::uint32_t CreateFileManager();
  std::uint32_t DestroyFileManager();
  std::uint32_t SendSceneMessage(std::uint32_t msg, std::uintptr_t p1,
                                 std::uintptr_t p2, std::uintptr_t p3);
  /// Message 1030: a status, not 1/0. With no scene it answers
  /// kConfigNodeAdded (and does nothing), as the host expects.
  std::uint32_t AddConfigNode(std::uint32_t kindWord, std::uintptr_t newName,
                              std::uintptr_t sourceFolder,
                              std::uintptr_t targetName);
  std::uint32_t SendPictureMessage(std::uint32_t msg, std::uintptr_t p1,
                                   std::uintptr_t p2, std::uintptr_t p3,
                                   std::uintptr_t p4);

  std::unique_ptr<FileManager> fileManager_;
  bool busy_ = false;
};

} // namespace vorafile

#endif // VORAFILE_HOST_MESSAGE_DISPATCHER_H
