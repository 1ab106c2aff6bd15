#include "nodes/core/scene_node.h"

#include "nodes/core/param_names.h"
#include "platform/ascii.h"

#include <algorithm>

namespace vorafile::nodes {

namespace {

// The process-wide node counter. Only the thread that calls the library's
// entry point makes nodes, so it takes no lock. Kept unsigned so that it
// wraps instead of overflowing.
std::uint32_t nextNodeId = 0;

int TakeNodeId() {
  const std::uint32_t id = nextNodeId++;
  return static_cast<int>(id);
}

} // namespace

void ResetNodeIdCounter() {
  nextNodeId = 0;
}

SceneNode::SceneNode() : SceneNode(nullptr, "unknown") {}

SceneNode::SceneNode(std::string_view name) : SceneNode(nullptr, name) {}

SceneNode::SceneNode(SceneNode *parent, std::string_view name)
    : name_(name), parent_(parent) {
  // The base operations, whatever the class replaces: "Name" and "NodeID"
  // always sit first in the base list.
  // A new list with valid codes: the adds cannot fail.
  (void)SceneNode::AddParam(param::kName, name_.c_str(), VORA_VALUE_STRING);
  nodeId_ = TakeNodeId();
  (void)SceneNode::AddParam(param::kNodeId, &nodeId_, VORA_VALUE_INT);
}

SceneNode::~SceneNode() {
  // A root being destroyed answers no registry here (its own override is
  // gone), so a whole scene is torn down without a scan per node.
  if (NodeRegistry *registry = GetSceneRegistry()) {
    registry->Forget(*this);
  }
  params_.clear();
  for (const ChildLink &link : children_) {
    LetGo(link);
  }
}

void SceneNode::LetGo(const ChildLink &link) {
  switch (link.hold) {
  case ChildHold::Owned:
    delete link.node;
    break;
  case ChildHold::Counted:
    // A count that started at 0 (a shared node held once) falls below 0
    // here; its only holder destroys it.
    if (link.node->Release() <= 0) {
      delete link.node;
    } else if (link.node->parent_ == this) {
      link.node->parent_ = nullptr;
    }
    break;
  case ChildHold::Reference:
    // Its owner may already have destroyed it: never touched.
    break;
  }
}

bool SceneNode::RemoveChild(int index) {
  if (index < 0 || index >= GetChildCount()) {
    return false;
  }
  const auto at = children_.begin() + index;
  const ChildLink link = *at;
  // Out of the list first, so that nothing the child's destructor reaches
  // finds it among the children.
  children_.erase(at);
  LetGo(link);
  return true;
}

// ---- Parameter operations -------------------------------------------------

const NodeParam *SceneNode::FindParam(int id) const {
  const auto found = std::find_if(
      params_.begin(), params_.end(),
      [id](const NodeParam &param) { return param.GetId() == id; });
  return found == params_.end() ? nullptr : &*found;
}

bool SceneNode::AddParam(int id, const void *source, std::uint32_t code,
                         int /*index*/) {
  if (FindParam(id) != nullptr) {
    return false;
  }
  NodeParam param;
  if (!param.Set(id, code, source)) {
    return false;
  }
  GrowToHold(params_, params_.size() + 1);
  params_.push_back(std::move(param));
  return true;
}

bool SceneNode::RemoveParam(int id, int /*index*/) {
  const auto found = std::find_if(
      params_.begin(), params_.end(),
      [id](const NodeParam &param) { return param.GetId() == id; });
  if (found == params_.end()) {
    return false;
  }
  params_.erase(found);
  return true;
}

bool SceneNode::GetParam(int id, void *out, std::size_t capacity,
                         std::uint32_t code, int /*index*/) const {
  const NodeParam *param = FindParam(id);
  if (param == nullptr || param->GetValue() == nullptr) {
    return false;
  }
  const ParamValue &value = *param->GetValue();
  if (static_cast<std::uint32_t>(value.GetType()) != code) {
    return false;
  }
  return value.CopyBytes(out, capacity);
}

bool SceneNode::GetParamValue(int id, ParamValue &out, int /*index*/) const {
  const NodeParam *param = FindParam(id);
  return param != nullptr && param->CopyValue(out);
}

bool SceneNode::SetParam(int id, const void *source, std::uint32_t code,
                         int /*index*/) {
  NodeParam param;
  if (!param.Set(id, code, source)) {
    return false;
  }
  const auto found =
      std::find_if(params_.begin(), params_.end(),
                   [id](const NodeParam &p) { return p.GetId() == id; });
  if (found != params_.end()) {
    *found = std::move(param);
    return true;
  }
  GrowToHold(params_, params_.size() + 1);
  params_.push_back(std::move(param));
  return true;
}

std::string SceneNode::GetParamName(int id, int /*reserved*/) const {
  return std::string(ParamNameOf(id));
}

int SceneNode::GetParamCount() const {
  return static_cast<int>(params_.size());
}

std::uint32_t SceneNode::GetParamSize(int id, int /*reserved*/,
                                      int /*index*/) const {
  const NodeParam *param = FindParam(id);
  if (param == nullptr || param->GetValue() == nullptr) {
    return kParamSizeAbsent;
  }
  return static_cast<std::uint32_t>(param->GetValue()->GetSize());
}

std::size_t SceneNode::GetParamsSize() const {
  std::size_t total = 0;
  for (const NodeParam &param : params_) {
    if (const ParamValue *value = param.GetValue()) {
      total += value->GetSize();
    }
  }
  return total;
}

int SceneNode::GetParamId(std::string_view name) const {
  return ParamIdOf(name);
}

void SceneNode::VisitSubItems(SubItemVisitor & /*visitor*/) const {}

bool SceneNode::AddParamValue(int id, const ParamValue &value, int index) {
  return AddParam(id, value.GetSource(),
                  static_cast<std::uint32_t>(value.GetType()), index);
}

bool SceneNode::SetParamValue(int id, const ParamValue &value, int index) {
  return SetParam(id, value.GetSource(),
                  static_cast<std::uint32_t>(value.GetType()), index);
}

std::optional<std::string> SceneNode::ComposeParamName(int id1, int id2) const {
  std::string name = GetParamName(id1);
  if (name.empty()) {
    return std::nullopt;
  }
  if (id2 != param::kToBeIdentified) {
    name.push_back(' ');
    name.append(GetParamName(id2));
  }
  return name;
}

// ---- The scene's node index ----------------------------------------------

NodeRegistry *SceneNode::GetSceneRegistry() {
  SceneNode *root = GetRoot();
  return root != nullptr ? root->GetKeptRegistry() : nullptr;
}

void SceneNode::RegisterWithRoot() {
  RegisterWithRoot(GetTypeCode());
}

void SceneNode::RegisterWithRoot(int nodeType) {
  if (NodeRegistry *registry = GetSceneRegistry()) {
    registry->Register(nodeType, nodeId_, *this);
  }
}

// ---- Tree -----------------------------------------------------------------

void SceneNode::AppendChild(SceneNode *child, ChildHold hold) {
  GrowToHold(children_, children_.size() + 1);
  children_.push_back(ChildLink{child, hold});
}

void SceneNode::AdoptChild(std::unique_ptr<SceneNode> child) {
  assert(child != nullptr && "a child must be a node");
  if (child == nullptr) {
    return;
  }
  const ChildHold hold =
      child->IsShared() ? ChildHold::Counted : ChildHold::Owned;
  // Make room first: if that throws, the unique_ptr still owns the child.
  GrowToHold(children_, children_.size() + 1);
  child->parent_ = this;
  children_.push_back(ChildLink{child.release(), hold});
}

void SceneNode::AddSharedChild(SceneNode &child) {
  assert(child.IsShared() && child.GetRefCount() > 0 &&
         "only a counted shared node can have further holders");
  if (!child.IsShared() || child.GetRefCount() <= 0) {
    AppendChild(&child, ChildHold::Reference);
    return;
  }
  AppendChild(&child, ChildHold::Counted);
  child.AddRef();
  child.parent_ = this;
}

void SceneNode::AddReferenceChild(SceneNode &child) {
  AppendChild(&child, ChildHold::Reference);
}

SceneNode *SceneNode::GetChild(int index) const {
  if (index < 0 || index >= GetChildCount()) {
    return nullptr;
  }
  return children_[static_cast<std::size_t>(index)].node;
}

std::optional<SceneNode::ChildHold> SceneNode::GetChildHold(int index) const {
  if (index < 0 || index >= GetChildCount()) {
    return std::nullopt;
  }
  return children_[static_cast<std::size_t>(index)].hold;
}

SceneNode *SceneNode::FindChild(Kind kind, int ordinal) const {
  if (ordinal < 0) {
    return nullptr;
  }
  int seen = 0;
  for (const ChildLink &link : children_) {
    if (link.node->kind_ == kind) {
      if (seen == ordinal) {
        return link.node;
      }
      ++seen;
    }
  }
  return nullptr;
}

template <class Match>
SceneNode *SceneNode::FindDescendant(Kind kind, const Match &match) const {
  for (const ChildLink &link : children_) {
    if (link.node->kind_ == kind && match(*link.node)) {
      return link.node;
    }
  }
  for (const ChildLink &link : children_) {
    if (SceneNode *found = link.node->FindDescendant(kind, match)) {
      return found;
    }
  }
  return nullptr;
}

SceneNode *SceneNode::FindDescendantByTextParam(Kind kind, int paramId,
                                                std::string_view text) const {
  return FindDescendant(kind, [paramId, text](const SceneNode &node) {
    const auto value = node.GetTextParam(paramId);
    return value && ascii::EqualsIgnoreCase(*value, text);
  });
}

SceneNode *SceneNode::FindDescendantByIntParam(Kind kind, int paramId,
                                               std::int32_t value) const {
  return FindDescendant(kind, [paramId, value](const SceneNode &node) {
    const auto number = node.GetParamAs<std::int32_t>(paramId);
    return number && *number == value;
  });
}

SceneNode *SceneNode::GetRoot() {
  for (SceneNode *node = this; node != nullptr; node = node->parent_) {
    if (node->kind_ == Kind::SceneRoot) {
      return node;
    }
  }
  return nullptr;
}

const SceneNode *SceneNode::GetRoot() const {
  for (const SceneNode *node = this; node != nullptr; node = node->parent_) {
    if (node->kind_ == Kind::SceneRoot) {
      return node;
    }
  }
  return nullptr;
}

// ---- Inherited settings ---------------------------------------------------

int SceneNode::GetScriptVersion() const {
  for (const SceneNode *node = this; node != nullptr; node = node->parent_) {
    if (node->scriptVersion_ != 0) {
      return node->scriptVersion_;
    }
  }
  return 0;
}

std::optional<std::string_view> SceneNode::GetFolder() const {
  if (!folder_ && parent_ != nullptr) {
    if (const auto inherited = parent_->GetFolder()) {
      folder_ = std::string(*inherited);
    }
  }
  if (!folder_) {
    return std::nullopt;
  }
  return std::string_view(*folder_);
}

// ---- Shared nodes ---------------------------------------------------------

int SceneNode::AddRef() {
  if (!shared_) {
    return 0;
  }
  return ++refCount_;
}

int SceneNode::Release() {
  if (!shared_) {
    return 0;
  }
  return --refCount_;
}

} // namespace vorafile::nodes
