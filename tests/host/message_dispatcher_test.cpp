#include "host/message_dispatcher.h"

#include "host/node_info_block.h"
#include "platform/shared_memory.h"
#include "vorafile/vorafile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace vorafile {
namespace {

// Every message number the host interface lists.
const std::vector<std::uint32_t> kListedMessages = [] {
  std::vector<std::uint32_t> listed;
  for (std::uint32_t msg = 1000; msg <= 1025; ++msg) {
    if (msg != 1005)
      listed.push_back(msg);
  }
  for (std::uint32_t msg : {1030u, 2000u, 2001u, 2002u, 2003u, 2004u, 2005u})
    listed.push_back(msg);
  return listed;
}();

const std::vector<std::uint32_t> kUnlistedMessages = {
    0,    1,    999,  1005, 1026, 1027, 1028,  1029,
    1031, 1500, 1999, 2006, 2175, 4000, 65536, 0xFFFFFFFFu};

TEST(MessageDispatcherTest, OnlyCreateWorksWithoutFileManager) {
  MessageDispatcher dispatcher;
  for (std::uint32_t msg : kListedMessages) {
    if (msg != VORA_MSG_CREATE) {
      EXPECT_EQ(dispatcher.Send(msg, 0, 0, 0, 0), 0u) << msg;
    }
  }
  EXPECT_EQ(dispatcher.GetFileManager(), nullptr);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  EXPECT_NE(dispatcher.GetFileManager(), nullptr);
}

TEST(MessageDispatcherTest, SecondCreateKeepsTheFirstManager) {
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  FileManager *first = dispatcher.GetFileManager();
  std::optional<std::string> folder = first->MakeWorkFolder();
  ASSERT_TRUE(folder);

  EXPECT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 0u);
  EXPECT_EQ(dispatcher.GetFileManager(), first);
  EXPECT_EQ(first->LastTempFolder(), *folder);

  EXPECT_EQ(dispatcher.Send(VORA_MSG_DESTROY, 0, 0, 0, 0), 1u);
  FileManager::DeleteFolderTree(*folder);
}

TEST(MessageDispatcherTest, DestroyEndsEverythingButCreate) {
  MessageDispatcher dispatcher;
  EXPECT_EQ(dispatcher.Send(VORA_MSG_DESTROY, 0, 0, 0, 0), 0u);
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_NOTHING, 0, 0, 0, 0), 1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_DESTROY, 0, 0, 0, 0), 1u);
  EXPECT_EQ(dispatcher.GetFileManager(), nullptr);
  for (std::uint32_t msg : kListedMessages) {
    if (msg != VORA_MSG_CREATE) {
      EXPECT_EQ(dispatcher.Send(msg, 0, 0, 0, 0), 0u) << msg;
    }
  }
  EXPECT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
}

TEST(MessageDispatcherTest, UnlistedMessagesAnswerZero) {
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  for (std::uint32_t msg : kUnlistedMessages)
    EXPECT_EQ(dispatcher.Send(msg, 1, 2, 3, 4), 0u) << msg;
  // The ignored argument of 1004 stays ignored.
  EXPECT_EQ(dispatcher.Send(VORA_MSG_NOTHING, 12345, 0, 0, 0), 1u);
  EXPECT_NE(dispatcher.GetFileManager(), nullptr);
}

TEST(MessageDispatcherTest, SceneMessagesFailWithoutAScene) {
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  ParamQuery query{};
  const NodePath end[] = {{VORA_NODE_END, 0}};
  const auto queryArg = reinterpret_cast<std::uintptr_t>(&query);
  const auto pathArg = reinterpret_cast<std::uintptr_t>(end);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_READ_PARAM_BY_TYPE, VORA_NODE_SCENE_ROOT,
                            0, queryArg, 0),
            0u);
  EXPECT_EQ(
      dispatcher.Send(VORA_MSG_READ_PARAM_BY_PATH, pathArg, queryArg, 0, 0),
      0u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_NODE_EXISTS_BY_ID, 0, 0, 0, 0), 0u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_WRITE_SCRIPT, 0, 0, 0, 0), 0u);
}

TEST(MessageDispatcherTest, FailedDecodeStoresNullPointers) {
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  const std::uint32_t limits[2] = {640, 480};
  const auto limitsArg = reinterpret_cast<std::uintptr_t>(limits);
  const auto path = reinterpret_cast<std::uintptr_t>("missing.jpg");

  for (std::uint32_t msg : {VORA_MSG_DECODE_FIT, VORA_MSG_DECODE_RESIZE}) {
    std::uintptr_t header = 0xdead;
    std::uintptr_t pixels = 0xbeef;
    EXPECT_EQ(dispatcher.Send(msg, path, limitsArg,
                              reinterpret_cast<std::uintptr_t>(&header),
                              reinterpret_cast<std::uintptr_t>(&pixels)),
              0u);
    EXPECT_EQ(header, 0u) << msg;
    EXPECT_EQ(pixels, 0u) << msg;
  }
  std::uintptr_t header = 0xdead;
  std::uintptr_t pixels = 0xbeef;
  EXPECT_EQ(dispatcher.Send(VORA_MSG_DECODE_IMAGE, path,
                            reinterpret_cast<std::uintptr_t>(&header),
                            reinterpret_cast<std::uintptr_t>(&pixels), 0),
            0u);
  EXPECT_EQ(header, 0u);
  EXPECT_EQ(pixels, 0u);
  // Null targets are not written through.
  EXPECT_EQ(dispatcher.Send(VORA_MSG_DECODE_FIT, path, limitsArg, 0, 0), 0u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_FREE_IMAGE, 0, 0, 0, 0), 1u);
}

TEST(MessageDispatcherTest, ReleaseInfoFreesEntriesAndSharedBlock) {
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);

  NodeInfoBlock block{};
  block.recordSize = sizeof(NodeInfoBlock);
  block.count = 3;
  block.entries = AllocateNodeInfoEntries(3);
  std::optional<platform::SharedMapping> mapping =
      platform::MapSharedBlock(VORA_SHARED_BLOCK_NAME, VORA_SHARED_BLOCK_SIZE);
  ASSERT_TRUE(mapping);
  block.mapping = mapping->handle;
  block.view = mapping->view;
  block.used = 12;
  const auto blockArg = reinterpret_cast<std::uintptr_t>(&block);

  EXPECT_EQ(dispatcher.Send(VORA_MSG_RELEASE_INFO_ENTRIES, blockArg, 0, 0, 0),
            1u);
  EXPECT_EQ(block.entries, nullptr);
  EXPECT_EQ(block.mapping, mapping->handle);
  EXPECT_EQ(block.view, mapping->view);

  EXPECT_EQ(dispatcher.Send(VORA_MSG_RELEASE_INFO, blockArg, 0, 0, 0), 1u);
  EXPECT_EQ(block.mapping, 0u);
  EXPECT_EQ(block.view, nullptr);
  EXPECT_EQ(block.entries, nullptr);
  // Releasing an empty block again, or a null block, is harmless.
  EXPECT_EQ(dispatcher.Send(VORA_MSG_RELEASE_INFO, blockArg, 0, 0, 0), 1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_RELEASE_INFO, 0, 0, 0, 0), 1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_RELEASE_INFO_ENTRIES, 0, 0, 0, 0), 1u);
}

} // namespace
} // namespace vorafile
