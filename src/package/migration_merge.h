// The values of an oldest-version scene ("vora_.rudov", a plain list) go
// into the template scene that the migration extracted over it.
#ifndef VORAFILE_PACKAGE_MIGRATION_MERGE_H
#define VORAFILE_PACKAGE_MIGRATION_MERGE_H

#include "document/scene_document.h"
#include "package/package_result.h"

#include <vector>

namespace vorafile {

/// The object ordinals that receive entry `entry` of `count` migrated
/// entries under layout number `layout`; none for unknown layouts.
[[nodiscard]] std::vector<int> MigrationOrdinals(int layout, int entry,
                                                 int count);

/// The merge's answer; `entries` is the number of entries the list gives.
struct MergeResult : OpenResult {
  int entries = 0;
};

/// Merges the values of "vora_.rudov" in the root's folder into the loaded
/// scene, each written as a host's write would be (a value keeps its type;
/// a node that is missing or refuses a value is skipped). Fails with
/// MigrationListUnreadable or MigrationListRejected (no layout, no entry
/// count, or a count below 1); values before the failing line stay merged.
[[nodiscard]] MergeResult MergeMigrationList(SceneDocument &document);

} // namespace vorafile

#endif // VORAFILE_PACKAGE_MIGRATION_MERGE_H
