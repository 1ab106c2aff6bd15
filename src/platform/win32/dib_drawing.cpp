// Windows-only code: drawing packed DIBs with GDI.
#include "platform/dib_drawing.h"

#include <vector>
#include <windows.h>

namespace vorafile::platform {

namespace {

// The palette of an 8-bit image, selected and realised on an 8-bit device
// for the life of the object; nothing for other depths or devices.
class DevicePalette {
public:
  DevicePalette(HDC dc, const BITMAPINFOHEADER *header, BOOL forceBackground)
      : dc_(dc) {
    if (header->biBitCount != 8 || ::GetDeviceCaps(dc, BITSPIXEL) != 8) {
      return;
    }
    DWORD entries = header->biClrUsed == 0 ? 256 : header->biClrUsed;
    if (entries > 256) {
      entries = 256;
    }
    std::vector<BYTE> storage(sizeof(LOGPALETTE) +
                              entries * sizeof(PALETTEENTRY));
    auto *logical = reinterpret_cast<LOGPALETTE *>(storage.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(entries);
    const auto *table = reinterpret_cast<const RGBQUAD *>(header + 1);
    // palPalEntry is declared with one element; the storage holds them all.
    PALETTEENTRY *out = logical->palPalEntry;
    for (DWORD i = 0; i < entries; ++i) {
      out[i] =
          PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    }
    palette_ = ::CreatePalette(logical);
    if (palette_ == nullptr) {
      return;
    }
    old_ = ::SelectPalette(dc, palette_, forceBackground);
    ::RealizePalette(dc);
  }
  DevicePalette(const DevicePalette &) = delete;
  DevicePalette &operator=(const DevicePalette &) = delete;
  ~DevicePalette() {
    if (palette_ == nullptr) {
      return;
    }
    ::SelectPalette(dc_, old_, FALSE);
    ::DeleteObject(palette_);
  }

private:
  HDC dc_;
  HPALETTE palette_ = nullptr;
  HPALETTE old_ = nullptr;
};

} // namespace

int StretchDibToDevice(void *deviceContext, const DibRect &target,
                       const DibRect &source, const void *info,
                       const void *pixels, std::uint32_t forceBackground) {
  auto *dc = static_cast<HDC>(deviceContext);
  const auto *header = static_cast<const BITMAPINFOHEADER *>(info);
  if (dc == nullptr || header == nullptr || pixels == nullptr) {
    return 0;
  }
  DevicePalette palette(dc, header, forceBackground != 0);
  ::SetStretchBltMode(dc, COLORONCOLOR);
  const int lines = ::StretchDIBits(
      dc, target.left, target.top, target.right - target.left,
      target.bottom - target.top, source.left, source.top,
      source.right - source.left, source.bottom - source.top, pixels,
      static_cast<const BITMAPINFO *>(info), DIB_RGB_COLORS, SRCCOPY);
  // GDI_ERROR is an unsigned long constant; StretchDIBits answers an int.
  return lines == static_cast<int>(GDI_ERROR) ? 0 : lines;
}

bool BlitDibToDevice(void *deviceContext, const void *info, const void *pixels,
                     std::uint32_t forceBackground) {
  auto *dc = static_cast<HDC>(deviceContext);
  const auto *header = static_cast<const BITMAPINFOHEADER *>(info);
  if (dc == nullptr || header == nullptr || pixels == nullptr) {
    return false;
  }
  const auto *bitmapInfo = static_cast<const BITMAPINFO *>(info);
  HDC memory = ::CreateCompatibleDC(dc);
  if (memory == nullptr) {
    return false;
  }
  void *bits = nullptr;
  HBITMAP section =
      ::CreateDIBSection(dc, bitmapInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool copied = false;
  if (section != nullptr) {
    const int height =
        header->biHeight < 0 ? -header->biHeight : header->biHeight;
    const int rows = ::SetDIBits(memory, section, 0, static_cast<UINT>(height),
                                 pixels, bitmapInfo, DIB_RGB_COLORS);
    copied = rows == height;
    if (copied) {
      HGDIOBJ old = ::SelectObject(memory, section);
      DevicePalette palette(dc, header, forceBackground != 0);
      ::BitBlt(dc, 0, 0, header->biWidth, height, memory, 0, 0, SRCCOPY);
      ::SelectObject(memory, old);
    }
    ::DeleteObject(section);
  }
  ::DeleteDC(memory);
  return copied;
}

} // namespace vorafile::platform
