#include "package/package_assembly.h"

#include "nodes/content/object_config_node.h"
#include "nodes/content/text_helpers.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/param_names.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/package_name.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace vorafile {

using nodes::SceneNode;

namespace {

namespace param = nodes::param;
namespace lens_param = nodes::lens_param;
namespace transition_param = nodes::transition_param;
namespace config_param = nodes::config_param;

constexpr int kIntroImages[] = {param::kCover, param::kLogo, param::kBanner,
                                param::kCursorLink, param::kCursorNormal};
constexpr const char *kFixedFiles[] = {"vora.vrc", "intro.ini", "filelist.ini",
                                       "text.ini"};
constexpr const char *kMapExtensions[] = {".bmp", ".jpg", ".jpeg"};
// What old scenes' "raruz.vro" object files stand for.
constexpr std::string_view kBuiltInDefinition = "defhydracreate.vrd";

// The name of a scene's file relative to the working folder `folder`: a
// full path that begins with the folder (in any case) loses that part; any
// other text is taken as a name, which the resolver refuses when it is
// absolute.
std::string_view NameInFolder(std::string_view pathOrName,
                              std::string_view folder) {
  if (!folder.empty() && pathOrName.size() >= folder.size() &&
      ascii::EqualsIgnoreCase(pathOrName.substr(0, folder.size()), folder)) {
    return pathOrName.substr(folder.size());
  }
  return pathOrName;
}

// One collector: drops a path it has seen already (without regard to case).
class Collector {
public:
  Collector(std::vector<std::string> &out, std::string rootFolder)
      : out_(out), root_(std::move(rootFolder)) {}

  /// Adds a file named by a scene, as a name relative to the working folder
  /// or a full path inside it, through the package name resolver: a name
  /// that is not inside the working folder is never packed, and the disk's
  /// spelling of an existing file is taken. The working folder itself and
  /// empty names are no files; a missing ".bmp" whose ".jpg" exists is that.
  /// A missing file is listed all the same (the packer reports it) unless
  /// `onlyExisting`.
  void AddFile(const std::string &pathOrName, bool onlyExisting = false) {
    std::string_view name = NameInFolder(pathOrName, root_);
    if (name.empty()) {
      return;
    }
    std::optional<std::string> found =
        platform::ResolvePackageName(root_, name);
    if (!found && ascii::EndsWithIgnoreCase(name, ".bmp")) {
      found = platform::ResolvePackageName(
          root_, std::string(name.substr(0, name.size() - 4)) + ".jpg");
    }
    if (!found && !onlyExisting) {
      found = platform::PackagePathFor(root_, name);
    }
    if (found) {
      AddOnce(std::move(*found));
    }
  }

  /// Adds every file under a plain folder (one without further attributes),
  /// depth first.
  void AddTree(const std::string &folder, int depth = 0) {
    // Deeper trees cannot come from a package; the bound keeps a linked
    // loop from recursing for ever.
    constexpr int kMaxDepth = 64;
    std::optional<std::uint32_t> attributes = platform::ReadAttributes(folder);
    if (depth > kMaxDepth || !attributes ||
        *attributes != platform::attr::kDirectory) {
      return;
    }
    std::vector<platform::FolderEntry> entries = platform::ListFolder(folder);
    std::sort(entries.begin(), entries.end(),
              [](const auto &a, const auto &b) { return a.name < b.name; });
    for (const platform::FolderEntry &entry : entries) {
      std::string path = folder + platform::kPathSeparator + entry.name;
      if (entry.attributes == platform::attr::kDirectory) {
        AddTree(path, depth + 1);
      } else {
        AddOnce(std::move(path));
      }
    }
  }

  void AddText(const SceneNode &node, int id, int index = -1,
               bool onlyExisting = false) {
    nodes::ParamValue value;
    if (node.GetParamValue(id, value, index) &&
        value.GetType() == nodes::ValueType::String) {
      AddFile(std::string(value.GetText()), onlyExisting);
    }
  }

  /// Ends the collector: the next one starts with an empty memory.
  void Next() { seen_.clear(); }

private:
  // A set, not a list: a "Misc" folder of thousands of files would
  // otherwise cost a comparison with every path seen before.
  void AddOnce(std::string path) {
    if (seen_.insert(path).second) {
      out_.push_back(std::move(path));
    }
  }

  std::vector<std::string> &out_;
  std::string root_;
  std::set<std::string, ascii::LessIgnoreCase> seen_;
};

template <class Visit>
void ForEachNodeOfType(SceneDocument &document, std::int32_t type,
                       Visit visit) {
  for (std::int32_t ordinal = 0;; ++ordinal) {
    SceneNode *node = document.FindByTypeAndOrdinal(type, ordinal);
    if (node == nullptr) {
      return;
    }
    visit(*node);
  }
}

std::int32_t IntParam(const SceneNode &node, int id) {
  return node.GetParamAs<std::int32_t>(id).value_or(0);
}

} // namespace

std::vector<std::string> ListPackageFiles(SceneDocument &document) {
  std::vector<std::string> files;
  SceneRoot *root = document.GetRoot();
  if (root == nullptr) {
    return files;
  }
  const std::string folder(root->GetFolder().value_or(""));
  Collector collect(files, folder);

  // The fixed files as the folder spells them (a package made on Windows may
  // hold "FileList.ini"); a missing one is listed all the same. The
  // messages file joins them, once, also when it is the fixed "text.ini".
  for (const char *name : kFixedFiles) {
    collect.AddFile(name);
  }
  collect.AddText(*root, param::kMsgIni);
  collect.Next();

  ForEachNodeOfType(document, VORA_NODE_OBJECT, [&](SceneNode &object) {
    const std::int32_t morphs = IntParam(object, param::kNumMorphs);
    for (std::int32_t i = 0; i < morphs; ++i) {
      // The built-in deformation stands in an object file's place without
      // being a file: a package packs it only when it holds one.
      nodes::ParamValue file;
      const bool builtIn =
          object.GetParamValue(param::kVro0, file, i) &&
          file.GetType() == nodes::ValueType::String &&
          ascii::EqualsIgnoreCase(nodes::FileNameOf(file.GetText()),
                                  kBuiltInDefinition);
      collect.AddText(object, param::kVro0, i, builtIn);
    }
    if (IntParam(object, param::kOlink) == 1) {
      collect.AddText(object, param::kObjSite);
    }
  });
  collect.Next();

  // Definition files drop only a repeated full path.
  std::vector<std::string> definitions;
  ForEachNodeOfType(document, VORA_NODE_DEF_FILE, [&](SceneNode &file) {
    if (std::optional<std::string> name =
            file.GetTextParam(nodes::param::kName)) {
      std::optional<std::string> found =
          platform::PackagePathFor(folder, *name);
      if (!found) {
        return;
      }
      std::string path = std::move(*found);
      if (std::find(definitions.begin(), definitions.end(), path) ==
          definitions.end()) {
        definitions.push_back(path);
        files.push_back(path);
      }
    }
  });

  // Macro effect files are listed without any test.
  ForEachNodeOfType(document, VORA_NODE_MACRO_EFFECT, [&](SceneNode &macro) {
    if (std::optional<std::string> name =
            macro.GetTextParam(param::kFileName)) {
      if (std::optional<std::string> path = platform::PackagePathFor(
              folder, root->GetScriptVersion() == 3 ? nodes::FileNameOf(*name)
                                                    : *name)) {
        files.push_back(std::move(*path));
      }
    }
  });

  if (SceneNode *intro = document.FindByTypeAndOrdinal(VORA_NODE_INTRO, 0)) {
    for (int id : kIntroImages) {
      collect.AddText(*intro, id);
    }
  }
  collect.Next();

  ForEachNodeOfType(document, VORA_NODE_OBJECT, [&](SceneNode &object) {
    collect.AddText(object, param::kTName);
    collect.AddText(object, param::kT2Name);
  });
  collect.Next();

  // A pod's or orb's files: the configuration itself (else a saved scene
  // would lose it), its textures, and each link that names a file of the
  // folder with the "<base name>_files" folder a saved web page keeps.
  auto addLink = [&](const SceneNode &config, int index) {
    nodes::ParamValue link;
    if (!config.GetParamValue(config_param::kUrl, link, index)) {
      return;
    }
    const std::string name(NameInFolder(link.GetText(), folder));
    if (name.empty() || !platform::ResolvePackageName(folder, name)) {
      return;
    }
    collect.AddFile(name);
    std::string base = nodes::FileNameOf(name);
    base.resize(std::min(base.find_last_of('.'), base.size()));
    if (std::optional<std::string> tree =
            platform::ResolvePackageName(folder, base + "_files")) {
      collect.AddTree(*tree);
    }
  };
  auto collectConfiguration = [&](const SceneNode &node) {
    const auto *config = nodes::DynCast<nodes::ObjectConfigNode>(&node);
    if (config == nullptr) {
      return;
    }
    collect.AddText(*config, param::kFileName);
    const bool isOrb =
        config->GetConfigKind() == nodes::ObjectConfigNode::ConfigKind::Orb;
    if (isOrb) {
      for (int i = 0;
           static_cast<std::size_t>(i) < config->GetTextures().GetCount();
           ++i) {
        collect.AddText(*config, config_param::kTexture, i);
        addLink(*config, i);
      }
    } else if (config->GetConfigKind() ==
               nodes::ObjectConfigNode::ConfigKind::Pod) {
      collect.AddText(*config, config_param::kTexture);
      addLink(*config, -1);
    }
    collect.AddText(*config, config_param::kHighLightTexture);
    if (!isOrb) {
      collect.AddText(*config, config_param::kBorderTexture);
    }
  };

  auto addEffectFiles = [&](int rootFile, std::int32_t type, int countId,
                            int filesId) {
    collect.AddText(*root, rootFile);
    if (SceneNode *effects = document.FindByTypeAndOrdinal(type, 0)) {
      const std::int32_t count = IntParam(*effects, countId);
      for (std::int32_t i = 0; i < count; ++i) {
        collect.AddText(*effects, filesId, i);
      }
    }
    collect.Next();
  };
  addEffectFiles(param::kLfxFileName, VORA_NODE_LENS_EFFECTS,
                 lens_param::kNumLenses, lens_param::kLfpPresetFile);
  addEffectFiles(param::kTfxFileName, VORA_NODE_TRANSITION_EFFECT,
                 transition_param::kNumTfp, transition_param::kTfpPresetFile);

  ForEachNodeOfType(document, VORA_NODE_OBJECT_CONFIG,
                    [&](SceneNode &node) { collectConfiguration(node); });
  collect.Next();

  // The colour effect file that a "CFX" line names must travel with the
  // scene, or the saved package would no longer open.
  if (std::optional<std::string> cfx =
          root->GetTextParam(param::kCfxFileName)) {
    if (std::optional<std::string> path =
            platform::PackagePathFor(folder, *cfx)) {
      files.push_back(std::move(*path));
    }
  }

  // The lock song travels when it is there: the script names it either way.
  collect.AddText(*root, param::kSceneLockMp3, -1, true);
  collect.Next();

  if (root->GetScriptVersion() > 2) {
    if (std::optional<std::string> script =
            root->GetTextParam(param::kVoraScriptFileName)) {
      files.push_back(*script);
    }
    if (std::optional<std::string> marquee =
            platform::FindInFolder(folder, "Vora.mrq")) {
      files.push_back(*marquee);
    }
  }

  if (std::optional<std::string> misc =
          platform::ResolvePackageName(folder, "Misc")) {
    collect.AddTree(*misc);
  }
  collect.Next();
  return files;
}

std::vector<std::string> ListSavedFiles(SceneDocument &document) {
  std::vector<std::string> files = ListPackageFiles(document);
  std::vector<std::string> maps = ListMapFiles(document);
  files.insert(files.end(), maps.begin(), maps.end());
  return KeepFirstOccurrences(std::move(files));
}

std::vector<std::string> KeepFirstOccurrences(std::vector<std::string> paths) {
  std::set<std::string, ascii::LessIgnoreCase> seen;
  std::vector<std::string> kept;
  kept.reserve(paths.size());
  for (std::string &path : paths) {
    // Both separators name the same folder on Windows.
    std::string key = path;
    std::replace(key.begin(), key.end(), '\\', '/');
    if (seen.insert(std::move(key)).second) {
      kept.push_back(std::move(path));
    }
  }
  return kept;
}

std::vector<std::string> ListMapFiles(SceneDocument &document) {
  std::vector<std::string> files;
  SceneRoot *root = document.GetRoot();
  if (root == nullptr) {
    return files;
  }
  const std::string folder(root->GetFolder().value_or(""));
  for (const char *stem : {"heightmap", "maskmap"}) {
    for (int n = 0;; ++n) {
      std::optional<std::string> found;
      for (const char *extension : kMapExtensions) {
        found = platform::FindInFolder(folder,
                                       stem + std::to_string(n) + extension);
        if (found) {
          break;
        }
      }
      if (!found) {
        break;
      }
      files.push_back(*found);
    }
  }
  return files;
}

namespace {

// A path as compared with the others: without regard to case, and with
// either separator (a scene may name "maps\\a.jpg" on any system).
std::string ComparablePath(std::string_view path) {
  std::string key = ascii::ToLower(path);
  std::replace(key.begin(), key.end(), '\\', '/');
  return key;
}

void AddFilesUnder(const std::string &folder, int depth,
                   std::set<std::string> &named,
                   std::vector<std::string> &files) {
  // Deeper trees cannot come from a package; the bound keeps a linked loop
  // from recursing for ever.
  constexpr int kMaxDepth = 64;
  if (depth > kMaxDepth) {
    return;
  }
  std::vector<platform::FolderEntry> entries = platform::ListFolder(folder);
  std::sort(entries.begin(), entries.end(),
            [](const auto &a, const auto &b) { return a.name < b.name; });
  for (const platform::FolderEntry &entry : entries) {
    std::string path = folder + entry.name;
    // A link may lead out of the working folder: only regular files.
    if ((entry.attributes & platform::attr::kReparsePoint) != 0) {
      continue;
    }
    if ((entry.attributes & platform::attr::kDirectory) != 0) {
      AddFilesUnder(path + platform::kPathSeparator, depth + 1, named, files);
    } else if (named.insert(ComparablePath(path)).second) {
      files.push_back(std::move(path));
    }
  }
}

} // namespace

void AddFilesNoCollectorNamed(SceneDocument &document,
                              std::vector<std::string> &files) {
  SceneRoot *root = document.GetRoot();
  if (root == nullptr || !root->HasUnreadTail()) {
    return;
  }
  const std::string folder(root->GetFolder().value_or(""));
  if (folder.empty()) {
    return;
  }
  std::set<std::string> named;
  for (const std::string &file : files) {
    named.insert(ComparablePath(file));
  }
  for (const char *script :
       {SceneDocument::kDeliveredScript, SceneDocument::kMigrationList}) {
    named.insert(ComparablePath(folder + script));
  }
  AddFilesUnder(folder, 0, named, files);
}

} // namespace vorafile
