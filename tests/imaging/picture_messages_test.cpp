// Messages 2000 to 2005 through the message dispatch, with the codec we
// build installed where the registry (stand-in) points.
#include "host/message_dispatcher.h"

#include "imaging/picture_samples.h"
#include "vorafile/vorafile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace vorafile {
namespace {

using test::CodecInstallation;
using test::MakeFlatBmp;
using test::TempDir;

std::uintptr_t Arg(const void *pointer) {
  return reinterpret_cast<std::uintptr_t>(pointer);
}

TEST(PictureMessagesTest, FreeAndFailedDecodesAnswerAsTheHostExpects) {
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  // 2003 with no image.
  EXPECT_EQ(dispatcher.Send(VORA_MSG_FREE_IMAGE, 0, 0, 0, 0), 1u);
  // Decodes without a loaded library fail and still store zeros.
  const std::uint32_t limits[2] = {640, 480};
  for (std::uint32_t msg : {VORA_MSG_DECODE_FIT, VORA_MSG_DECODE_RESIZE}) {
    std::uintptr_t header = 1;
    std::uintptr_t pixels = 1;
    EXPECT_EQ(dispatcher.Send(msg, Arg("missing.bmp"), Arg(limits),
                              Arg(&header), Arg(&pixels)),
              0u);
    EXPECT_EQ(header, 0u);
    EXPECT_EQ(pixels, 0u);
    // Null limits are refused the same way.
    header = pixels = 1;
    EXPECT_EQ(
        dispatcher.Send(msg, Arg("missing.bmp"), 0, Arg(&header), Arg(&pixels)),
        0u);
    EXPECT_EQ(header, 0u);
  }
  std::uintptr_t header = 1;
  std::uintptr_t pixels = 1;
  EXPECT_EQ(dispatcher.Send(VORA_MSG_DECODE_IMAGE, Arg("missing.bmp"),
                            Arg(&header), Arg(&pixels), 0),
            0u);
  EXPECT_EQ(header, 0u);
  EXPECT_EQ(pixels, 0u);
}

#ifndef _WIN32

// Sets the working folder of the process for one test (2002 writes into the
// package's working folder, which is empty while no package is open).
class ScopedCurrentFolder {
public:
  explicit ScopedCurrentFolder(const std::filesystem::path &folder)
      : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ScopedCurrentFolder(const ScopedCurrentFolder &) = delete;
  ScopedCurrentFolder &operator=(const ScopedCurrentFolder &) = delete;
  ~ScopedCurrentFolder() { std::filesystem::current_path(old_); }

private:
  std::filesystem::path old_;
};

TEST(PictureMessagesTest, LoadDecodeConvertAndFree) {
  TempDir dir;
  CodecInstallation installation(dir);
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  FileManager &manager = *dispatcher.GetFileManager();
  ASSERT_EQ(dispatcher.Send(VORA_MSG_LOAD_CODEC, 0, 0, 0, 0), 1u);
  ASSERT_EQ(dispatcher.Send(VORA_MSG_LOAD_CODEC, 0, 0, 0, 0), 1u);

  dir.write("pic.bmp", MakeFlatBmp(1024, 768));
  const std::string path = dir.file("pic.bmp");
  if (CodecInstallation::HasJpeg()) {
    ScopedCurrentFolder current(dir.path());
    const std::uint32_t limits[2] = {640, 480};
    char converted[260];
    std::memset(converted, 'x', sizeof converted);
    ASSERT_EQ(dispatcher.Send(VORA_MSG_CONVERT_IMAGE, Arg(path.c_str()),
                              Arg(limits), Arg(converted), 0),
              1u);
    EXPECT_STREQ(converted, "pic.jpg");
    EXPECT_EQ(manager.Pictures().ConvertedPath(), "pic.jpg");
    EXPECT_TRUE(std::filesystem::exists(dir.file("pic.jpg")));
    EXPECT_EQ(manager.Pictures().Codec().Image()->biWidth, 640);
  }

  std::uintptr_t header = 0;
  std::uintptr_t pixels = 0;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_DECODE_IMAGE, Arg(path.c_str()),
                            Arg(&header), Arg(&pixels), 0),
            1u);
  EXPECT_EQ(header, Arg(manager.Pictures().Codec().Image()));
  EXPECT_EQ(pixels, header + 40);
  EXPECT_EQ(manager.Pictures().ConvertedPath(), "");

  const std::uint32_t size[2] = {1024, 768};
  ASSERT_EQ(dispatcher.Send(VORA_MSG_DECODE_FIT, Arg(path.c_str()), Arg(size),
                            Arg(&header), Arg(&pixels)),
            1u);
  EXPECT_EQ(manager.Pictures().Codec().Image()->biWidth, 1024);
  const std::uint32_t smaller[2] = {100, 50};
  ASSERT_EQ(dispatcher.Send(VORA_MSG_DECODE_RESIZE, Arg(path.c_str()),
                            Arg(smaller), Arg(&header), Arg(&pixels)),
            1u);
  EXPECT_EQ(header, Arg(manager.Pictures().Codec().Image()));
  EXPECT_EQ(manager.Pictures().Codec().Image()->biHeight, 50);

  // A failed 2002 frees the current image and leaves the buffer alone.
  dir.write("bad.bmp", "BM");
  char untouched[260] = "old";
  const std::uint32_t limits[2] = {640, 480};
  EXPECT_EQ(dispatcher.Send(VORA_MSG_CONVERT_IMAGE,
                            Arg(dir.file("bad.bmp").c_str()), Arg(limits),
                            Arg(untouched), 0),
            0u);
  EXPECT_STREQ(untouched, "old");
  EXPECT_FALSE(manager.Pictures().Codec().HasImage());
  EXPECT_EQ(dispatcher.Send(VORA_MSG_FREE_IMAGE, 0, 0, 0, 0), 1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_DESTROY, 0, 0, 0, 0), 1u);
}

TEST(PictureMessagesTest, LoadFailsWithoutTheLibrary) {
  TempDir dir;
  dir.write("empty.reg", "Windows Registry Editor Version 5.00\r\n");
  test::ScopedEnv registry("VORAFILE_REGISTRY", dir.file("empty.reg"));
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_LOAD_CODEC, 0, 0, 0, 0), 0u);
  const std::uint32_t limits[2] = {640, 480};
  char converted[260] = "";
  EXPECT_EQ(dispatcher.Send(VORA_MSG_CONVERT_IMAGE, Arg("any.bmp"), Arg(limits),
                            Arg(converted), 0),
            0u);
}

#endif

} // namespace
} // namespace vorafile
