// The base of every scene node.
//
// A node has a name fixed at construction, a kind (its node type code), a
// serial id from the process-wide node counter, a parent, children and a
// parameter list. Every node's first two parameters are "Name" (160, String)
// and "NodeID" (163, Int). The scene document, the scene script reader and
// writer and the host reach any node through the virtual operations below
// without knowing its class; node classes supply Write and Read and may
// replace the parameter operations (indexed parameters use the `index`
// argument, which the base ignores).
//
// Ownership: a node owns its parameters and its children. Children are held
// one of three ways (ChildHold): owned (destroyed with the parent), counted
// (a shared node: the parent releases one hold and the release that brings
// the count to 0 or below destroys it, so a shared node whose count started
// at 0 and was never raised dies with its one holder), or referenced
// (another node owns it; the parent never touches it, not even when it is
// destroyed, so its owner may destroy it first).
//
// Allocation failure surfaces as std::bad_alloc from the growth of the
// parameter and child arrays; nodes do not catch it (the message entry
// does).
#ifndef VORAFILE_NODES_CORE_SCENE_NODE_H
#define VORAFILE_NODES_CORE_SCENE_NODE_H

#include "nodes/core/node_registry.h"
#include "nodes/core/param_value.h"
#include "nodes/core/sub_item_visitor.h"
#include "nodes/core/text_stream.h"
#include "vorafile/vorafile.h"

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorafile::nodes {

/// Sets the process-wide node counter to 0. The scene document calls it
/// just before it makes a new SceneRoot, so the root has id 0 and every
/// further node the next number in order of construction.
void ResetNodeIdCounter();

/// Result of GetParamSize for an id that the node does not hold.
inline constexpr std::uint32_t kParamSizeAbsent = 0xFFFFFFFFu;

/// Results of Read besides a file position.
inline constexpr std::int64_t kReadFailed = 0;
/// A preset block reader met the end of the file inside its block.
inline constexpr std::int64_t kReadEndOfFile = -1;

class SceneNode {
public:
  /// Node type codes, as nodes and the node index table store them. Kinds
  /// 3, 4 and 8 are not used; 28 and 29 are extra index table row types
  /// and 30 ends the table (VORA_NODE_*), none of them a node's kind.
  enum class Kind : std::int32_t {
    Plain = 0,
    AudioAnalysis = VORA_NODE_AUDIO_ANALYSIS,
    Camera = VORA_NODE_CAMERA,
    DefRef = VORA_NODE_DEF_REF,
    FilterBand = VORA_NODE_FILTER_BAND,
    Intro = VORA_NODE_INTRO,
    Lighting = VORA_NODE_LIGHTING,
    DefFile = VORA_NODE_DEF_FILE,
    MessageData = VORA_NODE_MESSAGE_DATA,
    Object = VORA_NODE_OBJECT,
    DefPreset = VORA_NODE_DEF_PRESET,
    SceneRoot = VORA_NODE_SCENE_ROOT,
    Message = VORA_NODE_MESSAGE,
    LensEffects = VORA_NODE_LENS_EFFECTS,
    HyperPresetEntry = VORA_NODE_HYPER_PRESET_ENTRY,
    LensPreset = VORA_NODE_LENS_PRESET,
    LensPresetFile = VORA_NODE_LENS_PRESET_FILE,
    TransitionEffect = VORA_NODE_TRANSITION_EFFECT,
    TransitionPresetFile = VORA_NODE_TRANSITION_PRESET_FILE,
    TransitionPreset = VORA_NODE_TRANSITION_PRESET,
    ObjectConfig = VORA_NODE_OBJECT_CONFIG,
    Marquee = VORA_NODE_MARQUEE,
    MacroEffect = VORA_NODE_MACRO_EFFECT,
    MacroFile = VORA_NODE_MACRO_FILE,
    MacroEntry = VORA_NODE_MACRO_ENTRY,
  };

  enum class ChildHold : std::uint8_t { Owned, Counted, Reference };

  struct ChildLink {
    SceneNode *node;
    ChildHold hold;
  };

  /// Name "unknown", no parent.
  SceneNode();
  /// No parent.
  explicit SceneNode(std::string_view name);
  /// The parent is recorded; its children are not touched.
  SceneNode(SceneNode *parent, std::string_view name);

  SceneNode(const SceneNode &) = delete;
  SceneNode &operator=(const SceneNode &) = delete;

  /// Clears the node's rows from the scene's node index (a node discarded
  /// under a living root leaves no row behind; the index is reached through
  /// the parent, which must still exist), destroys the parameters,
  /// then the children in order: owned children are destroyed, counted
  /// children are released (and destroyed by the last release), referenced
  /// children are left alone.
  virtual ~SceneNode();

  /// Every node is a SceneNode (for IsA / DynCast).
  [[nodiscard]] static bool ClassOf(const SceneNode *) { return true; }

  // ---- Parameter operations (the base keeps one ordered list) ----------
  //
  // `source` holds raw value bytes as ParamValue::Assign reads them (for a
  // String a NUL-terminated text); `code` is a value type code.

  /// Appends a new parameter. False, and no change, when the id is present
  /// or the code is invalid.
  [[nodiscard]] virtual bool AddParam(int id, const void *source,
                                      std::uint32_t code, int index = -1);
  /// Removes the parameter with that id; false when there is none.
  [[nodiscard]] virtual bool RemoveParam(int id, int index = -1);
  /// Copies the value's bytes (ParamValue::CopyBytes) when the parameter
  /// holds exactly that type and they fit in `capacity`. False, and `out`
  /// untouched, for an absent id, another type, an invalid code or too
  /// small a buffer.
  [[nodiscard]] virtual bool GetParam(int id, void *out, std::size_t capacity,
                                      std::uint32_t code, int index = -1) const;
  /// Copies the value whatever its type; false when the id is absent.
  [[nodiscard]] virtual bool GetParamValue(int id, ParamValue &out,
                                           int index = -1) const;
  /// Replaces the parameter in place, or appends it. False, and no change,
  /// for an invalid code.
  [[nodiscard]] virtual bool SetParam(int id, const void *source,
                                      std::uint32_t code, int index = -1);
  /// Name of the id from the built-in table; "" when it has none.
  virtual std::string GetParamName(int id, int reserved = -1) const;
  virtual int GetParamCount() const;
  /// Size of the value (ParamValue::GetSize); kParamSizeAbsent if absent.
  virtual std::uint32_t GetParamSize(int id, int reserved = -1,
                                     int index = -1) const;
  /// Sum of the sizes of all values.
  virtual std::size_t GetParamsSize() const;
  /// Id of a name through the built-in index; 275 when unknown.
  virtual int GetParamId(std::string_view name) const;
  /// Hands the visitor every extra entry of the node (items of its indexed
  /// lists, not in the parameter list) in the order the class defines; the
  /// same entries in the same order on every call. The base has none.
  virtual void VisitSubItems(SubItemVisitor &visitor) const;

  // ---- The scene's node index ---------------------------------------

  /// The node index of this node's scene: the one its root keeps (reached
  /// through GetRoot()); null for a node outside a scene.
  NodeRegistry *GetSceneRegistry();

  // ---- File operations: every class supplies them ----------------------

  /// Writes the node's section (or, with a null sink, its own file) for
  /// the inherited script version; false on failure or for a version the
  /// class does not know.
  [[nodiscard]] virtual bool Write(TextSink *out) = 0;
  /// Reads the node's lines from `position` and returns the position where
  /// the caller continues (just after the last line consumed), kReadFailed
  /// on failure or for an unknown script version; preset block readers
  /// return kReadEndOfFile when the file ended inside their block. Nodes
  /// that read a file of their own may get a null source.
  virtual std::int64_t Read(TextSource *in, std::int64_t position) = 0;

  /// Where and why the last Read of this node failed, for the scene
  /// reader's diagnostics: the position of the line at fault (-1 when the
  /// failure is not a line's, as for a file of the node's own).
  struct ReadFailure {
    std::int64_t position = -1;
    std::string reason;
  };
  /// Nothing when no Read of this node recorded a failure.
  [[nodiscard]] const std::optional<ReadFailure> &GetReadFailure() const {
    return readFailure_;
  }

  // ---- Typed conveniences over the virtual operations ------------------

  [[nodiscard]] bool AddParamValue(int id, const ParamValue &value,
                                   int index = -1);
  [[nodiscard]] bool SetParamValue(int id, const ParamValue &value,
                                   int index = -1);
  /// The value of `id` if it has type T (through GetParamValue).
  template <class T> std::optional<T> GetParamAs(int id) const {
    ParamValue value;
    if (!GetParamValue(id, value)) {
      return std::nullopt;
    }
    const T *payload = value.GetIf<T>();
    return payload ? std::optional<T>(*payload) : std::nullopt;
  }
  /// The text of `id` if it is a String.
  [[nodiscard]] std::optional<std::string> GetTextParam(int id) const {
    return GetParamAs<std::string>(id);
  }

  // ---- Identity -----------------------------------------------------

  Kind GetKind() const { return kind_; }
  std::int32_t GetTypeCode() const { return static_cast<std::int32_t>(kind_); }
  void SetNodeType(Kind kind) { kind_ = kind; }
  const std::string &GetName() const { return name_; }
  int GetNodeId() const { return nodeId_; }

  // ---- Tree ----------------------------------------------------------

  SceneNode *GetParent() const { return parent_; }
  void SetParent(SceneNode *parent) { parent_ = parent; }

  /// Appends a child and sets its parent to this node. A shared child
  /// (IsShared) is held counted: the hold its constructor's count stands
  /// for passes to this node; any other child is owned.
  template <class T> T *AddChild(std::unique_ptr<T> child) {
    T *node = child.get();
    AdoptChild(std::unique_ptr<SceneNode>(std::move(child)));
    return node;
  }
  /// Holds a shared node that another holder made: takes a reference
  /// (AddRef) and appends it as a counted child whose parent is now this
  /// node. A node that is not shared is appended as a reference instead.
  void AddSharedChild(SceneNode &child);
  /// Appends a node that another node owns; its parent stays as it was and
  /// this node never destroys or releases it.
  void AddReferenceChild(SceneNode &child);
  /// Takes the child at `index` out of the children as the destructor lets
  /// it go: an owned child is destroyed, a counted one released (and
  /// destroyed by its last release), a referenced one left alone. The
  /// children behind it move one place forward. False when there is none.
  [[nodiscard]] bool RemoveChild(int index);

  int GetChildCount() const { return static_cast<int>(children_.size()); }
  /// The child at `index`, or null when there is none.
  SceneNode *GetChild(int index) const;
  /// How the child at `index` is held; nothing when there is none.
  [[nodiscard]] std::optional<ChildHold> GetChildHold(int index) const;
  /// The ordinal-th (from 0) child of that kind, in children order; null
  /// when there are not that many or the ordinal is negative.
  SceneNode *FindChild(Kind kind, int ordinal) const;

  /// The first node below this one (never this node) of that kind whose
  /// `paramId` is a String equal to `text` without regard to case: the
  /// direct children first, in order, then each child's subtree in order.
  SceneNode *FindDescendantByTextParam(Kind kind, int paramId,
                                       std::string_view text) const;
  /// The same for an Int parameter equal to `value`.
  SceneNode *FindDescendantByIntParam(Kind kind, int paramId,
                                      std::int32_t value) const;

  /// This node if it is a SceneRoot, else the nearest SceneRoot above it;
  /// null when there is none.
  SceneNode *GetRoot();
  const SceneNode *GetRoot() const;

  // ---- Inherited settings -------------------------------------------

  /// This node's script version if it is not 0, else the nearest one set
  /// above it; 0 when none is.
  int GetScriptVersion() const;
  void SetScriptVersion(int version) { scriptVersion_ = version; }
  /// This node's folder, or the nearest one above it, which is then kept
  /// in this node (the first call caches it); nothing when no node up to
  /// the top has one. Folders end with the path separator.
  [[nodiscard]] std::optional<std::string_view> GetFolder() const;
  void SetFolder(std::string_view folder) { folder_ = std::string(folder); }

  // ---- Shared nodes -------------------------------------------------

  [[nodiscard]] bool IsShared() const { return shared_; }
  int GetRefCount() const { return refCount_; }
  /// For shared nodes: raise the holder count and return it; other nodes
  /// change nothing and return 0.
  int AddRef();
  /// For shared nodes: lower the holder count and return it; other nodes
  /// change nothing and return 0.
  int Release();

  // ---- Parameter list -------------------------------------------------

  /// The parameters in list order (storage and capacity), for classes that
  /// write all their parameters.
  const std::vector<NodeParam> &GetParamArray() const { return params_; }
  std::size_t GetChildCapacity() const { return children_.capacity(); }

  /// GetParamName(id1), then, unless id2 is 275, one space and
  /// GetParamName(id2). Nothing when id1 has no name.
  [[nodiscard]] std::optional<std::string> ComposeParamName(int id1,
                                                            int id2) const;

protected:
  /// Marks the node as shared, held by `holders` holders (the count its
  /// class starts it with).
  void MakeShared(int holders) {
    shared_ = true;
    refCount_ = holders;
  }
  /// Registers the node in the scene's node index under its own kind;
  /// nothing happens without a root.
  void RegisterWithRoot();
  /// The same under another row type (the extra rows of orb nodes).
  void RegisterWithRoot(int nodeType);

  /// The node index this node keeps for its scene: only the scene root
  /// keeps one. Called from ~SceneNode as well, where it resolves to this
  /// base version for a root being destroyed, so that the nodes it
  /// destroys do not reach back into its index.
  virtual NodeRegistry *GetKeptRegistry() { return nullptr; }

  /// The parameter with that id in the base list, or null.
  const NodeParam *FindParam(int id) const;

  /// Records why Read fails and answers kReadFailed, so that a reader ends
  /// with `return FailRead(lineStart, "why");`. The first failure is kept:
  /// later ones are its consequences.
  std::int64_t FailRead(std::int64_t position, std::string reason) {
    if (!readFailure_) {
      readFailure_ = ReadFailure{position, std::move(reason)};
    }
    return kReadFailed;
  }

private:
  void AdoptChild(std::unique_ptr<SceneNode> child);
  /// Destroys, releases or leaves the child as its hold says.
  void LetGo(const ChildLink &link);
  void AppendChild(SceneNode *child, ChildHold hold);
  template <class Match>
  SceneNode *FindDescendant(Kind kind, const Match &match) const;

  std::vector<NodeParam> params_;
  std::vector<ChildLink> children_;
  mutable std::optional<std::string> folder_;
  std::optional<ReadFailure> readFailure_;
  std::string name_;
  SceneNode *parent_ = nullptr;
  int refCount_ = 0;
  int nodeId_ = 0;
  int scriptVersion_ = 0;
  Kind kind_ = Kind::Plain;
  bool shared_ = false;
};

/// Checked downcasts by kind: every node class T has a static
/// ClassOf(const SceneNode *).
template <class T> bool IsA(const SceneNode *node) {
  return node != nullptr && T::ClassOf(node);
}
template <class T> T *DynCast(SceneNode *node) {
  return IsA<T>(node) ? static_cast<T *>(node) : nullptr;
}
template <class T> const T *DynCast(const SceneNode *node) {
  return IsA<T>(node) ? static_cast<const T *>(node) : nullptr;
}
template <class T> T &Cast(SceneNode &node) {
  assert(T::ClassOf(&node) && "node is not of the expected class");
  return static_cast<T &>(node);
}

/// Makes room for `count` entries the way the node arrays grow: from the
/// current capacity (1 if it is 0), doubling until it holds `count`.
template <class T> void GrowToHold(std::vector<T> &array, std::size_t count) {
  std::size_t capacity = array.capacity();
  if (capacity >= count) {
    return;
  }
  if (capacity == 0) {
    capacity = 1;
  }
  while (capacity < count) {
    capacity = capacity > array.max_size() / 2 ? count : capacity * 2;
  }
  array.reserve(capacity);
}

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CORE_SCENE_NODE_H
