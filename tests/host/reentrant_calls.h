// The calls a window procedure makes into the dispatcher while a package
// opens or saves, and what each must answer then: whatever would change or
// free what the running operation uses is refused; reads keep working.
#ifndef VORAFILE_TESTS_HOST_REENTRANT_CALLS_H
#define VORAFILE_TESTS_HOST_REENTRANT_CALLS_H

#include "host/message_dispatcher.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/scene_node.h"
#include "vorafile/vorafile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vorafile::test {

class ReentrantCalls {
public:
  /// `cabinet` opens, `target` can be saved to, `folder` is any folder.
  ReentrantCalls(MessageDispatcher &dispatcher, std::string cabinet,
                 std::string target, std::string folder)
      : dispatcher_(dispatcher), cabinet_(std::move(cabinet)),
        target_(std::move(target)), folder_(std::move(folder)) {}

  /// Sends every call (the destroy last) and notes the answers.
  void Send() {
    ran = true;
    const std::int32_t introId = IntroId();
    query_.id = nodes::param::kTextColor;
    query_.extra = -1;
    query_.valueType = VORA_VALUE_COLOR;
    query_.size = sizeof color_;
    query_.data = color_;
    const std::uint32_t limits[2] = {64, 64};
    char converted[260] = {};
    const std::string picture = folder_ + "missing.jpg";
    struct Call {
      std::uint32_t msg;
      std::uintptr_t p1, p2, p3, p4;
    };
    const auto id = static_cast<std::uintptr_t>(introId);
    const Call calls[] = {
        {VORA_MSG_OPEN_PACKAGE, Arg(cabinet_.c_str()), 0, 0, 0},
        {VORA_MSG_SAVE_PACKAGE, Arg(target_.c_str()), 0, 0, 0},
        {VORA_MSG_SAVE_PACKAGE_AS, Arg(target_.c_str()), 0, 0, 0},
        {VORA_MSG_WRITE_SCRIPT, 0, 0, 0, 0},
        {VORA_MSG_WRITE_PARAM_BY_ID, id, Arg(&query_), 0, 0},
        {VORA_MSG_WRITE_PARAM_BY_ID_2, id, Arg(&query_), 0, 0},
        {VORA_MSG_WRITE_PARAM_BY_TYPE, VORA_NODE_INTRO, 0, Arg(&query_), 0},
        {VORA_MSG_WRITE_PARAM_BY_ID_PATH, id, Arg(end_), Arg(&query_), 0},
        {VORA_MSG_REMOVE_PARAM, id, nodes::param::kTextColor, 0, 0},
        {VORA_MSG_ADD_CONFIG_NODE, (VORA_NODE_INTRO << 16) | VORA_NODE_ORB,
         Arg("orb"), Arg(folder_.c_str()), Arg("introNode1")},
        {VORA_MSG_CONVERT_IMAGE, Arg(picture.c_str()), Arg(limits),
         Arg(converted), 0},
        {VORA_MSG_NOTHING, 0, 0, 0, 0},
        {VORA_MSG_NODE_EXISTS_BY_TYPE, VORA_NODE_SCENE_ROOT, 0, 0, 0},
        {VORA_MSG_READ_PARAM_BY_TYPE, VORA_NODE_INTRO, 0, Arg(&read_), 0},
        {VORA_MSG_DESTROY, 0, 0, 0, 0},
    };
    read_.id = nodes::param::kTextColor;
    read_.extra = -1;
    read_.size = sizeof readColor_;
    read_.data = readColor_;
    for (const Call &call : calls) {
      answers.push_back({call.msg, dispatcher_.Send(call.msg, call.p1, call.p2,
                                                    call.p3, call.p4)});
    }
  }

  /// Every change and free was refused (1030 with its failure status 2);
  /// with `sceneLoaded` the reads found the scene.
  void ExpectRefusedChangesAndWorkingReads(bool sceneLoaded) const {
    ASSERT_TRUE(ran) << "no call came back during the operation";
    for (const auto &[msg, answer] : answers) {
      std::uint32_t expected = 0;
      if (msg == VORA_MSG_ADD_CONFIG_NODE) {
        expected = 2;
      } else if (msg == VORA_MSG_NOTHING) {
        expected = 1;
      } else if (msg == VORA_MSG_NODE_EXISTS_BY_TYPE ||
                 msg == VORA_MSG_READ_PARAM_BY_TYPE) {
        expected = sceneLoaded ? 1 : 0;
      }
      EXPECT_EQ(answer, expected) << "message " << msg;
    }
  }

  bool ran = false;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> answers;

private:
  static std::uintptr_t Arg(const void *pointer) {
    return reinterpret_cast<std::uintptr_t>(pointer);
  }
  std::int32_t IntroId() const {
    FileManager *manager = dispatcher_.GetFileManager();
    if (manager == nullptr || !manager->Document().HasScene()) {
      return 0;
    }
    nodes::SceneNode *intro =
        manager->Document().FindByTypeAndOrdinal(VORA_NODE_INTRO, 0);
    return intro != nullptr ? intro->GetNodeId() : 0;
  }

  MessageDispatcher &dispatcher_;
  std::string cabinet_;
  std::string target_;
  std::string folder_;
  float color_[4] = {0.5f, 0.5f, 0.5f, 0.0f};
  float readColor_[4] = {};
  ParamQuery query_{};
  ParamQuery read_{};
  NodePath end_[1] = {{VORA_NODE_END, 0}};
};

} // namespace vorafile::test

#endif // VORAFILE_TESTS_HOST_REENTRANT_CALLS_H
