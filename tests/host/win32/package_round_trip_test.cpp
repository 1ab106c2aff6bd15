// Windows-only program: the shipped example through the DLL as the player
// loads it. Opens the packed example, reads every node's info block, saves
// it, reopens the saved package and finds every node and value equal; the
// saved cabinet holds each file once.
#include "host/scene_snapshot.h"
#include "package/cabinet_io.h"
#include "support/cabinet_names.h"
#include "support/example_scene.h"
#include "vorafile/vorafile.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>
#include <windows.h>

namespace {

namespace fs = std::filesystem;

using SendFunction = std::uint32_t(VORAFILE_CALL *)(std::uint32_t,
                                                    std::uintptr_t,
                                                    std::uintptr_t,
                                                    std::uintptr_t,
                                                    std::uintptr_t);

int failures = 0;

void Expect(bool condition, const std::string &what) {
  if (!condition) {
    ++failures;
    std::fprintf(stderr, "FAILED: %s\n", what.c_str());
  }
}

std::uintptr_t Arg(const std::string &text) {
  return reinterpret_cast<std::uintptr_t>(text.c_str());
}

// The example packed into example.cab under `root`.
std::string PackExample(const fs::path &root) {
  const fs::path scene = root / "example";
  Expect(vorafile::test::CopyExampleScene(scene), "the example copies");
  std::vector<std::string> files;
  for (const auto &entry : fs::recursive_directory_iterator(scene)) {
    if (entry.is_regular_file()) {
      files.push_back(entry.path().string());
    }
  }
  const std::string cabinet = (root / "example.cab").string();
  Expect(vorafile::PackCabinet(cabinet, scene.string() + "\\", files),
         "the example packs");
  return cabinet;
}

vorafile::test::SceneSnapshot Snapshot(SendFunction send) {
  vorafile::test::SceneSnapshot snapshot = vorafile::test::TakeSceneSnapshot(
      [send](std::uint32_t message, std::uintptr_t p1, std::uintptr_t p2,
             std::uintptr_t p3,
             std::uintptr_t p4) { return send(message, p1, p2, p3, p4); });
  Expect(snapshot.failedMessages == 0, "every info block fills and frees");
  return snapshot;
}

void RoundTrip(SendFunction send, const fs::path &root) {
  const std::string cabinet = PackExample(root);
  const std::string saved = (root / "saved.cab").string();
  Expect(send(VORA_MSG_CREATE, 0, 0, 0, 0) == 1, "1000");
  Expect(send(VORA_MSG_OPEN_PACKAGE, Arg(cabinet), 0, 0, 0) == 1, "1002");
  const vorafile::test::SceneSnapshot before = Snapshot(send);
  for (int type : {VORA_NODE_OBJECT, VORA_NODE_OBJECT_CONFIG, VORA_NODE_DEF_REF,
                   VORA_NODE_MACRO_ENTRY, VORA_NODE_HYPER_PRESET_ENTRY,
                   VORA_NODE_MARQUEE}) {
    Expect(before.HasNodeOfType(type),
           "a node of type " + std::to_string(type));
  }
  Expect(send(VORA_MSG_SAVE_PACKAGE, Arg(saved), 0, 0, 0) == 1, "1003");
  Expect(send(VORA_MSG_OPEN_PACKAGE, Arg(saved), 0, 0, 0) == 1,
         "1002 of the saved package");
  const vorafile::test::SceneSnapshot after = Snapshot(send);
  Expect(send(VORA_MSG_DESTROY, 0, 0, 0, 0) == 1, "1001");
  Expect(!before.values.empty() && before.values == after.values,
         "the saved scene shows the same values");
  for (const auto &[key, value] : before.values) {
    const auto found = after.values.find(key);
    if (found == after.values.end() || found->second != value) {
      std::fprintf(stderr, "  differs: type %d ordinal %d id %u\n",
                   std::get<0>(key), std::get<1>(key), std::get<2>(key));
    }
  }

  std::vector<std::string> names =
      vorafile::test::ReadCabinetNames(saved).value_or(
          std::vector<std::string>{});
  for (std::string &name : names) {
    std::transform(name.begin(), name.end(), name.begin(), [](char c) {
      return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
  }
  std::sort(names.begin(), names.end());
  Expect(names.size() >= 20, "the saved cabinet holds the example's files");
  Expect(std::adjacent_find(names.begin(), names.end()) == names.end(),
         "each file is packed once");
}

} // namespace

int main() {
  const fs::path root =
      fs::temp_directory_path() /
      ("vorafile-round-trip-" + std::to_string(::GetCurrentProcessId()));
  fs::create_directories(root);
  // The library's working folders go under `root`.
  ::SetEnvironmentVariableA("TMP", root.string().c_str());
  _putenv_s("TMP", root.string().c_str());

  HMODULE library = ::LoadLibraryA("vorafile.dll");
  if (library == nullptr) {
    std::fprintf(stderr, "FAILED: vorafile.dll does not load\n");
    return 1;
  }
  // GetProcAddress answers a generic function pointer.
  const auto send = reinterpret_cast<SendFunction>(
      reinterpret_cast<void *>(::GetProcAddress(library, "SendVoraFileMsg")));
  Expect(send != nullptr, "the entry is exported");
  if (send != nullptr) {
    RoundTrip(send, root);
  }
  Expect(::FreeLibrary(library) != 0, "FreeLibrary");

  std::error_code ignored;
  if (failures == 0) {
    fs::remove_all(root, ignored);
  }
  std::printf("%d failed\n", failures);
  return failures == 0 ? 0 : 1;
}
