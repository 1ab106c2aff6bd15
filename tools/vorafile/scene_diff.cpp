#include "scene_diff.h"

#include "node_address.h"
#include "nodes/core/param_ids.h"
#include "value_text.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <set>
#include <unordered_map>
#include <utility>

namespace vorafile::cli {
namespace {

using nodes::SceneNode;

// The table's name for ids whose meaning is not known: not a name an author
// can tell apart.
constexpr std::string_view kUnnamedParam = "To Be Identified";
constexpr std::string_view kRootPath = "root";

class SnapshotVisitor final : public nodes::SubItemVisitor {
public:
  SnapshotVisitor(std::vector<SceneSnapshot::Param> &params,
                  std::string_view folder)
      : params_(params), folder_(folder) {}
  void Visit(const nodes::SubItem &item) override {
    std::string name(item.name);
    params_.push_back({"entry " + name, name,
                       FormatAuthorValue(item.value, item.id, folder_)});
  }

private:
  std::vector<SceneSnapshot::Param> &params_;
  std::string_view folder_;
};

class SnapshotTaker {
public:
  SnapshotTaker(SceneSnapshot &snapshot, std::string_view folder)
      : snapshot_(snapshot), folder_(folder) {}

  void Take(const SceneNode &node, std::string path, std::string parent) {
    SceneSnapshot::Node entry{std::move(path), std::move(parent), {}};
    for (const auto &param : node.GetParamArray()) {
      if (param.GetValue() == nullptr ||
          param.GetId() == nodes::param::kNodeId) {
        continue;
      }
      std::string label = node.GetParamName(param.GetId());
      if (label.empty() || label == kUnnamedParam) {
        label = std::to_string(param.GetId());
      }
      entry.params.push_back(
          {std::to_string(param.GetId()), std::move(label),
           FormatAuthorValue(*param.GetValue(), param.GetId(), folder_)});
    }
    SnapshotVisitor visitor(entry.params, folder_);
    node.VisitSubItems(visitor);
    const std::string here = entry.path;
    snapshot_.nodes.push_back(std::move(entry));

    ancestors_.push_back(&node);
    std::map<std::pair<std::int32_t, std::string>, int> seen;
    for (int i = 0; i < node.GetChildCount(); ++i) {
      const SceneNode *child = node.GetChild(i);
      // A reference child could lead back up the tree.
      if (child == nullptr || std::find(ancestors_.begin(), ancestors_.end(),
                                        child) != ancestors_.end()) {
        continue;
      }
      const int ordinal = seen[{child->GetTypeCode(), child->GetName()}]++;
      std::string step = NodeTypeName(child->GetTypeCode()) + " " +
                         JsonString(child->GetName());
      if (ordinal > 0) {
        step.append("[").append(std::to_string(ordinal)).append("]");
      }
      std::string childPath = here == kRootPath ? std::string() : here + "/";
      childPath += step;
      Take(*child, std::move(childPath), here);
    }
    ancestors_.pop_back();
  }

private:
  SceneSnapshot &snapshot_;
  std::string_view folder_;
  std::vector<const SceneNode *> ancestors_;
};

// Byte for byte; a file that cannot be read is not the same.
bool SameFileBytes(const std::string &a, const std::string &b) {
  std::ifstream first(a, std::ios::binary);
  std::ifstream second(b, std::ios::binary);
  if (!first || !second) {
    return false;
  }
  std::array<char, 65536> x{};
  std::array<char, 65536> y{};
  while (true) {
    first.read(x.data(), x.size());
    second.read(y.data(), y.size());
    const std::streamsize got = first.gcount();
    if (got != second.gcount() ||
        !std::equal(x.data(), x.data() + got, y.data())) {
      return false;
    }
    if (got == 0 || !first || !second) {
      return first.eof() && second.eof();
    }
  }
}

using NodeMap =
    std::unordered_map<std::string_view, const SceneSnapshot::Node *>;

NodeMap MapNodes(const SceneSnapshot &snapshot) {
  NodeMap map;
  for (const SceneSnapshot::Node &node : snapshot.nodes) {
    map.emplace(node.path, &node);
  }
  return map;
}

void CompareParams(const SceneSnapshot::Node &before,
                   const SceneSnapshot::Node &after,
                   std::vector<NodeChange> &changes) {
  std::unordered_map<std::string_view, const SceneSnapshot::Param *> inAfter;
  for (const SceneSnapshot::Param &param : after.params) {
    inAfter.emplace(param.key, &param);
  }
  std::set<std::string_view> matched;
  for (const SceneSnapshot::Param &param : before.params) {
    auto found = inAfter.find(param.key);
    if (found == inAfter.end()) {
      changes.push_back(
          {ChangeKind::Removed, before.path, param.label, param.value, ""});
    } else if (found->second->value != param.value) {
      changes.push_back({ChangeKind::Changed, before.path, param.label,
                         param.value, found->second->value});
    }
    matched.insert(param.key);
  }
  for (const SceneSnapshot::Param &param : after.params) {
    if (!matched.contains(param.key)) {
      changes.push_back(
          {ChangeKind::Added, after.path, param.label, "", param.value});
    }
  }
}

std::string_view KindJson(ChangeKind kind) {
  switch (kind) {
  case ChangeKind::Added:
    return "\"added\"";
  case ChangeKind::Removed:
    return "\"removed\"";
  case ChangeKind::Changed:
    return "\"changed\"";
  }
  return "\"changed\"";
}

char KindMark(ChangeKind kind) {
  switch (kind) {
  case ChangeKind::Added:
    return '+';
  case ChangeKind::Removed:
    return '-';
  case ChangeKind::Changed:
    return '~';
  }
  return '~';
}

} // namespace

SceneSnapshot TakeSceneSnapshot(const SceneNode &root,
                                std::string_view folder) {
  SceneSnapshot snapshot;
  SnapshotTaker(snapshot, folder).Take(root, std::string(kRootPath), "");
  return snapshot;
}

SceneDiff CompareScenes(const SceneSnapshot &before,
                        const SceneSnapshot &after) {
  SceneDiff diff;
  const NodeMap beforeNodes = MapNodes(before);
  const NodeMap afterNodes = MapNodes(after);
  for (const SceneSnapshot::Node &node : before.nodes) {
    auto found = afterNodes.find(node.path);
    if (found != afterNodes.end()) {
      CompareParams(node, *found->second, diff.nodes);
    } else if (node.parent.empty() || afterNodes.contains(node.parent)) {
      diff.nodes.push_back({ChangeKind::Removed, node.path, "", "", ""});
    }
  }
  for (const SceneSnapshot::Node &node : after.nodes) {
    if (!beforeNodes.contains(node.path) &&
        (node.parent.empty() || beforeNodes.contains(node.parent))) {
      diff.nodes.push_back({ChangeKind::Added, node.path, "", "", ""});
    }
  }
  for (const auto &[name, path] : before.files) {
    auto found = after.files.find(name);
    if (found == after.files.end()) {
      diff.files.push_back({ChangeKind::Removed, name});
    } else if (!SameFileBytes(path, found->second)) {
      diff.files.push_back({ChangeKind::Changed, name});
    }
  }
  for (const auto &[name, path] : after.files) {
    if (!before.files.contains(name)) {
      diff.files.push_back({ChangeKind::Added, name});
    }
  }
  // Files by name, whichever side they are on.
  std::stable_sort(
      diff.files.begin(), diff.files.end(),
      [](const FileChange &a, const FileChange &b) { return a.file < b.file; });
  return diff;
}

std::string FormatDiffText(const SceneDiff &diff) {
  std::string text;
  for (const NodeChange &change : diff.nodes) {
    text.append(1, KindMark(change.kind)).append(" ").append(change.node);
    if (!change.param.empty()) {
      text.append(" ").append(change.param).append(": ");
      switch (change.kind) {
      case ChangeKind::Added:
        text += change.after;
        break;
      case ChangeKind::Removed:
        text += change.before;
        break;
      case ChangeKind::Changed:
        text.append(change.before).append(" -> ").append(change.after);
        break;
      }
    }
    text += '\n';
  }
  for (const FileChange &change : diff.files) {
    text.append(1, KindMark(change.kind))
        .append(" file ")
        .append(change.file)
        .append("\n");
  }
  const std::size_t count = diff.Count();
  text +=
      std::to_string(count) + (count == 1 ? " difference\n" : " differences\n");
  return text;
}

std::string FormatDiffJson(const SceneDiff &diff) {
  std::string json = "{\"nodes\": [";
  const char *separator = "\n  ";
  for (const NodeChange &change : diff.nodes) {
    json += separator;
    json += "{\"kind\": ";
    json += KindJson(change.kind);
    json += ", \"node\": " + JsonString(change.node);
    if (!change.param.empty()) {
      json += ", \"param\": " + JsonString(change.param);
      if (change.kind != ChangeKind::Added) {
        json += ", \"before\": " + JsonString(change.before);
      }
      if (change.kind != ChangeKind::Removed) {
        json += ", \"after\": " + JsonString(change.after);
      }
    }
    json += "}";
    separator = ",\n  ";
  }
  json += "],\n \"files\": [";
  separator = "\n  ";
  for (const FileChange &change : diff.files) {
    json += separator;
    json += "{\"kind\": ";
    json += KindJson(change.kind);
    json += ", \"file\": " + JsonString(change.file) + "}";
    separator = ",\n  ";
  }
  return json + "]}\n";
}

} // namespace vorafile::cli
