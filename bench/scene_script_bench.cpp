// Scene script reading and writing, and parameter reads through the
// message dispatch.
//
//   build/release/bench/scene_script_bench
#include "document/scene_document.h"
#include "document/scene_root.h"
#include "host/message_dispatcher.h"
#include "nodes/core/text_stream.h"
#include "platform/file_system.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

using vorafile::SceneRoot;

// A working folder with an introduction page, made once.
const std::string &SceneFolder() {
  static const std::string folder = [] {
    std::optional<std::string> made = vorafile::platform::MakeFreshFolder(
        vorafile::platform::TempFolder(), "__bench");
    std::string path = vorafile::platform::WithTrailingSeparator(*made);
    std::FILE *intro = std::fopen((path + "intro.ini").c_str(), "wb");
    std::fputs("[Introduction]\r\nOnOff=1\r\nTime=2500\r\n"
               "Title=Benchmark\r\nCoverLoc=10,20,30,40\r\n",
               intro);
    std::fclose(intro);
    return path;
  }();
  return folder;
}

// A version-3 script of about `bytes` bytes: the root settings, then
// counted category lines and comments.
std::string MakeScript(std::size_t bytes) {
  std::string script = "Version 3\nFramesPerSecond\t30.000000\n"
                       "Brightness\t0.750000\nResponsivness\t2.000000\n"
                       "Tmap\t1\nLights\t3\nTDFX\t1\t25\nNumObjects\t0\n"
                       "MsgOn\t1\nSceneLockMp3\tsong.mp3\n";
  for (int i = 0; script.size() < bytes; ++i) {
    script += "EffectPresetCategoryInfo\tCategory" + std::to_string(i) + "\t" +
              std::to_string(i % 7) + "\t" + std::to_string(i % 3) + "\n";
    script += "; tuned for the chorus of track " + std::to_string(i) + "\n";
  }
  return script;
}

void BM_ReadScript(benchmark::State &state) {
  const std::string script =
      MakeScript(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    vorafile::nodes::ResetNodeIdCounter();
    SceneRoot root;
    root.SetFolder(SceneFolder());
    vorafile::nodes::StringSource source(script);
    benchmark::DoNotOptimize(root.Read(&source, 0));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(script.size()));
}
BENCHMARK(BM_ReadScript)
    ->Arg(4 << 10)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMicrosecond);

// Writing is dominated by the introduction page, which goes through the
// private-profile functions key by key.
void BM_WriteScript(benchmark::State &state) {
  vorafile::nodes::ResetNodeIdCounter();
  SceneRoot root;
  root.SetFolder(SceneFolder());
  vorafile::nodes::StringSource source(MakeScript(1024));
  if (root.Read(&source, 0) == vorafile::nodes::kReadFailed) {
    state.SkipWithError("script does not read");
    return;
  }
  std::size_t written = 0;
  for (auto _ : state) {
    vorafile::nodes::StringSink sink;
    benchmark::DoNotOptimize(root.Write(&sink));
    written += sink.GetText().size();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(written));
}
BENCHMARK(BM_WriteScript)->Unit(benchmark::kMicrosecond);

void BM_ReadParamMessage(benchmark::State &state) {
  std::FILE *script = std::fopen((SceneFolder() + "vora.vrc").c_str(), "wb");
  const std::string text = MakeScript(1024);
  std::fwrite(text.data(), 1, text.size(), script);
  std::fclose(script);

  vorafile::MessageDispatcher dispatcher;
  dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0);
  if (!dispatcher.GetFileManager()->Document().Open(SceneFolder())) {
    state.SkipWithError("scene does not open");
    return;
  }
  float value = 0;
  ParamQuery query{};
  query.id = 3; // Brightness
  query.extra = -1;
  query.data = &value;
  query.size = sizeof value;
  const auto queryArg = reinterpret_cast<std::uintptr_t>(&query);
  for (auto _ : state) {
    query.size = sizeof value;
    benchmark::DoNotOptimize(dispatcher.Send(
        VORA_MSG_READ_PARAM_BY_TYPE, VORA_NODE_SCENE_ROOT, 0, queryArg, 0));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_ReadParamMessage);

} // namespace

BENCHMARK_MAIN();
