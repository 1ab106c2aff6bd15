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

private:
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
};

} // namespace vorafile

#endif // VORAFILE_HOST_MESSAGE_DISPATCHER_H
