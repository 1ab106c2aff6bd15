// Packs arbitrary bytes as a scene folder into a cabinet and drives it as a
// host does: open, snapshot every node the host reaches, save, reopen, save
// and reopen again. The reopened scene must show every value the first open
// showed (less the root's values that no version-3 line holds; a scene not
// read from version 2 shows nothing more either), and from the first
// save on every node must go round unchanged. This reaches the file list
// check (and its problem report, which must agree with it), the migration
// list merge and every node file reader behind a real script, then the
// writers and the cabinet's both directions.
//
// A package that opens may still fail to save: every save packs the fixed
// files ("text.ini" among them), so a package without one cannot be saved.
// A first save that fails ends the run; one that succeeds must reopen, and
// the second save must succeed too.
//
// Input: NUL-separated parts. The first is the scene script, written as
// "vora.rudov" (not written when empty); the second is "FileList.ini"; each
// further part is a file whose name is its first line ("intro.ini\n[...").
// Names other than plain file names are skipped, as are repeated names.
//
// The snapshots read info blocks, which go through the session's one named
// shared block as the host's do: run this target alone, never beside the
// test suites or another host.
#include "document/scene_document.h"
#include "fuzz_support.h"
#include "host/file_manager.h"
#include "host/message_dispatcher.h"
#include "nodes/core/param_ids.h"
#include "package/cabinet_io.h"
#include "package/file_list.h"
#include "package/work_folder.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "scene_snapshot.h"
#include "vorafile/vorafile.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using vorafile::fuzz::Check;
using vorafile::fuzz::WorkFolder;
using vorafile::fuzz::WriteFile;

using vorafile::MessageDispatcher;
using vorafile::test::EntryKey;
using vorafile::test::SceneSnapshot;

// Scenes worth fuzzing are small; each run packs and unpacks three times.
constexpr std::size_t kMaxInputSize = 64 * 1024;
constexpr std::size_t kMaxFiles = 24;
constexpr std::size_t kMaxNameLength = 64;

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength || name == "." ||
      name == "..")
    return false;
  for (char c : name) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') || c == '.' || c == '_' ||
                         c == '-' || c == ' ';
    if (!allowed)
      return false;
  }
  return true;
}

// Writes the input's files into a fresh scene folder; answers their paths.
std::vector<std::string> WriteSceneFolder(const std::string &folder,
                                          std::string_view input) {
  vorafile::DeleteFolderTree(folder);
  Check(vorafile::platform::MakeFolder(folder));
  std::vector<std::pair<std::string, std::string>> files;
  std::set<std::string> names; // folded, as the package finds them
  for (std::size_t part = 0; !input.empty() || part < 2; ++part) {
    const std::size_t nul = input.find('\0');
    std::string_view text = input.substr(0, nul);
    input = nul == std::string_view::npos ? std::string_view()
                                          : input.substr(nul + 1);
    std::string name;
    if (part == 0) {
      if (text.empty())
        continue;
      name = vorafile::SceneDocument::kDeliveredScript;
    } else if (part == 1) {
      name = "FileList.ini";
    } else {
      const std::size_t end = text.find('\n');
      name = std::string(text.substr(0, end));
      text = end == std::string_view::npos ? std::string_view()
                                           : text.substr(end + 1);
      if (!IsPlainFileName(name))
        continue;
    }
    std::string folded = name;
    for (char &c : folded)
      c = vorafile::ascii::ToLower(c);
    if (files.size() < kMaxFiles && names.insert(folded).second)
      files.emplace_back(std::move(name), std::string(text));
  }
  std::vector<std::string> paths;
  for (const auto &[name, text] : files) {
    paths.push_back(folder + name);
    WriteFile(paths.back(), text);
  }
  return paths;
}

std::uintptr_t Arg(const std::string &text) {
  return reinterpret_cast<std::uintptr_t>(text.c_str());
}

SceneSnapshot TakeSnapshot(MessageDispatcher &dispatcher) {
  SceneSnapshot snapshot = vorafile::test::TakeSceneSnapshot(
      [&dispatcher](std::uint32_t message, std::uintptr_t p1, std::uintptr_t p2,
                    std::uintptr_t p3, std::uintptr_t p4) {
        return dispatcher.Send(message, p1, p2, p3, p4);
      });
  Check(snapshot.failedMessages == 0);
  return snapshot;
}

bool Open(MessageDispatcher &dispatcher, const std::string &cabinet) {
  return dispatcher.Send(VORA_MSG_OPEN_PACKAGE, Arg(cabinet), 0, 0, 0) == 1;
}

// Saves the open package as `cabinet` (the script first, as the host's
// save message does) and opens that; nothing when the save fails, which
// `mustSave` turns into a finding.
std::optional<SceneSnapshot> SaveAndReopen(MessageDispatcher &dispatcher,
                                           const std::string &cabinet,
                                           bool mustSave) {
  vorafile::FileManager &files = *dispatcher.GetFileManager();
  if (!files.Document().WriteScript()) {
    Check(!mustSave);
    return std::nullopt;
  }
  const vorafile::SaveResult result = files.SaveAs(cabinet);
  if (!result) {
    if (mustSave)
      std::fprintf(stderr, "save failed: %s\n", result.Describe().c_str());
    Check(!mustSave);
    return std::nullopt;
  }
  Check(Open(dispatcher, cabinet));
  return TakeSnapshot(dispatcher);
}

bool IsRootValue(const EntryKey &key, std::uint32_t id) {
  return std::get<0>(key) == VORA_NODE_SCENE_ROOT && std::get<2>(key) == id;
}

// Values of the root that no version-3 line holds (a version-2 header's,
// or the migration list's style): the first save drops them.
bool IsUnsavedRootValue(const EntryKey &key) {
  namespace param = vorafile::nodes::param;
  return IsRootValue(key, param::kSpecialField1) ||
         IsRootValue(key, param::kSpecialField2) ||
         IsRootValue(key, param::kStyle);
}

// Values that a save writes whether the scene held them or not: an effects
// file's count of preset files, 0 when its file had no count line.
bool IsAlwaysWrittenCount(const EntryKey &key) {
  namespace nodes = vorafile::nodes;
  return (std::get<0>(key) == VORA_NODE_LENS_EFFECTS &&
          std::get<2>(key) == nodes::lens_param::kNumLenses) ||
         (std::get<0>(key) == VORA_NODE_TRANSITION_EFFECT &&
          std::get<2>(key) == nodes::transition_param::kNumTfp);
}

// The bytes that SnapshotValueText gives as hex.
std::vector<unsigned char> HexBytes(const std::string &text) {
  std::vector<unsigned char> bytes;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2)
    bytes.push_back(
        static_cast<unsigned char>(std::stoul(text.substr(i, 2), nullptr, 16)));
  return bytes;
}

template <class Real>
bool AllClose(const std::string &before, const std::string &after,
              double tolerance) {
  const std::vector<unsigned char> a = HexBytes(before);
  const std::vector<unsigned char> b = HexBytes(after);
  if (a.size() != b.size() || a.size() % sizeof(Real) != 0)
    return false;
  for (std::size_t i = 0; i < a.size(); i += sizeof(Real)) {
    Real x{};
    Real y{};
    std::memcpy(&x, &a[i], sizeof x);
    std::memcpy(&y, &b[i], sizeof y);
    const double scale = std::max(1.0, std::fabs(static_cast<double>(x)));
    if (!(std::fabs(static_cast<double>(x) - static_cast<double>(y)) <=
          tolerance * scale))
      return false;
  }
  return true;
}

// A number that the first save wrote with fewer digits than it was read
// with: six decimals, four for a message's sizes, colours maybe as bytes.
bool IsWrittenRounding(std::uint32_t type, const std::string &before,
                       const std::string &after) {
  switch (type) {
  case VORA_VALUE_FLOAT:
  case VORA_VALUE_VECTOR:
  case VORA_VALUE_FLOAT_QUAD:
    return AllClose<float>(before, after, 5e-5);
  case VORA_VALUE_COLOR:
    return AllClose<float>(before, after, 0.5 / 255 + 1e-6);
  case VORA_VALUE_DOUBLE:
    return AllClose<double>(before, after, 5e-5);
  default:
    return false;
  }
}

// Every value of `opened` but the unsaved ones is in `saved` with the same
// text, or a number rounded as the writer writes it; a scene that was not read
// from version 2 (which the version-3 reader completes with its defaults) gains
// no value either, but for the counts that every save writes.
void CheckKeptValues(const SceneSnapshot &opened, const SceneSnapshot &saved) {
  namespace param = vorafile::nodes::param;
  bool wasVersion2 = false;
  std::size_t dropped = 0;
  std::size_t gained = 0;
  for (const auto &[key, value] : saved.values)
    if (IsAlwaysWrittenCount(key) && !opened.values.contains(key))
      ++gained;
  for (const auto &[key, value] : opened.values) {
    wasVersion2 = wasVersion2 || IsRootValue(key, param::kSpecialField1);
    const auto found = saved.values.find(key);
    if (found == saved.values.end() && IsUnsavedRootValue(key)) {
      ++dropped;
      continue;
    }
    if (found == saved.values.end() ||
        (found->second != value &&
         !IsWrittenRounding(opened.types.at(key), value, found->second))) {
      std::fprintf(stderr, "node %d:%d id %u (%d): \"%s\" became \"%s\"\n",
                   std::get<0>(key), std::get<1>(key), std::get<2>(key),
                   std::get<3>(key), value.c_str(),
                   found == saved.values.end() ? "(none)"
                                               : found->second.c_str());
      Check(false);
    }
  }
  Check(wasVersion2 ||
        saved.values.size() + dropped == opened.values.size() + gained);
}

// Names the first line that differs, for the triage of a finding.
void CheckSameLines(const std::vector<std::string> &expected,
                    const std::vector<std::string> &actual) {
  if (expected == actual)
    return;
  std::size_t i = 0;
  while (i < expected.size() && i < actual.size() && expected[i] == actual[i])
    ++i;
  std::fprintf(stderr, "line %zu: \"%s\" became \"%s\"\n", i,
               i < expected.size() ? expected[i].c_str() : "(none)",
               i < actual.size() ? actual[i].c_str() : "(none)");
  Check(false);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  if (size > kMaxInputSize)
    return 0;
  const std::string &work = WorkFolder();
  const std::string scene = work + "scene/";
  const std::vector<std::string> paths = WriteSceneFolder(
      scene, std::string_view(reinterpret_cast<const char *>(data), size));
  // The list's problems, which the check tool prints, are the reasons the
  // open's check fails: none exactly when it passes.
  Check(vorafile::FindFileListProblems(scene).empty() ==
        vorafile::CheckFileList(scene));
  const std::string cabinet = work + "in.cab";
  if (paths.empty() || !vorafile::PackCabinet(cabinet, scene, paths))
    return 0;

  MessageDispatcher dispatcher;
  Check(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0) == 1);
  if (Open(dispatcher, cabinet)) {
    const SceneSnapshot opened = TakeSnapshot(dispatcher);
    const std::optional<SceneSnapshot> saved =
        SaveAndReopen(dispatcher, work + "saved.cab", false);
    if (saved) {
      CheckKeptValues(opened, *saved);
      const std::optional<SceneSnapshot> again =
          SaveAndReopen(dispatcher, work + "again.cab", true);
      CheckSameLines(saved->lines, again.value().lines);
    }
  }
  Check(dispatcher.Send(VORA_MSG_DESTROY, 0, 0, 0, 0) == 1);
  return 0;
}
