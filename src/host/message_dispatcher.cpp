#include "host/message_dispatcher.h"

#include "document/scene_root.h"
#include "host/host_records.h"
#include "host/node_info_block.h"
#include "nodes/core/param_ids.h"
#include "platform/file_system.h"
#include "vorafile/vorafile.h"

#include <cstring>
#include <new>
#include <optional>
#include <string>

namespace vorafile {

namespace {

template <typename T> T *PointerArg(std::uintptr_t value) {
  return reinterpret_cast<T *>(value); // NOLINT(performance-no-int-to-ptr)
}

// A path from the host: a text of fewer than 260 characters. Longer ones
// (or ones without a terminator there) are no path this system can use.
std::optional<std::string> HostPath(std::uintptr_t value) {
  const char *text = PointerArg<const char>(value);
  if (text == nullptr) {
    return std::nullopt;
  }
  const std::size_t length = strnlen(text, platform::kMaxPath);
  if (length == 0 || length == platform::kMaxPath) {
    return std::nullopt;
  }
  return std::string(text, length);
}

// Out-parameters of the decode messages: both are always stored, 0 when the
// operation failed; a null target is skipped rather than written through.
void StoreImagePointers(std::uintptr_t headerTarget,
                        std::uintptr_t pixelsTarget,
                        const imaging::PicturePointers &pointers) {
  if (auto *target = PointerArg<std::uintptr_t>(headerTarget)) {
    *target = reinterpret_cast<std::uintptr_t>(pointers.header);
  }
  if (auto *target = PointerArg<std::uintptr_t>(pixelsTarget)) {
    *target = reinterpret_cast<std::uintptr_t>(pointers.pixels);
  }
}

} // namespace

MessageDispatcher::MessageDispatcher() = default;
MessageDispatcher::~MessageDispatcher() = default;

std::uint32_t MessageDispatcher::Send(std::uint32_t msg, std::uintptr_t p1,
                                      std::uintptr_t p2, std::uintptr_t p3,
                                      std::uintptr_t p4) {
  if (msg == VORA_MSG_CREATE) {
    return CreateFileManager();
  }
  if (!fileManager_) {
    return 0;
  }
  if (busy_ && IsRefusedWhileBusy(msg)) {
    return msg == VORA_MSG_ADD_CONFIG_NODE ? kConfigNodeNotMade : 0;
  }

  switch (msg) {
  case VORA_MSG_DESTROY:
    return DestroyFileManager();
  case VORA_MSG_NOTHING:
    return 1;
  case VORA_MSG_RELEASE_INFO:
    ReleaseNodeInfo(PointerArg<NodeInfoBlock>(p1));
    return 1;
  case VORA_MSG_RELEASE_INFO_ENTRIES:
    ReleaseNodeInfoEntries(PointerArg<NodeInfoBlock>(p1));
    return 1;

  case VORA_MSG_WRITE_SCRIPT:
  case VORA_MSG_READ_PARAM_BY_PATH:
  case VORA_MSG_WRITE_PARAM_BY_ID:
  case VORA_MSG_READ_PARAM_BY_ID:
  case VORA_MSG_WRITE_PARAM_BY_ID_2:
  case VORA_MSG_WRITE_PARAM_BY_TYPE:
  case VORA_MSG_READ_PARAM_BY_TYPE:
  case VORA_MSG_WRITE_PARAM_BY_ID_PATH:
  case VORA_MSG_READ_PARAM_BY_ID_PATH:
  case VORA_MSG_REMOVE_PARAM:
  case VORA_MSG_FILL_INFO_BY_TYPE:
  case VORA_MSG_FILL_INFO_BY_PATH:
  case VORA_MSG_FILL_INFO_BY_ID:
  case VORA_MSG_FILL_INFO_BY_TYPE_2:
  case VORA_MSG_NODE_EXISTS_BY_TYPE:
  case VORA_MSG_NODE_EXISTS_BY_PATH:
  case VORA_MSG_NODE_EXISTS_BY_ID:
    return SendSceneMessage(msg, p1, p2, p3);

  case VORA_MSG_OPEN_PACKAGE:
    return OpenPackage(p1);
  case VORA_MSG_SAVE_PACKAGE:
  case VORA_MSG_SAVE_PACKAGE_AS:
    return SavePackage(p1);

  case VORA_MSG_ADD_CONFIG_NODE:
    return AddConfigNode(static_cast<std::uint32_t>(p1), p2, p3, p4);

  case VORA_MSG_LOAD_CODEC:
  case VORA_MSG_DECODE_IMAGE:
  case VORA_MSG_CONVERT_IMAGE:
  case VORA_MSG_FREE_IMAGE:
  case VORA_MSG_DECODE_FIT:
  case VORA_MSG_DECODE_RESIZE:
    return SendPictureMessage(msg, p1, p2, p3, p4);

  default:
    return 0;
  }
}

bool MessageDispatcher::IsRefusedWhileBusy(std::uint32_t msg) {
  switch (msg) {
  case VORA_MSG_DESTROY:
  case VORA_MSG_OPEN_PACKAGE:
  case VORA_MSG_SAVE_PACKAGE:
  case VORA_MSG_SAVE_PACKAGE_AS:
  case VORA_MSG_WRITE_SCRIPT:
  case VORA_MSG_WRITE_PARAM_BY_ID:
  case VORA_MSG_WRITE_PARAM_BY_ID_2:
  case VORA_MSG_WRITE_PARAM_BY_TYPE:
  case VORA_MSG_WRITE_PARAM_BY_ID_PATH:
  case VORA_MSG_REMOVE_PARAM:
  case VORA_MSG_ADD_CONFIG_NODE:
  case VORA_MSG_CONVERT_IMAGE:
    return true;
  default:
    return false;
  }
}

std::uint32_t MessageDispatcher::OpenPackage(std::uintptr_t p1) {
  std::optional<std::string> path = HostPath(p1);
  if (!path) {
    return 0;
  }
  BusyScope busy(busy_);
  return fileManager_->Open(*path) ? 1 : 0;
}

std::uint32_t MessageDispatcher::SavePackage(std::uintptr_t p1) {
  std::optional<std::string> path = HostPath(p1);
  if (!path) {
    return 0;
  }
  BusyScope busy(busy_);
  // The scene script goes into the working folder first; only then is
  // there a package to pack.
  return fileManager_->Document().WriteScript() && fileManager_->SaveAs(*path)
             ? 1
             : 0;
}

std::uint32_t MessageDispatcher::CreateFileManager() {
  if (fileManager_) {
    return 0;
  }
  try {
    fileManager_ = std::make_unique<FileManager>();
  } catch (const std::bad_alloc &) {
    return 0;
  }
  return 1;
}

std::uint32_t MessageDispatcher::DestroyFileManager() {
  fileManager_->Close();
  fileManager_.reset();
  return 1;
}

std::uint32_t MessageDispatcher::SendSceneMessage(std::uint32_t msg,
                                                  std::uintptr_t p1,
                                                  std::uintptr_t p2,
                                                  std::uintptr_t p3) {
  SceneDocument &document = fileManager_->Document();
  if (!document.HasScene()) {
    return 0;
  }
  const auto id = static_cast<std::int32_t>(p1);
  const auto type = static_cast<std::int32_t>(p1);
  const auto ordinal = static_cast<std::int32_t>(p2);
  auto found = [](nodes::SceneNode *node) -> std::uint32_t {
    return node != nullptr ? 1 : 0;
  };
  auto read = [](nodes::SceneNode *node,
                 std::uintptr_t query) -> std::uint32_t {
    auto *target = PointerArg<ParamQuery>(query);
    return node != nullptr && target != nullptr &&
                   host::ReadParam(*node, *target)
               ? 1
               : 0;
  };
  auto write = [](nodes::SceneNode *node,
                  std::uintptr_t query) -> std::uint32_t {
    const auto *source = PointerArg<ParamQuery>(query);
    return node != nullptr && source != nullptr &&
                   host::WriteParam(*node, *source)
               ? 1
               : 0;
  };
  auto fill = [](nodes::SceneNode *node,
                 std::uintptr_t block) -> std::uint32_t {
    auto *target = PointerArg<NodeInfoBlock>(block);
    return node != nullptr && target != nullptr &&
                   host::FillInfo(*node, *target)
               ? 1
               : 0;
  };

  switch (msg) {
  case VORA_MSG_WRITE_SCRIPT:
    return document.WriteScript() ? 1 : 0;
  case VORA_MSG_READ_PARAM_BY_PATH:
    return read(document.FindByPath(PointerArg<const NodePath>(p1)), p2);
  case VORA_MSG_READ_PARAM_BY_ID:
    return read(document.FindById(id), p2);
  case VORA_MSG_READ_PARAM_BY_TYPE:
    return read(document.FindByTypeAndOrdinal(type, ordinal), p3);
  case VORA_MSG_READ_PARAM_BY_ID_PATH:
    return read(document.FindByIdAndPath(id, PointerArg<const NodePath>(p2)),
                p3);
  case VORA_MSG_WRITE_PARAM_BY_ID:
  case VORA_MSG_WRITE_PARAM_BY_ID_2:
    return write(document.FindById(id), p2);
  case VORA_MSG_WRITE_PARAM_BY_TYPE:
    return write(document.FindByTypeAndOrdinal(type, ordinal), p3);
  case VORA_MSG_WRITE_PARAM_BY_ID_PATH:
    return write(document.FindByIdAndPath(id, PointerArg<const NodePath>(p2)),
                 p3);
  case VORA_MSG_REMOVE_PARAM: {
    nodes::SceneNode *node = document.FindById(id);
    return node != nullptr &&
                   host::RemoveParam(*node, static_cast<std::uint32_t>(p2),
                                     static_cast<std::int32_t>(p3))
               ? 1
               : 0;
  }
  case VORA_MSG_FILL_INFO_BY_TYPE:
  case VORA_MSG_FILL_INFO_BY_TYPE_2:
    return fill(document.FindByTypeAndOrdinal(type, ordinal), p3);
  case VORA_MSG_FILL_INFO_BY_PATH:
    return fill(document.FindByPath(PointerArg<const NodePath>(p1)), p2);
  case VORA_MSG_FILL_INFO_BY_ID:
    return fill(document.FindById(id), p2);
  case VORA_MSG_NODE_EXISTS_BY_TYPE:
    return found(document.FindByTypeAndOrdinal(type, ordinal));
  case VORA_MSG_NODE_EXISTS_BY_PATH:
    return found(document.FindByPath(PointerArg<const NodePath>(p1)));
  case VORA_MSG_NODE_EXISTS_BY_ID:
    return found(document.FindById(id));
  default:
    return 0;
  }
}

std::uint32_t MessageDispatcher::AddConfigNode(std::uint32_t kindWord,
                                               std::uintptr_t newName,
                                               std::uintptr_t sourceFolder,
                                               std::uintptr_t targetName) {
  // Until pods and orbs exist the new node's name and source folder go
  // unread.
  static_cast<void>(newName);
  static_cast<void>(sourceFolder);
  SceneDocument &document = fileManager_->Document();
  if (!document.HasScene()) {
    return kConfigNodeAdded;
  }
  const auto kind = static_cast<std::int32_t>(kindWord & 0xFFFFu);
  const auto targetType = static_cast<std::int32_t>(kindWord >> 16);
  if (kind == VORA_NODE_SCENE_ROOT) {
    return kConfigNodeKindRefused;
  }
  const char *name = PointerArg<const char>(targetName);
  if (name == nullptr ||
      document.GetRoot()->GetNodeIndex().FindByTextParam(
          targetType, nodes::param::kName, name) == nullptr) {
    return kConfigNodeTargetMissing;
  }
  // The pod and orb node classes are not built yet.
  return kConfigNodeNotMade;
}

std::uint32_t MessageDispatcher::SendPictureMessage(std::uint32_t msg,
                                                    std::uintptr_t p1,
                                                    std::uintptr_t p2,
                                                    std::uintptr_t p3,
                                                    std::uintptr_t p4) {
  imaging::PictureService &pictures = fileManager_->Pictures();
  const char *path = PointerArg<const char>(p1);
  // p2 of 2002, 2004 and 2005 (only): largest (or exact) width, then height.
  auto readLimits = [p2]() -> std::optional<imaging::PictureLimits> {
    const auto *values = PointerArg<const std::uint32_t>(p2);
    if (values == nullptr) {
      return std::nullopt;
    }
    return imaging::PictureLimits{values[0], values[1]};
  };
  imaging::PicturePointers out;
  switch (msg) {
  case VORA_MSG_LOAD_CODEC:
    return pictures.LoadCodec() ? 1 : 0;
  case VORA_MSG_FREE_IMAGE:
    pictures.Free();
    return 1;
  case VORA_MSG_DECODE_IMAGE: {
    const bool decoded = path != nullptr && pictures.Decode(path, out);
    StoreImagePointers(p2, p3, out);
    return decoded ? 1 : 0;
  }
  case VORA_MSG_CONVERT_IMAGE: {
    const std::optional<imaging::PictureLimits> limits = readLimits();
    if (path == nullptr || !limits ||
        !pictures.Convert(path, *limits, fileManager_->WorkFolder())) {
      return 0;
    }
    if (auto *buffer = PointerArg<char>(p3)) {
      // A path that does not fit leaves the buffer empty, which the host
      // reads as no path.
      (void)platform::CopyToHostBuffer(buffer, platform::kMaxPath,
                                       pictures.ConvertedPath());
    }
    return 1;
  }
  case VORA_MSG_DECODE_FIT: {
    const std::optional<imaging::PictureLimits> limits = readLimits();
    const bool decoded =
        path != nullptr && limits && pictures.DecodeToFit(path, *limits, out);
    StoreImagePointers(p3, p4, out);
    return decoded ? 1 : 0;
  }
  case VORA_MSG_DECODE_RESIZE: {
    const std::optional<imaging::PictureLimits> limits = readLimits();
    const bool decoded =
        path != nullptr && limits && pictures.DecodeResized(path, *limits, out);
    StoreImagePointers(p3, p4, out);
    return decoded ? 1 : 0;
  }
  default:
    return 0;
  }
}

} // namespace vorafile
