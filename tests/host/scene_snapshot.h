// What a host sees of a whole scene through the message entry: every node
// it can reach by type and ordinal, with every entry of its info block. Used
// by the round-trip tests in process and by the Windows program that drives
// the DLL, so it reports failed messages instead of asserting.
#ifndef VORAFILE_TESTS_HOST_SCENE_SNAPSHOT_H
#define VORAFILE_TESTS_HOST_SCENE_SNAPSHOT_H

#include "vorafile/vorafile.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace vorafile::test {

using SendMessage =
    std::function<std::uint32_t(std::uint32_t, std::uintptr_t, std::uintptr_t,
                                std::uintptr_t, std::uintptr_t)>;

// (node type, ordinal, parameter id, sub-item index) of one info-block entry.
using EntryKey = std::tuple<int, int, std::uint32_t, std::int32_t>;

struct SceneSnapshot {
  // Every entry in the order the host sees it, as text.
  std::vector<std::string> lines;
  std::map<EntryKey, std::string> values;
  // The value type of each entry of `values`.
  std::map<EntryKey, std::uint32_t> types;
  // Messages that did not answer as a host expects.
  int failedMessages = 0;

  [[nodiscard]] bool HasNodeOfType(int type) const {
    // Every node's first entry is its name (id 160).
    return values.contains({type, 0, 160u, -1});
  }
};

// A value as text: strings as they stand, with the working folder (which
// differs from one open to the next) replaced by "<work>"; other values as
// their bytes.
inline std::string SnapshotValueText(const ParamQuery &entry,
                                     const std::string &workFolder) {
  const auto *bytes = static_cast<const unsigned char *>(entry.data);
  if (entry.valueType == VORA_VALUE_STRING) {
    std::string text(static_cast<const char *>(entry.data));
    if (!workFolder.empty() && text.rfind(workFolder, 0) == 0) {
      text = "<work>" + text.substr(workFolder.size());
    }
    return text;
  }
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (std::uint32_t i = 0; i < entry.size; ++i) {
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 15];
  }
  return text;
}

// Every node the host can reach by type and ordinal, with every entry of
// its info block but its node id (ids count nodes in reading order).
inline SceneSnapshot TakeSceneSnapshot(const SendMessage &send) {
  constexpr std::uint32_t kTempDir = 257;
  constexpr std::uint32_t kNodeId = 163;
  SceneSnapshot snapshot;
  std::string workFolder;
  // The root first: its TempDir names the working folder.
  std::vector<int> types{VORA_NODE_SCENE_ROOT};
  for (int type = VORA_NODE_AUDIO_ANALYSIS; type < VORA_NODE_END; ++type) {
    if (type != VORA_NODE_SCENE_ROOT) {
      types.push_back(type);
    }
  }
  for (int nodeType : types) {
    for (int ordinal = 0; send(VORA_MSG_NODE_EXISTS_BY_TYPE,
                               static_cast<std::uintptr_t>(nodeType),
                               static_cast<std::uintptr_t>(ordinal), 0, 0) == 1;
         ++ordinal) {
      NodeInfoBlock block{};
      block.recordSize = sizeof block;
      if (send(VORA_MSG_FILL_INFO_BY_TYPE,
               static_cast<std::uintptr_t>(nodeType),
               static_cast<std::uintptr_t>(ordinal),
               reinterpret_cast<std::uintptr_t>(&block), 0) != 1) {
        ++snapshot.failedMessages;
      }
      for (std::uint32_t i = 0; i < block.count; ++i) {
        const ParamQuery &entry = block.entries[i];
        if (entry.id == kTempDir && nodeType == VORA_NODE_SCENE_ROOT) {
          workFolder = static_cast<const char *>(entry.data);
        }
        if (entry.id == kNodeId) {
          continue;
        }
        const std::string value = SnapshotValueText(entry, workFolder);
        snapshot.lines.push_back(
            std::to_string(nodeType) + ":" + std::to_string(ordinal) + " " +
            entry.text + " (" + std::to_string(entry.valueType) + ") " + value);
        const EntryKey key{nodeType, ordinal, entry.id, entry.extra};
        snapshot.values[key] = value;
        snapshot.types[key] = entry.valueType;
      }
      if (send(VORA_MSG_RELEASE_INFO, reinterpret_cast<std::uintptr_t>(&block),
               0, 0, 0) != 1) {
        ++snapshot.failedMessages;
      }
    }
  }
  return snapshot;
}

} // namespace vorafile::test

#endif // VORAFILE_TESTS_HOST_SCENE_SNAPSHOT_H
