// vorafile: the command-line tool for scene authors and host developers,
// built on the library's C++ interface.
#include "archive/cabinet_extractor.h"
#include "archive/mszip_codec.h"
#include "check_command.h"
#include "convert_image.h"
#include "diff_command.h"
#include "document/pod_orb_package.h"
#include "host/file_manager.h"
#include "host/host_records.h"
#include "node_address.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/param_names.h"
#include "package/cabinet_io.h"
#include "package/package.h"
#include "package/package_assembly.h"
#include "platform/file_system.h"
#include "value_text.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

using vorafile::FileManager;
using vorafile::SceneDocument;
using vorafile::nodes::ParamValue;
using vorafile::nodes::SceneNode;
namespace cli = vorafile::cli;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char *kUsage =
    "usage: vorafile <command> [arguments]\n"
    "\n"
    "A SCENE is a package (a cabinet file) or an unpacked scene folder.\n"
    "\n"
    "commands:\n"
    "  info SCENE                      summary of the scene\n"
    "  tree SCENE [--json]             every node with every parameter\n"
    "  get SCENE NODE PARAM            one parameter's value\n"
    "  set SCENE NODE PARAM VALUE [--type TYPE] [-o OUT]\n"
    "                                  change (or add) a parameter; a package\n"
    "                                  is saved to OUT (required), a folder\n"
    "                                  is written in place\n"
    "  remove SCENE NODE PARAM [-o OUT]\n"
    "                                  remove a parameter, or one entry of a\n"
    "                                  list (Text1, \"Lfp Preset File0\"): "
    "the\n"
    "                                  entries behind it move up one place\n"
    "                                  and are renumbered, so Text2 becomes\n"
    "                                  Text1; a lens or transition preset\n"
    "                                  file goes with its entry\n"
    "  add-pod SCENE NODE BUNDLE NAME [-o OUT]\n"
    "  add-orb SCENE NODE BUNDLE NAME [-o OUT]\n"
    "                                  copy a pod's or orb's files from the\n"
    "                                  folder BUNDLE and hang its node NAME\n"
    "                                  under NODE; saved as with set\n"
    "  save PACKAGE OUT                open a package and save it as OUT\n"
    "  files SCENE                     the files a save would pack\n"
    "  check SCENE                     report every problem found, one a\n"
    "                                  line (\"SCENE: file:line: what\"),\n"
    "                                  and their count\n"
    "  diff A B [--json]               the nodes, parameters and files that\n"
    "                                  differ from scene A to scene B (\"-\"\n"
    "                                  only in A, \"+\" only in B, \"~\"\n"
    "                                  changed); exit 0 when the same, 1\n"
    "                                  when they differ, 2 on trouble\n"
    "  extract CABINET DIR             extract a cabinet into DIR\n"
    "  pack DIR OUT                    pack every file under DIR into OUT\n"
    "%s"
    "  version                         print the version\n"
    "\n"
    "NODE: root, TYPE:ORDINAL (camera:0, 7:0), /TYPE:ORD/... (a path from\n"
    "the root) or #ID[/TYPE:ORD...]. PARAM: a parameter name or id; an\n"
    "entry of a list is its name and index (marquee:0 Text0, URL3). VALUE:\n"
    "numbers separated by blanks or commas for several components.\n";

int Usage(const std::string &message) {
  (void)std::fprintf(stderr, "vorafile: %s\n", message.c_str());
  (void)std::fputs("try 'vorafile --help'\n", stderr);
  return kExitUsage;
}

int Failure(const std::string &message) {
  (void)std::fprintf(stderr, "vorafile: %s\n", message.c_str());
  return kExitFailure;
}

bool IsFolder(const std::string &path) {
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

// A scene opened from a package (through the file manager, in a working
// folder deleted afterwards) or from a folder (in place).
class Scene {
public:
  bool Load(const std::string &path) {
    path_ = path;
    isPackage_ = !IsFolder(path);
    // A folder is loaded in place, as a package's open loads its own.
    const vorafile::OpenResult result =
        isPackage_ ? manager_.Open(path)
                   : vorafile::LoadScene(folderDocument_, path);
    problem_ = result ? "" : result.Describe();
    return static_cast<bool>(result);
  }

  SceneDocument &Document() {
    return isPackage_ ? manager_.Document() : folderDocument_;
  }
  bool IsPackage() const { return isPackage_; }
  const std::string &Problem() const { return problem_; }
  std::string Folder() {
    return std::string(Document().GetRoot()->GetFolder().value_or(""));
  }

  /// Writes the scene: a package into `target`, a folder in place.
  bool Save(const std::string &target) {
    if (!Document().WriteScript()) {
      problem_ = "the scene script could not be written";
      return false;
    }
    if (!isPackage_) {
      return true;
    }
    const vorafile::SaveResult result = manager_.SaveAs(target);
    problem_ = result ? "" : result.Describe();
    return static_cast<bool>(result);
  }

private:
  std::string path_;
  bool isPackage_ = false;
  FileManager manager_;
  SceneDocument folderDocument_;
  std::string problem_;
};

struct Options {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values; // --type, -o
  bool json = false;
};

std::optional<Options> ParseOptions(int argc, char **argv, int first,
                                    std::string &error) {
  Options options;
  for (int i = first; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--json") {
      options.json = true;
    } else if (arg == "--type" || arg == "-o" || arg == "--output") {
      if (i + 1 >= argc) {
        error = "option " + std::string(arg) + " needs a value";
        return std::nullopt;
      }
      options.values[arg == "--type" ? "type" : "output"] = argv[++i];
    } else if (arg.size() > 1 && arg.front() == '-' && arg != "-") {
      // A negative number is a value, not an option.
      if (arg.size() > 1 &&
          (std::isdigit(static_cast<unsigned char>(arg[1])) || arg[1] == '.')) {
        options.positional.emplace_back(arg);
        continue;
      }
      error = "unknown option " + std::string(arg);
      return std::nullopt;
    } else {
      options.positional.emplace_back(arg);
    }
  }
  return options;
}

// Values as an author reads them (value_text.h): files relative to the
// scene's folder, fonts decoded.
void PrintNode(const SceneNode &node, std::string_view folder, int depth) {
  const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
  std::printf("%s%s %s (#%d)\n", indent.c_str(),
              cli::NodeTypeName(node.GetTypeCode()).c_str(),
              cli::JsonString(node.GetName()).c_str(), node.GetNodeId());
  for (const auto &param : node.GetParamArray()) {
    if (param.GetValue() == nullptr) {
      continue;
    }
    std::printf(
        "%s  %-22s %5d %-9s %s\n", indent.c_str(),
        node.GetParamName(param.GetId()).c_str(), param.GetId(),
        std::string(cli::ValueTypeName(param.GetValue()->GetType())).c_str(),
        cli::FormatAuthorValue(*param.GetValue(), param.GetId(), folder)
            .c_str());
  }
  for (int i = 0; i < node.GetChildCount(); ++i) {
    PrintNode(*node.GetChild(i), folder, depth + 1);
  }
}

// Raw values, so that the output stays the same wherever the scene is
// opened, plus "file": the value relative to the scene for a text naming a
// file inside it.
void PrintNodeJson(const SceneNode &node, std::string_view folder, int depth) {
  const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
  std::printf("%s{\"type\": %d, \"typeName\": %s, \"name\": %s, \"id\": %d,\n",
              indent.c_str(), node.GetTypeCode(),
              cli::JsonString(cli::NodeTypeName(node.GetTypeCode())).c_str(),
              cli::JsonString(node.GetName()).c_str(), node.GetNodeId());
  std::printf("%s \"params\": [", indent.c_str());
  bool first = true;
  for (const auto &param : node.GetParamArray()) {
    if (param.GetValue() == nullptr) {
      continue;
    }
    std::string file;
    if (const auto *text = param.GetValue()->GetIf<std::string>()) {
      if (std::optional<std::string> relative =
              cli::PathInsideFolder(*text, folder)) {
        file = ", \"file\": " + cli::JsonString(*relative);
      }
    }
    std::printf("%s\n%s   {\"id\": %d, \"name\": %s, \"type\": %s, "
                "\"value\": %s%s}",
                first ? "" : ",", indent.c_str(), param.GetId(),
                cli::JsonString(node.GetParamName(param.GetId())).c_str(),
                cli::JsonString(cli::ValueTypeName(param.GetValue()->GetType()))
                    .c_str(),
                cli::FormatValueJson(*param.GetValue()).c_str(), file.c_str());
    first = false;
  }
  std::printf("],\n%s \"children\": [", indent.c_str());
  for (int i = 0; i < node.GetChildCount(); ++i) {
    std::printf(i == 0 ? "\n" : ",\n");
    PrintNodeJson(*node.GetChild(i), folder, depth + 2);
  }
  std::printf("]}");
  if (depth == 0) {
    std::printf("\n");
  }
}

int CommandInfo(Scene &scene) {
  SceneDocument &document = scene.Document();
  const vorafile::SceneRoot &root = *document.GetRoot();
  std::printf("scene script:   %s\n", document.GetScriptPath().c_str());
  std::printf("script version: %d\n", root.GetScriptVersion());
  const vorafile::NodeIndex &index = root.GetNodeIndex();
  std::printf("nodes:          %d\n", index.GetRowCount());
  std::map<std::string, int> counts;
  for (int row = 0; row < index.GetRowCount(); ++row) {
    ++counts[cli::NodeTypeName(
        index.GetRows()[static_cast<std::size_t>(row)].type)];
  }
  for (const auto &[name, count] : counts) {
    std::printf("  %-14s %d\n", name.c_str(), count);
  }
  std::printf("files to pack:  %zu\n",
              vorafile::ListPackageFiles(document).size() +
                  vorafile::ListMapFiles(document).size());
  return kExitOk;
}

int CommandFiles(Scene &scene) {
  for (const std::string &file : vorafile::ListPackageFiles(scene.Document())) {
    std::printf("%s\n", file.c_str());
  }
  for (const std::string &file : vorafile::ListMapFiles(scene.Document())) {
    std::printf("%s\n", file.c_str());
  }
  return kExitOk;
}

SceneNode *NodeOrComplain(Scene &scene, const std::string &address) {
  std::string error;
  SceneNode *node = cli::FindNode(scene.Document(), address, error);
  if (node == nullptr) {
    Failure(address + ": " + error);
  }
  return node;
}

int CommandGet(Scene &scene, const Options &options) {
  SceneNode *node = NodeOrComplain(scene, options.positional[1]);
  if (node == nullptr) {
    return kExitFailure;
  }
  std::optional<cli::ParamAddress> param =
      cli::FindParamAddress(*node, options.positional[2]);
  ParamValue value;
  if (!param || !node->GetParamValue(param->id, value, param->index)) {
    return Failure(options.positional[2] + ": no such parameter on " +
                   options.positional[1]);
  }
  std::printf("%s\n", cli::FormatValue(value).c_str());
  return kExitOk;
}

int CommandSet(Scene &scene, const Options &options) {
  auto output = options.values.find("output");
  if (scene.IsPackage() && output == options.values.end()) {
    return Usage("set on a package needs -o OUT");
  }
  SceneNode *node = NodeOrComplain(scene, options.positional[1]);
  if (node == nullptr) {
    return kExitFailure;
  }
  std::optional<cli::ParamAddress> param =
      cli::FindParamAddress(*node, options.positional[2]);
  if (!param) {
    return Failure(options.positional[2] + ": unknown parameter name");
  }
  ParamValue current;
  std::optional<vorafile::nodes::ValueType> type;
  if (node->GetParamValue(param->id, current, param->index)) {
    type = current.GetType();
  }
  if (auto typeOption = options.values.find("type");
      typeOption != options.values.end()) {
    type = cli::ValueTypeFromText(typeOption->second);
    if (!type) {
      return Usage(typeOption->second + ": unknown value type");
    }
  }
  if (!type) {
    return Usage(options.positional[2] +
                 ": the node has no such parameter yet; give --type");
  }
  std::optional<ParamValue> value =
      cli::ParseValue(*type, options.positional[3]);
  if (!value) {
    return Failure(options.positional[3] + ": not a " +
                   std::string(cli::ValueTypeName(*type)) + " value");
  }
  // The checks a host's write goes through.
  if (!SceneDocument::WriteParamChecked(
          *node, param->id, value->GetSource(),
          static_cast<std::uint32_t>(*type),
          static_cast<std::uint32_t>(value->GetSize()), param->index)) {
    return Failure("the node refused the value (another type is stored?)");
  }
  if (!scene.Save(output == options.values.end() ? "" : output->second)) {
    return Failure(scene.Problem());
  }
  return kExitOk;
}

// What message 1024 does, for scene authors.
int CommandRemove(Scene &scene, const Options &options) {
  auto output = options.values.find("output");
  if (scene.IsPackage() && output == options.values.end()) {
    return Usage("remove on a package needs -o OUT");
  }
  SceneNode *node = NodeOrComplain(scene, options.positional[1]);
  if (node == nullptr) {
    return kExitFailure;
  }
  std::optional<cli::ParamAddress> param =
      cli::FindParamAddress(*node, options.positional[2]);
  if (!param) {
    return Failure(options.positional[2] + ": unknown parameter name");
  }
  if (!vorafile::host::RemoveParam(*node, static_cast<std::uint32_t>(param->id),
                                   param->index)) {
    return Failure(options.positional[2] + ": the node has no such entry");
  }
  if (!scene.Save(output == options.values.end() ? "" : output->second)) {
    return Failure(scene.Problem());
  }
  return kExitOk;
}

// What message 1030 does, for scene authors: the node is addressed as
// every command addresses one, and found again by its type and name.
int CommandAddPodOrb(Scene &scene, const Options &options, int kind) {
  auto output = options.values.find("output");
  if (scene.IsPackage() && output == options.values.end()) {
    return Usage("adding to a package needs -o OUT");
  }
  SceneNode *target = NodeOrComplain(scene, options.positional[1]);
  if (target == nullptr) {
    return kExitFailure;
  }
  const std::uint32_t kindWord = vorafile::MakePodOrbKindWord(
      static_cast<std::uint32_t>(kind),
      static_cast<std::uint32_t>(target->GetTypeCode()));
  const vorafile::PodOrbResult result = vorafile::AddPodOrb(
      scene.Document(), options.positional[2],
      target->GetTextParam(vorafile::nodes::param::kName).value_or(""),
      kindWord, options.positional[3]);
  switch (result.status) {
  case vorafile::PodOrbStatus::Added:
    break;
  case vorafile::PodOrbStatus::KindRefused:
  case vorafile::PodOrbStatus::TargetMissing:
    return Failure(options.positional[1] + ": cannot take a configuration");
  case vorafile::PodOrbStatus::NotMade:
    return Failure(options.positional[2] +
                   ": the configuration could not be read");
  }
  SceneNode *node =
      scene.Document().GetRoot()->GetNodeIndex().FindById(result.nodeId);
  std::printf(
      "added %s (#%d) from %s\n", options.positional[3].c_str(), result.nodeId,
      node == nullptr ? ""
                      : node->GetTextParam(vorafile::nodes::param::kFileName)
                            .value_or("")
                            .c_str());
  if (!scene.Save(output == options.values.end() ? "" : output->second)) {
    return Failure(scene.Problem());
  }
  return kExitOk;
}

// Every file under a folder, for packing.
std::vector<std::string> FilesUnder(const std::string &folder) {
  std::vector<std::string> files;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_regular_file()) {
      files.push_back(it->path().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    return Usage("missing command");
  }
  const std::string_view command = argv[1];
  if (command == "-h" || command == "--help" || command == "help") {
    std::printf(kUsage, cli::kConvertImageUsage);
    return kExitOk;
  }
  if (command == "version" || command == "--version") {
    std::printf("vorafile %s\ncabinet coding: %s\n", VORAFILE_VERSION,
                vorafile::archive::MsZipEncoder::LibraryName());
    return kExitOk;
  }
  if (command == "convert-image") {
    return cli::RunConvertImage(argc - 2, argv + 2);
  }
  std::string error;
  std::optional<Options> options = ParseOptions(argc, argv, 2, error);
  if (!options) {
    return Usage(error);
  }
  const std::vector<std::string> &args = options->positional;
  auto need = [&](std::size_t count) { return args.size() == count; };

  if (command == "extract") {
    if (!need(2)) {
      return Usage("extract needs CABINET DIR");
    }
    std::filesystem::create_directories(args[1]);
    // What this reader read past and other tools may read otherwise.
    if (vorafile::archive::CabinetExtractor probe; probe.Open(args[0])) {
      for (const vorafile::archive::CabinetWarning &warning :
           probe.Warnings()) {
        (void)std::fprintf(stderr, "vorafile: %s: warning: %s\n",
                           args[0].c_str(), warning.text.c_str());
      }
    }
    if (std::string why; !vorafile::ExtractCabinet(
            args[0], vorafile::platform::WithTrailingSeparator(args[1]),
            &why)) {
      return Failure(args[0] + ": " +
                     (why.empty() ? "extraction failed" : why));
    }
    return kExitOk;
  }
  if (command == "pack") {
    if (!need(2)) {
      return Usage("pack needs DIR OUT");
    }
    if (!IsFolder(args[0])) {
      return Failure(args[0] + ": not a folder");
    }
    const std::string base = vorafile::platform::WithTrailingSeparator(args[0]);
    if (!vorafile::PackCabinet(args[1], base, FilesUnder(base))) {
      return Failure(args[1] + ": the cabinet could not be written");
    }
    return kExitOk;
  }

  if (command == "check") {
    return need(1) ? cli::RunCheck(args[0])
                   : Usage("usage: vorafile check SCENE");
  }

  if (command == "diff") {
    return need(2) ? cli::RunDiff(args[0], args[1], options->json)
                   : Usage("usage: vorafile diff A B [--json]");
  }

  using Handler = std::function<int(Scene &)>;
  struct SceneCommand {
    std::string_view name;
    std::size_t arguments;
    const char *usage;
    Handler handler;
  };
  const SceneCommand commands[] = {
      {"info", 1, "info SCENE", [](Scene &s) { return CommandInfo(s); }},
      {"files", 1, "files SCENE", [](Scene &s) { return CommandFiles(s); }},
      {"tree", 1, "tree SCENE [--json]",
       [&](Scene &s) {
         const std::string folder = s.Folder();
         if (options->json) {
           PrintNodeJson(*s.Document().GetRoot(), folder, 0);
         } else {
           PrintNode(*s.Document().GetRoot(), folder, 0);
         }
         return kExitOk;
       }},
      {"get", 3, "get SCENE NODE PARAM",
       [&](Scene &s) { return CommandGet(s, *options); }},
      {"set", 4, "set SCENE NODE PARAM VALUE [--type TYPE] [-o OUT]",
       [&](Scene &s) { return CommandSet(s, *options); }},
      {"remove", 3, "remove SCENE NODE PARAM [-o OUT]",
       [&](Scene &s) { return CommandRemove(s, *options); }},
      {"add-pod", 4, "add-pod SCENE NODE BUNDLE NAME [-o OUT]",
       [&](Scene &s) {
         return CommandAddPodOrb(s, *options, VORA_NODE_OBJECT_CONFIG);
       }},
      {"add-orb", 4, "add-orb SCENE NODE BUNDLE NAME [-o OUT]",
       [&](Scene &s) { return CommandAddPodOrb(s, *options, VORA_NODE_ORB); }},
      {"save", 2, "save PACKAGE OUT",
       [&](Scene &s) {
         return s.Save(args[1]) ? kExitOk : Failure(s.Problem());
       }},
  };
  for (const SceneCommand &entry : commands) {
    if (entry.name != command) {
      continue;
    }
    if (!need(entry.arguments)) {
      return Usage(std::string("usage: vorafile ") + entry.usage);
    }
    Scene scene;
    if (!scene.Load(args[0])) {
      return Failure(scene.Problem());
    }
    return entry.handler(scene);
  }
  return Usage("unknown command '" + std::string(command) + "'");
}
