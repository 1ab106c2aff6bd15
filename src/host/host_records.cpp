#include "host/host_records.h"

#include "document/scene_document.h"
#include "host/node_info_block.h"
#include "nodes/core/scene_node.h"
#include "platform/shared_memory.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <optional>
#include <string>

namespace vorafile::host {

using nodes::ParamValue;
using nodes::SceneNode;
using nodes::SubItem;
using nodes::SubItemVisitor;

namespace {

void CopyName(char (&text)[VORA_PARAM_TEXT_SIZE], std::string_view name) {
  const std::size_t length = std::min(name.size(), sizeof text - 1);
  std::memcpy(text, name.data(), length);
  text[length] = '\0';
}

// Takes the sub-item with that id and key, if the node lists one.
class SubItemFinder final : public SubItemVisitor {
public:
  SubItemFinder(int id, int key) : id_(id), key_(key) {}
  void Visit(const SubItem &item) override {
    if (!value && item.id == id_ && item.key == key_) {
      value = item.value;
      name = std::string(item.name);
    }
  }
  std::optional<ParamValue> value;
  std::string name;

private:
  int id_;
  int key_;
};

class SubItemCounter final : public SubItemVisitor {
public:
  void Visit(const SubItem &) override { ++count; }
  std::uint32_t count = 0;
};

// Packs values into the block's entries and shared view, in order.
class EntryFiller final : public SubItemVisitor {
public:
  explicit EntryFiller(NodeInfoBlock &block) : block_(block) {}

  /// False, and nothing written, when the value does not fit in the block.
  bool Fill(int id, int extra, std::string_view name, const ParamValue &value) {
    assert(filled < block_.count && "a node listed more entries than counted");
    if (failed_ || filled == block_.count) {
      failed_ = true;
      return false;
    }
    const std::size_t size = value.GetSize();
    // The block has a fixed size; values that do not fit fail the fill
    // rather than run past its end.
    if (size > VORA_SHARED_BLOCK_SIZE - block_.used) {
      failed_ = true;
      return false;
    }
    ParamQuery &query = block_.entries[filled++];
    query.id = static_cast<std::uint32_t>(id);
    query.extra = extra;
    CopyName(query.text, name);
    query.valueType = static_cast<std::uint32_t>(value.GetType());
    query.size = static_cast<std::uint32_t>(size);
    query.data = static_cast<unsigned char *>(block_.view) + block_.used;
    // `size` is the value's own size: the copy cannot fall short.
    (void)value.CopyBytes(query.data, size);
    block_.used += static_cast<std::uint32_t>(size);
    return true;
  }
  void Visit(const SubItem &item) override {
    Fill(item.id, item.key, item.name, item.value);
  }
  [[nodiscard]] bool HasFailed() const { return failed_; }

  std::uint32_t filled = 0;

private:
  NodeInfoBlock &block_;
  bool failed_ = false;
};

} // namespace

bool ReadParam(SceneNode &node, ParamQuery &query) {
  const int id = static_cast<int>(query.id);
  ParamValue value;
  std::string name;
  SubItemFinder subItem(id, query.extra);
  if (query.extra != -1) {
    node.VisitSubItems(subItem);
  }
  if (subItem.value) {
    value = *subItem.value;
    name = subItem.name;
  } else if (node.GetParamValue(id, value, query.extra)) {
    name = node.GetParamName(id, -1);
  } else {
    return false;
  }
  CopyName(query.text, name);
  query.valueType = static_cast<std::uint32_t>(value.GetType());
  const auto size = static_cast<std::uint32_t>(value.GetSize());
  if (query.size < size) {
    query.size = size;
    return false;
  }
  query.size = size;
  if (query.data == nullptr) {
    return false;
  }
  return value.CopyBytes(query.data, size);
}

bool WriteParam(SceneNode &node, const ParamQuery &query) {
  if (query.data == nullptr) {
    return false;
  }
  const void *source = query.data;
  std::string text;
  if (query.valueType == VORA_VALUE_STRING) {
    const char *chars = static_cast<const char *>(query.data);
    text.assign(chars, query.size > 0 ? strnlen(chars, query.size)
                                      : std::strlen(chars));
    source = text.c_str();
  }
  return SceneDocument::WriteParamChecked(node, static_cast<int>(query.id),
                                          source, query.valueType, query.size,
                                          query.extra);
}

bool FillInfo(SceneNode &node, NodeInfoBlock &block) {
  if (block.recordSize != sizeof(NodeInfoBlock)) {
    return false;
  }
  SubItemCounter subItems;
  node.VisitSubItems(subItems);
  const auto &params = node.GetParamArray();
  const auto plain = std::count_if(params.begin(), params.end(),
                                   [](const nodes::NodeParam &param) {
                                     return param.GetValue() != nullptr;
                                   });
  const std::size_t count = static_cast<std::size_t>(plain) + subItems.count;
  block.count = static_cast<std::uint32_t>(count);
  if (count == 0) {
    return true;
  }
  block.entries = AllocateNodeInfoEntries(block.count);
  if (block.entries == nullptr) {
    return false;
  }
  std::optional<platform::SharedMapping> mapping =
      platform::MapSharedBlock(VORA_SHARED_BLOCK_NAME, VORA_SHARED_BLOCK_SIZE);
  if (!mapping) {
    return false;
  }
  block.mapping = mapping->handle;
  block.view = mapping->view;
  block.used = 0;

  EntryFiller filler(block);
  for (const nodes::NodeParam &param : params) {
    const ParamValue *value = param.GetValue();
    if (value == nullptr) {
      continue;
    }
    if (!filler.Fill(param.GetId(), -1, node.GetParamName(param.GetId(), -1),
                     *value)) {
      return false;
    }
  }
  node.VisitSubItems(filler);
  if (filler.HasFailed()) {
    return false;
  }
  assert(filler.filled == block.count && "a fill left counted entries empty");
  return true;
}

bool RemoveParam(SceneNode &node, std::uint32_t paramId, std::int32_t index) {
  return node.RemoveParam(static_cast<int>(paramId), index);
}

} // namespace vorafile::host
