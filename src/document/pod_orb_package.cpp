#include "document/pod_orb_package.h"

#include "nodes/content/object_config_node.h"
#include "nodes/core/param_ids.h"
#include "platform/file_system.h"
#include "platform/package_name.h"

#include <array>
#include <cstdio>
#include <memory>
#include <span>

namespace vorafile {

namespace {

using nodes::ObjectConfigNode;
using nodes::SceneNode;
namespace param = nodes::param;

constexpr std::array<const char *, 6> kPodFiles = {
    "border.jpg",        "flyout.jpg",       "highlight.jpg",
    "defPodFadeOut.vrd", "defPodFlyOut.vrd", "defPodHalo.vrd"};
constexpr std::array<const char *, 1> kOrbFiles = {"Orb0.jpg"};

struct Bundle {
  std::span<const char *const> files;
  const char *configuration; // its name in the source folder
  const char *extension;     // of the configuration's new name
};

std::optional<Bundle> BundleOf(std::int32_t kind) {
  switch (kind) {
  case VORA_NODE_OBJECT_CONFIG:
    return Bundle{kPodFiles, "Config.pod", ".pod"};
  case VORA_NODE_ORB:
    return Bundle{kOrbFiles, "Config.orb", ".orb"};
  default:
    // Kind 29 has no bundle of its own: it makes nothing.
    return std::nullopt;
  }
}

// The target's place among its parent's children of its own kind.
int OrdinalAmongSiblings(const SceneNode &target) {
  const SceneNode *parent = target.GetParent();
  if (parent == nullptr) {
    return 0;
  }
  for (int ordinal = 0;; ++ordinal) {
    const SceneNode *sibling = parent->FindChild(target.GetKind(), ordinal);
    if (sibling == nullptr || sibling == &target) {
      return sibling == nullptr ? 0 : ordinal;
    }
  }
}

// A bundle file into the working folder; a file already there is kept.
// Answers whether this call made the file. Failures are not reported: a
// missing file shows when it is read.
[[nodiscard]] bool CopyIntoFolder(const std::string &sourceFolder,
                                  std::string_view name,
                                  const std::string &folder,
                                  std::string_view newName) {
  std::optional<std::string> from = platform::FindInFolder(sourceFolder, name);
  std::optional<std::string> to = platform::PackagePathFor(folder, newName);
  return from && to && !platform::PathExists(*to) &&
         platform::CopyFileNoOverwrite(*from, *to);
}

} // namespace

PodOrbResult AddPodOrb(SceneDocument &document, const std::string &sourceFolder,
                       std::string_view targetName, std::uint32_t kindWord,
                       std::string_view newName) {
  SceneRoot *root = document.GetRoot();
  if (root == nullptr) {
    return {};
  }
  const auto kind = static_cast<std::int32_t>(kindWord & 0xFFFFu);
  const auto targetType = static_cast<std::int32_t>(kindWord >> 16);
  if (kind == VORA_NODE_SCENE_ROOT) {
    return {PodOrbStatus::KindRefused, -1};
  }
  SceneNode *target = root->GetNodeIndex().FindByTextParam(
      targetType, param::kName, targetName);
  if (target == nullptr) {
    return {PodOrbStatus::TargetMissing, -1};
  }
  const std::optional<Bundle> bundle = BundleOf(kind);
  if (!bundle) {
    return {PodOrbStatus::NotMade, -1};
  }

  const std::string folder(root->GetFolder().value_or(""));
  const std::string configName = "Config" +
                                 std::to_string(OrdinalAmongSiblings(*target)) +
                                 bundle->extension;
  // Without a source folder nothing is copied (never from the current one).
  bool copiedConfiguration = false;
  if (!sourceFolder.empty()) {
    const std::string source = platform::WithTrailingSeparator(sourceFolder);
    for (const char *file : bundle->files) {
      (void)CopyIntoFolder(source, file, folder, file);
    }
    copiedConfiguration =
        CopyIntoFolder(source, bundle->configuration, folder, configName);
  }
  const std::string configPath = platform::PackagePathFor(folder, configName)
                                     .value_or(folder + configName);

  auto node = std::make_unique<ObjectConfigNode>(target, newName, configPath);
  using FileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE *)>;
  FileHandle file(std::fopen(configPath.c_str(), "rb"), &std::fclose);
  if (file) {
    nodes::FileSource in(file.get());
    // A failed read takes the node with it, and its index rows, and the
    // configuration this call copied: left there, it would stand in the
    // way of the target's next pod (copies never overwrite).
    if (node->Read(&in, 0) == nodes::kReadFailed) {
      file.reset();
      if (copiedConfiguration) {
        (void)platform::RemoveFile(configPath);
      }
      return {PodOrbStatus::NotMade, -1};
    }
  }
  // Refused adds (the target links another configuration) are ignored.
  (void)target->AddParamValue(param::kOlink,
                              nodes::ParamValue(std::int32_t{1}));
  (void)target->AddParamValue(param::kObjSite, nodes::ParamValue(configPath));
  const std::int32_t id = node->GetNodeId();
  root->GetNodeIndex().Register(kind, id, *node);
  target->AddChild(std::move(node));
  return {PodOrbStatus::Added, id};
}

} // namespace vorafile
