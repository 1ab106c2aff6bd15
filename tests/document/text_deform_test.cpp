// The text deformation lines of the scene script: the root's reader makes
// deformation references and definitions for the message node, the writer
// gives them back with the definition files.
#include "document/scene_root.h"
#include "document/scene_script_writer.h"
#include "nodes/core/param_ids.h"
#include "nodes/effects/def_file_node.h"
#include "nodes/effects/def_ref_node.h"
#include "scene_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vorafile {
namespace {

using nodes::DefFileNode;
using nodes::DefRefNode;
using nodes::SceneNode;
namespace param = nodes::param;

const std::string kRipple = "DefType\tRipple\nMaxInstance\t4\nNumPresets\t1\n" +
                            std::string(79, '#') +
                            "\nPreset\t0\nAmpScale\t1.500000\n";
const std::string kHydra =
    "DefType\tDefRaruzCreate\nMaxInstance\t1\nNumPresets\t3\n";

class TextDeformTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir_.write("intro.ini", "");
    dir_.write("Ripple.vrd", kRipple);
    dir_.write("DefHydraCreate.vrd", kHydra);
  }

  // Reads the script into a new root; with `message`, the root has a
  // message node first.
  std::int64_t Read(const std::string &script, bool message = true) {
    root_ = std::make_unique<SceneRoot>();
    root_->SetFolder(dir_.folder());
    // A stand-in for the message node that the "MsgIni" line makes.
    if (message)
      message_ = root_->AddChild(std::make_unique<test::StandInNode>(
          root_.get(), SceneNode::Kind::Message, "message"));
    nodes::StringSource source(script);
    return root_->Read(&source, 0);
  }

  std::string Written() {
    nodes::StringSink sink;
    EXPECT_TRUE(WriteSceneScript(*root_, sink));
    return sink.GetText();
  }

  std::vector<DefRefNode *> References() const {
    std::vector<DefRefNode *> found;
    for (int i = 0; i < root_->GetChildCount(); ++i)
      if (auto *reference = nodes::DynCast<DefRefNode>(root_->GetChild(i)))
        found.push_back(reference);
    return found;
  }

  test::TempDir dir_;
  std::unique_ptr<SceneRoot> root_;
  SceneNode *message_ = nullptr;
};

TEST_F(TextDeformTest, LoadLinesMakeReferencesThatShareDefinitions) {
  const std::string script = "Version 3\n"
                             "TextDeform Num 3\n"
                             "; comments are not counted\n"
                             "TextDeform Load Ripple.vrd 1\n"
                             "textdeform load defhydracreate.vrd 2\n"
                             "TextDeform Load RIPPLE.VRD 5\n"
                             "Brightness 0.5\n";
  ASSERT_NE(Read(script), nodes::kReadFailed) << root_->GetReadProblem().reason;
  EXPECT_EQ(message_->GetParamAs<std::int32_t>(param::kNum3DTextDefs), 3);
  EXPECT_EQ(root_->GetParamAs<float>(param::kBrightness), 0.5f);
  // The repeated name (in another case) makes no second reference.
  const std::vector<DefRefNode *> references = References();
  ASSERT_EQ(references.size(), 2u);
  EXPECT_TRUE(references[0]->IsBuiltIn());
  EXPECT_EQ(references[0]->GetParamAs<std::int32_t>(param::kPreset), 1);
  EXPECT_EQ(references[0]->GetDefinition()->GetChildCount(), 1);
  const DefFileNode *hydra = references[1]->GetDefinition();
  EXPECT_TRUE(hydra->IsBuiltIn());
  EXPECT_EQ(hydra->GetChildCount(), 3);

  // The count is the references written; the definition files are written
  // again (the system's own never).
  dir_.write("Ripple.vrd", "");
  dir_.write("DefHydraCreate.vrd", "kept");
  const std::string written = Written();
  const std::string lines = "TextDeform\tNum\t2\n"
                            "TextDeform Load\tRipple.vrd\t1\n"
                            "TextDeform Load\tdefhydracreate.vrd\t2\n";
  EXPECT_NE(written.find(lines), std::string::npos) << written;
  EXPECT_EQ(dir_.read("Ripple.vrd"), kRipple);
  EXPECT_EQ(dir_.read("DefHydraCreate.vrd"), "kept");

  // What was written reads back into the same lines.
  dir_.write("DefHydraCreate.vrd", kHydra);
  ASSERT_NE(Read(written), nodes::kReadFailed)
      << root_->GetReadProblem().reason;
  EXPECT_EQ(Written(), written);
}

TEST_F(TextDeformTest, BadLinesFailTheRead) {
  struct Case {
    const char *what;
    std::string lines;
    std::int64_t failedLine; // from the start of the lines
    bool message = true;
  };
  const Case cases[] = {
      {"no message node", "TextDeform Num 0\n", 0, false},
      {"a negative count", "TextDeform Num -1\n", 0},
      {"no count", "TextDeform Num\n", 0},
      {"a count twice", "TextDeform Num 0\nTextDeform Num 0\n", 17},
      {"too few lines", "TextDeform Num 2\nTextDeform Load Ripple.vrd 1\n", 0},
      {"no preset number", "TextDeform Num 1\nTextDeform Load Ripple.vrd\n",
       17},
      {"a missing definition", "TextDeform Num 1\nTextDeform Load x.vrd 1\n",
       17},
      {"a name that leaves the folder",
       "TextDeform Num 1\nTextDeform Load ../Ripple.vrd 1\n", 17},
  };
  const std::string head = "Version 3\n";
  dir_.write("bad.vrd", "Type X\n");
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Read(head + c.lines, c.message), nodes::kReadFailed);
    EXPECT_EQ(root_->GetReadProblem().keyword, "TextDeform");
    EXPECT_EQ(root_->GetReadProblem().position,
              static_cast<std::int64_t>(head.size()) + c.failedLine);
  }
  EXPECT_EQ(Read(head + "TextDeform Num 1\nTextDeform Load bad.vrd 1\n"),
            nodes::kReadFailed);
  EXPECT_NE(root_->GetReadProblem().reason.find("expected \"DefType\""),
            std::string::npos)
      << root_->GetReadProblem().reason;
}

TEST_F(TextDeformTest, OtherFormsAreLeftAsBefore) {
  // Other words pass; "Parent" must name an object of the scene.
  ASSERT_EQ(Read("Version 3\nTextDeform Other\nTextDeform Parent Obj1\n"
                 "Brightness 1\n"),
            nodes::kReadFailed);
  EXPECT_EQ(root_->GetReadProblem().reason, "no object \"Obj1\"");

  // Version 2 reads the definition lines for the message node that its
  // fixed values make.
  const std::string version2 = test::Version2Values() + "0\n" +
                               test::kVersion2Message +
                               "lock\n"
                               "TextDeform Num 1\n"
                               "\n; blank and comment lines are not counted\n"
                               "TextDeform Load Ripple.vrd 4\n";
  ASSERT_NE(Read(version2, false), nodes::kReadFailed)
      << root_->GetReadProblem().reason;
  ASSERT_EQ(References().size(), 1u);
  EXPECT_EQ(References()[0]->GetParamAs<std::int32_t>(param::kInput2Type), 1);
}

} // namespace
} // namespace vorafile
