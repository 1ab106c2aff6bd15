#include "archive/mszip_codec.h"

#include "archive/block_encoder_pool.h"
#include "archive/cab_format.h"
#include "cabinet_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <zlib.h>

namespace vorafile::archive::test {
namespace {

void *MallocAlloc(std::size_t size, void *) {
  return std::malloc(size);
}
void MallocFree(void *memory, void *) {
  std::free(memory);
}
const EngineAllocator kAllocator{MallocAlloc, MallocFree, nullptr};

const std::uint8_t *Bytes(const std::string &text) {
  return reinterpret_cast<const std::uint8_t *>(text.data());
}

struct Coded {
  std::vector<std::uint8_t> payload;
  bool isStored = false;
};

Coded Encode(MsZipEncoder &encoder, const std::string &history,
             const std::string &input) {
  Coded coded;
  coded.payload.resize(MsZipEncoder::StoredSize(input.size()));
  std::size_t size =
      encoder.Encode(Bytes(history), history.size(), Bytes(input), input.size(),
                     coded.payload.data(), &coded.isStored);
  coded.payload.resize(size);
  return coded;
}

std::string Decode(const std::string &history, const Coded &coded,
                   std::size_t expected) {
  MsZipDecoder decoder(kAllocator);
  EXPECT_TRUE(decoder.Init());
  std::string out(expected, '\0');
  if (!decoder.Decode(Bytes(history), history.size(), coded.payload.data(),
                      coded.payload.size(),
                      reinterpret_cast<std::uint8_t *>(out.data()), expected)) {
    return "<failed>";
  }
  return out;
}

TEST(MsZipCodecTest, StoresOnlyWhatDeflateCannotShrink) {
  MsZipEncoder encoder(kAllocator);
  ASSERT_TRUE(encoder.Init());
  struct Case {
    const char *label;
    std::string history;
    std::string input;
    bool stored;
  };
  std::string noise = RandomBytes(cab::kBlockMax, 1);
  std::string run = RandomBytes(4096, 2);
  std::string runs;
  for (int i = 0; i < 8; ++i) {
    runs += run;
  }
  // Random bytes below 200: flat but narrow, so Huffman coding wins.
  std::string narrow = RandomBytes(cab::kBlockMax, 3);
  for (char &c : narrow) {
    c = static_cast<char>(static_cast<unsigned char>(c) % 200);
  }
  std::vector<Case> cases = {
      {"noise", "", noise, true},
      {"noise after other noise", RandomBytes(cab::kBlockMax, 4), noise, true},
      {"repeated random run", "", runs, false},
      {"noise half repeating its history", noise,
       noise.substr(cab::kBlockMax / 2) + RandomBytes(cab::kBlockMax / 2, 9),
       !MsZipEncoder::CodesWithHistory()},
      {"narrow alphabet", "", narrow, false},
      {"text", "", TextBytes(cab::kBlockMax, 5), false},
      {"short noise", "", RandomBytes(100, 6), true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    Coded coded = Encode(encoder, c.history, c.input);
    ASSERT_GT(coded.payload.size(), 0u);
    EXPECT_EQ(coded.isStored, c.stored);
    if (c.stored) {
      EXPECT_EQ(coded.payload.size(), MsZipEncoder::StoredSize(c.input.size()));
    } else {
      EXPECT_LT(coded.payload.size(), c.input.size());
    }
    EXPECT_EQ(Decode(c.history, coded, c.input.size()), c.input);
  }
}

// A block as writers that carry history code it: zlib with the previous
// block as preset dictionary.
Coded EncodeWithDictionary(const std::string &history,
                           const std::string &input) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  if (!history.empty()) {
    deflateSetDictionary(&z, Bytes(history), static_cast<uInt>(history.size()));
  }
  Coded coded;
  coded.payload.resize(deflateBound(&z, static_cast<uLong>(input.size())) + 2);
  coded.payload[0] = 'C';
  coded.payload[1] = 'K';
  z.next_in = const_cast<Bytef *>(Bytes(input));
  z.avail_in = static_cast<uInt>(input.size());
  z.next_out = coded.payload.data() + 2;
  z.avail_out = static_cast<uInt>(coded.payload.size() - 2);
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  coded.payload.resize(z.total_out + 2);
  deflateEnd(&z);
  return coded;
}

TEST(MsZipCodecTest, DecodesBlocksThatReferToTheirHistory) {
  std::string first = RandomBytes(20000, 11);
  std::string second = first.substr(5000) + first.substr(10000, 5000);
  std::string third = TextBytes(20000, 12);
  Coded codedFirst = EncodeWithDictionary("", first);
  Coded codedSecond = EncodeWithDictionary(first, second);
  Coded codedThird = EncodeWithDictionary(second, third);
  ASSERT_LT(codedSecond.payload.size(), 1000u);

  MsZipDecoder decoder(kAllocator);
  ASSERT_TRUE(decoder.Init());
  auto decode = [&](const std::string &history, const Coded &coded,
                    std::size_t expected) {
    std::string out(expected, '\0');
    bool ok =
        decoder.Decode(Bytes(history), history.size(), coded.payload.data(),
                       coded.payload.size(),
                       reinterpret_cast<std::uint8_t *>(out.data()), expected);
    return ok ? out : "<failed>";
  };
  // One decoder through a folder, as the extractor uses it, then again:
  // after a block that needed its history, later blocks still decode.
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    EXPECT_EQ(decode("", codedFirst, first.size()), first);
    EXPECT_EQ(decode(first, codedSecond, second.size()), second);
    EXPECT_EQ(decode(second, codedThird, third.size()), third);
  }
  // Without its history the second block cannot be decoded.
  EXPECT_EQ(decode("", codedSecond, second.size()), "<failed>");
}

TEST(MsZipCodecTest, DecodeDemandsTheDeclaredSize) {
  MsZipEncoder encoder(kAllocator);
  ASSERT_TRUE(encoder.Init());
  for (const std::string &input :
       {TextBytes(20000, 7), RandomBytes(20000, 8)}) {
    Coded coded = Encode(encoder, "", input);
    EXPECT_EQ(Decode("", coded, input.size()), input);
    EXPECT_EQ(Decode("", coded, input.size() - 1), "<failed>");
    EXPECT_EQ(Decode("", coded, input.size() + 1), "<failed>");
    Coded renamed = coded;
    renamed.payload[0] = 'X';
    EXPECT_EQ(Decode("", renamed, input.size()), "<failed>");
  }
}

TEST(BlockEncoderPoolTest, ThreadsCodeTheSameBytes) {
  std::vector<std::string> inputs;
  for (unsigned i = 0; i < 9; ++i) {
    inputs.push_back(i % 3 == 0 ? RandomBytes(cab::kBlockMax, 20 + i)
                                : TextBytes(cab::kBlockMax - i, 20 + i));
  }
  std::vector<std::vector<std::uint8_t>> reference;
  for (unsigned threads : {1u, 2u, 3u, 4u}) {
    SCOPED_TRACE(threads);
    BlockEncoderPool pool(kAllocator);
    ASSERT_TRUE(pool.Init(threads));
    EXPECT_LE(pool.ThreadCount(), threads);
    std::vector<std::vector<std::uint8_t>> outputs(inputs.size());
    std::vector<BlockJob> jobs(inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      outputs[i].resize(MsZipEncoder::StoredSize(inputs[i].size()));
      jobs[i].history = i == 0 ? nullptr : Bytes(inputs[i - 1]);
      jobs[i].historySize = i == 0 ? 0 : inputs[i - 1].size();
      jobs[i].input = Bytes(inputs[i]);
      jobs[i].size = inputs[i].size();
      jobs[i].out = outputs[i].data();
    }
    // Two batches through the same workers.
    pool.EncodeAll(jobs.data(), 4);
    pool.EncodeAll(jobs.data() + 4, jobs.size() - 4);
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      ASSERT_GT(jobs[i].payloadSize, 0u) << i;
      outputs[i].resize(jobs[i].payloadSize);
      EXPECT_EQ(jobs[i].isStored, i % 3 == 0) << i;
    }
    if (threads == 1) {
      reference = outputs;
    } else {
      EXPECT_EQ(outputs, reference);
    }
  }
}

} // namespace
} // namespace vorafile::archive::test
