// The scene's audio analysis: an AudioAnalysisNode holding the number of
// frequency bands, with one FilterBandNode child per band holding the
// band's lower and upper frequency. Both know the version-2 layout (bare
// numbers, one a line) and the version-3 layout ("Nbands" and "B<i>Min" /
// "B<i>Max" lines) of the scene script.
#ifndef VORAFILE_NODES_EFFECTS_AUDIO_ANALYSIS_NODE_H
#define VORAFILE_NODES_EFFECTS_AUDIO_ANALYSIS_NODE_H

#include "nodes/core/scene_node.h"

#include <cstdint>
#include <string_view>

namespace vorafile::nodes {

/// Most bands a scene analyses.
inline constexpr std::int32_t kMaxBandCount = 10;
/// Frequencies of a band lie from 0 to this, both included.
inline constexpr float kMaxBandFrequency = 20480.0f;

class AudioAnalysisNode final : public SceneNode {
public:
  /// Registers the node with the root above `parent` (when there is one).
  AudioAnalysisNode(SceneNode *parent, std::string_view name);
  /// The same, and adds "Nbands" = bandCount (the version-3 reader reads
  /// the count from the "Nbands" line before it makes the node).
  AudioAnalysisNode(SceneNode *parent, std::string_view name,
                    std::int32_t bandCount);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::AudioAnalysis;
  }

  /// Version 2: reads the count line at `position` (0 to kMaxBandCount)
  /// and then the bands. Version 3: reads the bands of the count the node
  /// holds from `position`; a count below 1 reads nothing and answers
  /// `position`. The bands are made as children "FilterBandNode0",
  /// "FilterBandNode1", ... Answers the position after the last line read;
  /// kReadFailed (GetReadFailure names the line) on a missing or bad count,
  /// a band that fails, or a script version other than 2 and 3.
  std::int64_t Read(TextSource *in, std::int64_t position) override;

  /// Version 2: the count line and each band (false without a count, or
  /// with fewer children than it). Version 3: nothing without a count;
  /// else the "Nbands" line and each band child, false when their number
  /// differs from the count (after writing them). False for other versions.
  [[nodiscard]] bool Write(TextSink *out) override;

private:
  std::int64_t ReadBands(TextSource &in, std::int32_t count,
                         std::int64_t position);
};

class FilterBandNode final : public SceneNode {
public:
  /// Registers the node with the root above `parent` (when there is one).
  FilterBandNode(SceneNode *parent, std::string_view name);
  /// The same, and adds "ID" = index.
  FilterBandNode(SceneNode *parent, std::string_view name, std::int32_t index);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::FilterBand;
  }

  /// Reads the band's two lines from `position`, passing over comment and
  /// blank lines. Version 2: the lower then the upper frequency, one number
  /// a line. Version 3: a "...Min" and a "...Max" line in either order,
  /// each a word and a frequency. Frequencies lie from 0 to
  /// kMaxBandFrequency in both versions.
  /// Answers the position after the second line; kReadFailed
  /// (GetReadFailure names the line) on a missing line or number, words
  /// that are not one "Min" and one "Max", a frequency out of range, or a
  /// script version other than 2 and 3.
  std::int64_t Read(TextSource *in, std::int64_t position) override;

  /// Version 2: every parameter but "Name", "NodeID" and "ID", its value
  /// alone on a line. Version 3: the "B<ID>Min" then the "B<ID>Max" line,
  /// each when the node holds it; false without an "ID". False for other
  /// versions.
  [[nodiscard]] bool Write(TextSink *out) override;

  /// Adds the frequency `id` (lower or upper) unless the node holds it
  /// already. False, and nothing added, when the value is not a number
  /// from 0 to kMaxBandFrequency.
  [[nodiscard]] bool SetFrequency(int id, float value);
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_EFFECTS_AUDIO_ANALYSIS_NODE_H
