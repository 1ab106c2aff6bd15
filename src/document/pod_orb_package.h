// Pods and orbs: small bundles of files (images, effect definitions and one
// configuration file) that the host hangs under a named node of the loaded
// scene. The bundle is copied from a source folder into the working folder,
// the configuration gets a name unique to its target node, and an
// ObjectConfigNode reads it under the target.
#ifndef VORAFILE_DOCUMENT_POD_ORB_PACKAGE_H
#define VORAFILE_DOCUMENT_POD_ORB_PACKAGE_H

#include "document/scene_document.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vorafile {

/// What adding a pod or orb answers (the host's status codes).
enum class PodOrbStatus : std::uint32_t {
  Added = 0,
  /// The new node's kind was the scene root's: nothing was done.
  KindRefused = 1,
  /// An unknown kind (29 included), or a configuration that failed its read:
  /// nothing stays behind but the copied files.
  NotMade = 2,
  /// No node of the target type has the target name.
  TargetMissing = 3,
};

struct PodOrbResult {
  PodOrbStatus status = PodOrbStatus::Added;
  /// The new node's id; -1 when none was made.
  std::int32_t nodeId = -1;
};

/// The kind word of the host: the new node's kind (23 pod, 28 orb) in the
/// low 16 bits, the target's node type in the high 16 bits.
[[nodiscard]] inline std::uint32_t
MakePodOrbKindWord(std::uint32_t kind, std::uint32_t targetType) {
  return (targetType << 16) | (kind & 0xFFFFu);
}

/// Adds a pod or orb under the first node of the target type whose "Name"
/// is `targetName` (case aside). Files of the bundle are copied from
/// `sourceFolder` into the working folder unless a file of that name is
/// there already; the configuration ("Config.pod", "Config.orb") becomes
/// "Config<ordinal>.pod" (".orb"), the ordinal being the target's place
/// among its parent's children of its type. The node is named `newName`.
/// With a configuration that cannot be opened the node stays unread; one
/// whose read fails leaves nothing (NotMade) but the other bundle files:
/// the configuration copy is removed again. After a read, the target
/// gets "Olink" = 1 and "ObjSite" = the configuration's path, and the
/// node a second index row typed by the kind. Without a scene nothing
/// happens and the answer is Added, as the host expects.
[[nodiscard]] PodOrbResult AddPodOrb(SceneDocument &document,
                                     const std::string &sourceFolder,
                                     std::string_view targetName,
                                     std::uint32_t kindWord,
                                     std::string_view newName);

} // namespace vorafile

#endif // VORAFILE_DOCUMENT_POD_ORB_PACKAGE_H
