// Scene folders for tests: a working folder with a scene script, its
// "intro.ini" and whatever else a test adds.
#ifndef VORAFILE_TESTS_DOCUMENT_SCENE_FIXTURE_H
#define VORAFILE_TESTS_DOCUMENT_SCENE_FIXTURE_H

#include "document/scene_document.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace vorafile::test {

class SceneFolderTest : public ::testing::Test {
protected:
  /// Writes "vora.vrc" (and an empty "intro.ini" unless there is one) and
  /// opens the folder.
  SceneOpenResult
  OpenScript(const std::string &script,
             const char *scriptName = SceneDocument::kSavedScript) {
    dir_.write(scriptName, script);
    if (dir_.read("intro.ini").empty())
      dir_.write("intro.ini", "");
    return document_.Open(dir_.folder());
  }

  nodes::SceneNode &Root() { return *document_.GetRoot(); }

  template <class T> std::optional<T> RootParam(int id) {
    return Root().GetParamAs<T>(id);
  }

  TempDir dir_;
  SceneDocument document_;
};

} // namespace vorafile::test

#endif // VORAFILE_TESTS_DOCUMENT_SCENE_FIXTURE_H
