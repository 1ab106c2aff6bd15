// Median cut colour reduction.
//
// Pixels are counted in a 32x32x32 histogram (5 bits per channel) that also
// sums their exact colours, so that a box's palette entry is the true mean of
// its pixels, and a picture with few colours keeps them exactly. Every cell
// belongs to exactly one box, so mapping a pixel is one table look-up.
#include "qvimage/image_transforms.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vorafile::qvimage {

namespace {

constexpr std::uint32_t kCellBits = 5;
constexpr std::uint32_t kCellsPerSide = 1u << kCellBits;
constexpr std::uint32_t kCellCount =
    kCellsPerSide * kCellsPerSide * kCellsPerSide;

std::uint32_t CellIndex(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return (r << (2 * kCellBits)) | (g << kCellBits) | b;
}

std::uint32_t CellOf(const std::uint8_t *bgr) {
  return CellIndex(bgr[2] >> (8 - kCellBits), bgr[1] >> (8 - kCellBits),
                   bgr[0] >> (8 - kCellBits));
}

struct Histogram {
  std::vector<std::uint32_t> count = std::vector<std::uint32_t>(kCellCount);
  // Sums of red, green and blue per cell.
  std::vector<std::array<std::uint64_t, 3>> sum =
      std::vector<std::array<std::uint64_t, 3>>(kCellCount);
};

// A box of cells, inclusive bounds per channel (0 red, 1 green, 2 blue).
struct ColourBox {
  std::array<std::uint32_t, 3> low{};
  std::array<std::uint32_t, 3> high{};
  std::uint64_t population = 0;

  [[nodiscard]] bool CanSplit() const {
    return low[0] != high[0] || low[1] != high[1] || low[2] != high[2];
  }
};

template <typename Visit> void ForEachCell(const ColourBox &box, Visit visit) {
  for (std::uint32_t r = box.low[0]; r <= box.high[0]; ++r) {
    for (std::uint32_t g = box.low[1]; g <= box.high[1]; ++g) {
      for (std::uint32_t b = box.low[2]; b <= box.high[2]; ++b) {
        visit(std::array<std::uint32_t, 3>{r, g, b}, CellIndex(r, g, b));
      }
    }
  }
}

// Shrinks the box to the cells that hold pixels and counts them.
void FitBox(const Histogram &histogram, ColourBox &box) {
  ColourBox fitted;
  fitted.low = {kCellsPerSide, kCellsPerSide, kCellsPerSide};
  ForEachCell(box,
              [&](const std::array<std::uint32_t, 3> &at, std::uint32_t cell) {
                if (histogram.count[cell] == 0) {
                  return;
                }
                fitted.population += histogram.count[cell];
                for (std::size_t c = 0; c < 3; ++c) {
                  fitted.low[c] = std::min(fitted.low[c], at[c]);
                  fitted.high[c] = std::max(fitted.high[c], at[c]);
                }
              });
  box = fitted;
}

// Splits at the median of the longest side; both halves keep pixels.
std::pair<ColourBox, ColourBox> SplitBox(const Histogram &histogram,
                                         const ColourBox &box) {
  std::size_t axis = 0;
  for (std::size_t c = 1; c < 3; ++c) {
    if (box.high[c] - box.low[c] > box.high[axis] - box.low[axis]) {
      axis = c;
    }
  }
  std::vector<std::uint64_t> slice(kCellsPerSide, 0);
  ForEachCell(box,
              [&](const std::array<std::uint32_t, 3> &at, std::uint32_t cell) {
                slice[at[axis]] += histogram.count[cell];
              });
  std::uint64_t running = 0;
  std::uint32_t cut = box.low[axis];
  for (std::uint32_t v = box.low[axis]; v < box.high[axis]; ++v) {
    running += slice[v];
    cut = v;
    if (2 * running >= box.population) {
      break;
    }
  }
  ColourBox lower = box;
  ColourBox upper = box;
  lower.high[axis] = cut;
  upper.low[axis] = cut + 1;
  FitBox(histogram, lower);
  FitBox(histogram, upper);
  return {lower, upper};
}

std::uint16_t BitsForColours(std::uint32_t colours) {
  if (colours <= 2) {
    return 1;
  }
  if (colours <= 16) {
    return 4;
  }
  return 8;
}

} // namespace

ImageBlock QuantizeMedianCut(const ImageView &source, std::uint32_t colours) {
  if (source.bitCount != 24 || colours == 0 || colours > 256) {
    return nullptr;
  }
  Histogram histogram;
  for (std::uint32_t y = 0; y < source.height; ++y) {
    const std::uint8_t *row = source.Row(y);
    for (std::uint32_t x = 0; x < source.width; ++x) {
      const std::uint8_t *pixel = row + 3 * static_cast<std::size_t>(x);
      const std::uint32_t cell = CellOf(pixel);
      ++histogram.count[cell];
      histogram.sum[cell][0] += pixel[2];
      histogram.sum[cell][1] += pixel[1];
      histogram.sum[cell][2] += pixel[0];
    }
  }

  std::vector<ColourBox> boxes(1);
  boxes[0].high = {kCellsPerSide - 1, kCellsPerSide - 1, kCellsPerSide - 1};
  FitBox(histogram, boxes[0]);
  while (boxes.size() < colours) {
    auto most = boxes.end();
    for (auto it = boxes.begin(); it != boxes.end(); ++it) {
      if (it->CanSplit() &&
          (most == boxes.end() || it->population > most->population)) {
        most = it;
      }
    }
    if (most == boxes.end()) {
      break;
    }
    auto [lower, upper] = SplitBox(histogram, *most);
    *most = lower;
    boxes.push_back(upper);
  }

  const std::uint16_t bitCount = BitsForColours(colours);
  ImageBlock block =
      AllocateImage(source.width, source.height, bitCount, 1u << bitCount);
  if (!block) {
    return nullptr;
  }
  block->biClrUsed = static_cast<std::uint32_t>(boxes.size());
  RGBQUAD *table = TableOf(block.get());
  std::vector<std::uint8_t> cellToIndex(kCellCount, 0);
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    std::array<std::uint64_t, 3> total{};
    const auto index = static_cast<std::uint8_t>(i);
    ForEachCell(boxes[i],
                [&](const std::array<std::uint32_t, 3> &, std::uint32_t cell) {
                  cellToIndex[cell] = index;
                  for (std::size_t c = 0; c < 3; ++c) {
                    total[c] += histogram.sum[cell][c];
                  }
                });
    const std::uint64_t n = std::max<std::uint64_t>(boxes[i].population, 1);
    auto mean = [&](std::size_t c) {
      return static_cast<std::uint8_t>((total[c] + n / 2) / n);
    };
    table[i] = RGBQUAD{mean(2), mean(1), mean(0), 0};
  }

  const ImageView target = ViewOwnImage(block);
  for (std::uint32_t y = 0; y < source.height; ++y) {
    const std::uint8_t *in = source.Row(y);
    std::uint8_t *out = target.Row(y);
    for (std::uint32_t x = 0; x < source.width; ++x) {
      const std::uint8_t index =
          cellToIndex[CellOf(in + 3 * static_cast<std::size_t>(x))];
      switch (bitCount) {
      case 1:
        out[x / 8] =
            static_cast<std::uint8_t>(out[x / 8] | (index << (7 - x % 8)));
        break;
      case 4:
        out[x / 2] = static_cast<std::uint8_t>(out[x / 2] |
                                               (index << (x % 2 == 0 ? 4 : 0)));
        break;
      default:
        out[x] = index;
        break;
      }
    }
  }
  return block;
}

} // namespace vorafile::qvimage
