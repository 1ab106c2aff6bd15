// Windows-only program: unloading the library with a package open. The
// library's detach runs under the loader lock, where it may delete the
// working folder but must free no library and wait on no thread; the
// program checks that FreeLibrary returns, that the working folder is gone
// and that a reloaded library starts afresh.
#include "package/cabinet_io.h"
#include "vorafile/vorafile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

void Expect(bool condition, const char *what) {
  if (!condition) {
    ++failures;
    std::fprintf(stderr, "FAILED: %s\n", what);
  }
}

void WriteFile(const fs::path &path, const std::string &contents) {
  std::ofstream out(path, std::ios::binary);
  out << contents;
}

// A version-3 scene packed into scene.cab under `root`.
std::string PackScene(const fs::path &root) {
  const fs::path scene = root / "scene";
  fs::create_directories(scene);
  WriteFile(scene / "vora.vrc", "Version 3\nBrightness 0.5\n");
  WriteFile(scene / "intro.ini", "[Introduction]\r\nTitle=Test\r\n");
  WriteFile(scene / "text.ini", "[General]\r\nRate=50\r\n");
  WriteFile(scene / "FileList.ini",
            "[3d]\r\nCount=1\r\n1=vora.vrc\r\n[Texture]\r\nCount=0\r\n");
  std::vector<std::string> files;
  for (const auto &entry : fs::directory_iterator(scene)) {
    files.push_back(entry.path().string());
  }
  const std::string cabinet = (root / "scene.cab").string();
  Expect(vorafile::PackCabinet(cabinet, scene.string() + "\\", files),
         "the scene packs");
  return cabinet;
}

std::size_t WorkFolderCount(const fs::path &root) {
  std::size_t count = 0;
  for (const auto &entry : fs::directory_iterator(root)) {
    count += entry.path().filename().string().rfind("__", 0) == 0;
  }
  return count;
}

SendFunction FindEntry(HMODULE library) {
  // GetProcAddress answers a generic function pointer.
  return reinterpret_cast<SendFunction>(
      reinterpret_cast<void *>(::GetProcAddress(library, "SendVoraFileMsg")));
}

} // namespace

int main() {
  const fs::path root =
      fs::temp_directory_path() /
      ("vorafile-dll-unload-" + std::to_string(::GetCurrentProcessId()));
  fs::create_directories(root);
  // The library's working folders go under `root`.
  ::SetEnvironmentVariableA("TMP", root.string().c_str());
  _putenv_s("TMP", root.string().c_str());
  const std::string cabinet = PackScene(root);

  HMODULE library = ::LoadLibraryA("vorafile.dll");
  if (library == nullptr) {
    std::fprintf(stderr, "FAILED: vorafile.dll does not load\n");
    return 1;
  }
  SendFunction send = FindEntry(library);
  Expect(send != nullptr, "the entry is exported");
  if (send != nullptr) {
    Expect(send(VORA_MSG_CREATE, 0, 0, 0, 0) == 1, "1000");
    Expect(send(VORA_MSG_OPEN_PACKAGE,
                reinterpret_cast<std::uintptr_t>(cabinet.c_str()), 0, 0,
                0) == 1,
           "1002");
    Expect(WorkFolderCount(root) == 1, "the open made a working folder");
  }
  Expect(::FreeLibrary(library) != 0, "FreeLibrary");
  Expect(WorkFolderCount(root) == 0, "the unload deleted the working folder");

  // A second load starts with no file manager.
  library = ::LoadLibraryA("vorafile.dll");
  Expect(library != nullptr, "the library loads again");
  if (library != nullptr) {
    send = FindEntry(library);
    Expect(send != nullptr && send(VORA_MSG_NOTHING, 0, 0, 0, 0) == 0,
           "1004 after reloading");
    Expect(send != nullptr && send(VORA_MSG_CREATE, 0, 0, 0, 0) == 1,
           "1000 after reloading");
    Expect(::FreeLibrary(library) != 0, "second FreeLibrary");
  }

  std::error_code ignored;
  if (failures == 0) {
    fs::remove_all(root, ignored);
  }
  std::printf("%d failed\n", failures);
  return failures == 0 ? 0 : 1;
}
