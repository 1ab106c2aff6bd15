// Windows-only tests: packed DIBs drawn through GDI onto a memory device
// context whose pixels the test reads back.
#include "platform/dib_drawing.h"

#include <gtest/gtest.h>

#include <vector>
#include <windows.h>

namespace vorafile::platform {
namespace {

// A 32-bit top-down DIB section selected into a memory device context.
class Canvas {
public:
  Canvas(int width, int height) : width_(width) {
    dc_ = ::CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint32_t *>(bits);
    old_ = ::SelectObject(dc_, bitmap_);
  }
  Canvas(const Canvas &) = delete;
  Canvas &operator=(const Canvas &) = delete;
  ~Canvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }
  HDC Dc() const { return dc_; }
  // 0x00RRGGBB of pixel (x, y), y = 0 at the top.
  std::uint32_t At(int x, int y) const {
    ::GdiFlush();
    return bits_[y * width_ + x] & 0xffffff;
  }

private:
  int width_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::uint32_t *bits_ = nullptr;
};

// A packed 8-bit DIB of 2 x 2: header, two table entries, bottom-up rows.
std::vector<std::uint8_t> MakeIndexedDib() {
  std::vector<std::uint8_t> block(sizeof(BITMAPINFOHEADER) + 2 * 4 + 2 * 4);
  auto *header = reinterpret_cast<BITMAPINFOHEADER *>(block.data());
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = 2;
  header->biHeight = 2;
  header->biPlanes = 1;
  header->biBitCount = 8;
  header->biClrUsed = 2;
  auto *table = reinterpret_cast<RGBQUAD *>(header + 1);
  table[0] = RGBQUAD{0x00, 0x00, 0xff, 0}; // red
  table[1] = RGBQUAD{0xff, 0x00, 0x00, 0}; // blue
  std::uint8_t *rows = block.data() + sizeof(BITMAPINFOHEADER) + 2 * 4;
  rows[0] = 0; // bottom row: red, blue
  rows[1] = 1;
  rows[4] = 1; // top row: blue, red
  rows[5] = 0;
  return block;
}

TEST(DibDrawingTest, StretchesAndBlitsIndexedImages) {
  std::vector<std::uint8_t> dib = MakeIndexedDib();
  const std::uint8_t *pixels = dib.data() + sizeof(BITMAPINFOHEADER) + 8;
  {
    Canvas canvas(4, 4);
    const DibRect target{0, 0, 4, 4};
    const DibRect source{0, 0, 2, 2};
    EXPECT_EQ(
        StretchDibToDevice(canvas.Dc(), target, source, dib.data(), pixels, 0),
        2);
    EXPECT_EQ(canvas.At(0, 0), 0x0000ffu); // top left: blue
    EXPECT_EQ(canvas.At(3, 0), 0xff0000u);
    EXPECT_EQ(canvas.At(0, 3), 0xff0000u); // bottom left: red
    EXPECT_EQ(canvas.At(3, 3), 0x0000ffu);
  }
  {
    Canvas canvas(3, 3);
    EXPECT_TRUE(BlitDibToDevice(canvas.Dc(), dib.data(), pixels, 0));
    EXPECT_EQ(canvas.At(0, 0), 0x0000ffu);
    EXPECT_EQ(canvas.At(0, 1), 0xff0000u);
    EXPECT_EQ(canvas.At(2, 2), 0u); // outside the image: untouched
  }
  EXPECT_EQ(StretchDibToDevice(nullptr, {}, {}, dib.data(), pixels, 0), 0);
  EXPECT_FALSE(BlitDibToDevice(nullptr, dib.data(), pixels, 0));
}

} // namespace
} // namespace vorafile::platform
