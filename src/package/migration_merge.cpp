#include "package/migration_merge.h"

#include "nodes/core/line_scanner.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/text_stream.h"
#include "platform/file_system.h"

#include <cstdio>
#include <limits>
#include <memory>

namespace vorafile {

using nodes::ParamValue;
using nodes::SceneNode;

namespace {

namespace param = nodes::param;

// A packed colour: red in the lowest byte, then green, then blue; alpha 1.
nodes::Color UnpackColor(std::int32_t packed) {
  const auto bits = static_cast<std::uint32_t>(packed);
  nodes::Color color;
  color.components = {static_cast<float>(bits & 0xffu) / 255.0f,
                      static_cast<float>((bits >> 8) & 0xffu) / 255.0f,
                      static_cast<float>((bits >> 16) & 0xffu) / 255.0f, 1.0f};
  return color;
}

// The old style flags moved to other bits.
std::int32_t RemapOldStyle(std::int32_t old) {
  constexpr std::uint32_t kNewBitOfOld[] = {2, 1, 8, 16, 4, 64};
  std::uint32_t remapped = 0;
  for (std::size_t bit = 0; bit < std::size(kNewBitOfOld); ++bit) {
    if ((static_cast<std::uint32_t>(old) >> bit) & 1u) {
      remapped |= kNewBitOfOld[bit];
    }
  }
  return static_cast<std::int32_t>(remapped);
}

// A number stored as an integer, fraction dropped; values no integer can
// hold are clamped (NaN gives 0).
std::int32_t TruncateToInt(float value) {
  if (!(value == value)) {
    return 0;
  }
  if (value >= 2147483648.0f) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (value <= -2147483648.0f) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(value);
}

// A text as a host's path buffer would carry it.
ParamValue TextValue(std::string text) {
  if (text.size() > platform::kMaxPath) {
    text.resize(platform::kMaxPath);
  }
  return ParamValue(std::move(text));
}

// Stores a value as a host's write would: a value the node holds keeps its
// type (and with it its size), an absent one is added. A node that refuses
// the value keeps what it had; the merge goes on with the next value.
void StoreValue(SceneNode *node, int id, const ParamValue &value) {
  if (node == nullptr) {
    return;
  }
  ParamValue stored;
  if (node->GetParamValue(id, stored)) {
    if (stored.GetType() == value.GetType()) {
      (void)node->SetParamValue(id, value); // a refusal is skipped, see above
    }
    return;
  }
  (void)node->AddParamValue(id, value); // a refusal is skipped, see above
}

struct FileCloser {
  void operator()(std::FILE *file) const { (void)std::fclose(file); }
};

} // namespace

std::vector<int> MigrationOrdinals(int layout, int i, int count) {
  switch (layout) {
  case 1:
    return {i == count - 1 ? 0 : i + 1};
  case 2:
  case 5:
  case 7:
    return {i};
  case 3: {
    static const std::vector<int> kLayout3[] = {
        {0, 6}, {1, 7}, {2, 8}, {9}, {3, 4, 5}};
    return i < 5 ? kLayout3[i] : std::vector<int>{};
  }
  case 4:
    return {i == 0 ? count - 1 : i - 1};
  case 6: {
    static const std::vector<int> kLayout6[] = {{2}, {0, 1, 3, 4}, {5}};
    return i < 3 ? kLayout6[i] : std::vector<int>{};
  }
  case 8: {
    static const std::vector<int> kLayout8[] = {
        {0}, {7}, {8}, {9}, {1, 2, 3, 4, 5, 6}};
    return i < 5 ? kLayout8[i] : std::vector<int>{};
  }
  default:
    return {};
  }
}

MergeResult MergeMigrationList(SceneDocument &document) {
  MergeResult result;
  auto fail = [&result](OpenStatus status, std::string_view file, int line,
                        std::string_view reason) {
    static_cast<OpenResult &>(result) =
        OpenResult::Failure(status, file, reason, line);
    return result;
  };
  const SceneRoot *root = document.GetRoot();
  const std::string folder(root != nullptr ? root->GetFolder().value_or("")
                                           : "");
  std::optional<std::string> path =
      platform::FindInFolder(folder, SceneDocument::kMigrationList);
  std::unique_ptr<std::FILE, FileCloser> file(
      path ? std::fopen(path->c_str(), "rb") : nullptr);
  if (root == nullptr || !file) {
    return fail(OpenStatus::MigrationListUnreadable,
                folder + SceneDocument::kMigrationList, 0,
                "cannot open the file");
  }
  nodes::FileSource source(file.get());

  auto write = [&document](std::int32_t type, std::int32_t ordinal, int id,
                           const ParamValue &value) {
    StoreValue(document.FindByTypeAndOrdinal(type, ordinal), id, value);
  };
  struct Entry {
    std::string name;
    std::int32_t colorA = 0;
    std::int32_t colorB = 0;
    float number = 0;
  };
  std::vector<Entry> entries;
  std::optional<std::int32_t> layout;
  std::optional<std::int32_t> count;
  std::string line;
  for (int number = 1; source.ReadLine(line); ++number) {
    nodes::LineScanner scan(line);
    std::int32_t i = 0;
    float f = 0;
    std::string word;
    if (number < 20) {
      switch (number) {
      case 2:
        if (scan.Int(i).Ok()) {
          layout = i;
        }
        break;
      case 4:
        if (scan.Float(f).Ok()) {
          write(VORA_NODE_SCENE_ROOT, 0, param::kBrightness, ParamValue(f));
        }
        break;
      case 6:
        if (scan.Float(f).Ok()) {
          write(VORA_NODE_SCENE_ROOT, 0, param::kResponsivness, ParamValue(f));
        }
        break;
      case 8:
        if (scan.Int(i).Ok()) {
          write(VORA_NODE_SCENE_ROOT, 0, param::kStyle,
                ParamValue(RemapOldStyle(i)));
        }
        break;
      case 9:
        if (!scan.Int(i).Ok() || i < 1) {
          return fail(OpenStatus::MigrationListRejected, *path, number,
                      "no entries to merge");
        }
        count = i;
        break;
      case 11:
        if (scan.Int(i).Ok()) {
          write(VORA_NODE_MESSAGE_DATA, 0, param::kEnable,
                ParamValue(static_cast<std::uint8_t>(i)));
        }
        break;
      case 12:
      case 18:
        if (scan.Word(word).Ok()) {
          write(VORA_NODE_MESSAGE_DATA, 0,
                number == 12 ? param::kMessage : param::kFont, TextValue(word));
        }
        break;
      case 13:
      case 17:
        if (scan.Float(f).Ok()) {
          write(VORA_NODE_MESSAGE_DATA, 0,
                number == 13 ? param::kSize : param::kExtrusion, ParamValue(f));
        }
        break;
      case 14:
        if (scan.Int(i).Ok()) {
          write(VORA_NODE_MESSAGE_DATA, 0, param::kWeight,
                ParamValue(static_cast<std::uint32_t>(i)));
        }
        break;
      case 15:
        if (scan.Int(i).Ok()) {
          write(VORA_NODE_MESSAGE_DATA, 0, param::kItalics,
                ParamValue(static_cast<std::uint8_t>(i)));
        }
        break;
      case 16:
        if (scan.Int(i).Ok()) {
          write(VORA_NODE_MESSAGE_DATA, 0, param::kColor,
                ParamValue(UnpackColor(i)));
        }
        break;
      default:
        break;
      }
      continue;
    }
    const int field = (number - 20) % 4;
    // The last entry's lines are read to its fourth; what follows is not.
    if (!count ||
        (field == 0 && static_cast<std::int64_t>(entries.size()) >= *count)) {
      break;
    }
    if (field == 0) {
      entries.push_back({});
      scan.Word(entries.back().name);
    } else if (field == 1) {
      scan.Int(entries.back().colorA);
    } else if (field == 2) {
      scan.Int(entries.back().colorB);
    } else {
      scan.Float(entries.back().number);
    }
  }
  if (!layout || !count) {
    return fail(OpenStatus::MigrationListRejected, *path, 0,
                "too short to give the layout and the entry count");
  }
  const int entryCount = static_cast<int>(entries.size());
  for (int i = 0; i < entryCount; ++i) {
    const Entry &entry = entries[static_cast<std::size_t>(i)];
    for (int ordinal : MigrationOrdinals(*layout, i, *count)) {
      write(VORA_NODE_OBJECT, ordinal, param::kTName,
            TextValue(folder + entry.name));
      write(VORA_NODE_OBJECT, ordinal, param::kTColor,
            ParamValue(UnpackColor(entry.colorA)));
      write(VORA_NODE_OBJECT, ordinal, param::kSpecCol,
            ParamValue(UnpackColor(entry.colorB)));
      write(VORA_NODE_OBJECT, ordinal, param::kGloss,
            ParamValue(TruncateToInt(entry.number)));
    }
  }
  result.entries = *count;
  return result;
}

} // namespace vorafile
