// Separable resampling: rows first into an intermediate image of the target
// width, then columns. Weights are 14-bit fixed point and sum to exactly 1
// per output sample, so flat areas stay flat.
#include "qvimage/image_transforms.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vorafile::qvimage {

namespace {

constexpr int kWeightBits = 14;
constexpr std::int32_t kWeightOne = 1 << kWeightBits;

// For each output sample: the first source sample and `taps` weights (the
// unused tail of a sample's weights is 0).
struct AxisWeights {
  std::uint32_t taps = 0;
  std::vector<std::uint32_t> first;
  std::vector<std::int32_t> weights;
};

void NormaliseWeights(std::int32_t *weights, const double *exact,
                      std::uint32_t taps) {
  std::int32_t sum = 0;
  std::uint32_t largest = 0;
  for (std::uint32_t t = 0; t < taps; ++t) {
    weights[t] = static_cast<std::int32_t>(std::lround(exact[t] * kWeightOne));
    sum += weights[t];
    if (weights[t] > weights[largest]) {
      largest = t;
    }
  }
  weights[largest] += kWeightOne - sum;
}

AxisWeights ComputeAxisWeights(std::uint32_t in, std::uint32_t out) {
  AxisWeights axis;
  axis.first.resize(out);
  std::vector<double> exact;
  if (out < in) {
    // Area averaging: each output sample covers `scale` source samples.
    const double scale = static_cast<double>(in) / out;
    axis.taps = static_cast<std::uint32_t>(std::ceil(scale)) + 1;
    axis.weights.assign(static_cast<std::size_t>(out) * axis.taps, 0);
    exact.resize(axis.taps);
    for (std::uint32_t i = 0; i < out; ++i) {
      const double left = i * scale;
      const double right = std::min((i + 1) * scale, static_cast<double>(in));
      const auto first = static_cast<std::uint32_t>(left);
      axis.first[i] = first;
      std::fill(exact.begin(), exact.end(), 0.0);
      for (std::uint32_t t = 0; t < axis.taps && first + t < in; ++t) {
        const double from = std::max(left, static_cast<double>(first + t));
        const double to = std::min(right, static_cast<double>(first + t + 1));
        if (to > from) {
          exact[t] = (to - from) / scale;
        }
      }
      NormaliseWeights(&axis.weights[static_cast<std::size_t>(i) * axis.taps],
                       exact.data(), axis.taps);
    }
    return axis;
  }
  // Bilinear with pixel centres aligned; same size gives weights of 1.
  axis.taps = 2;
  axis.weights.assign(static_cast<std::size_t>(out) * 2, 0);
  exact.resize(2);
  for (std::uint32_t i = 0; i < out; ++i) {
    double centre = (i + 0.5) * in / out - 0.5;
    centre = std::clamp(centre, 0.0, static_cast<double>(in - 1));
    auto first = static_cast<std::uint32_t>(centre);
    if (first + 1 >= in) {
      first = in >= 2 ? in - 2 : 0;
    }
    const double fraction = in >= 2 ? centre - first : 0.0;
    axis.first[i] = first;
    exact[0] = 1.0 - fraction;
    exact[1] = fraction;
    NormaliseWeights(&axis.weights[static_cast<std::size_t>(i) * 2],
                     exact.data(), 2);
  }
  return axis;
}

std::uint8_t ToSample(std::int32_t accumulated) {
  const std::int32_t value = (accumulated + (kWeightOne / 2)) >> kWeightBits;
  return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

} // namespace

ImageBlock ResizeToExactly(const ImageView &source, std::uint32_t width,
                           std::uint32_t height) {
  if (width == 0 || height == 0 || width > kMaxDimension ||
      height > kMaxDimension ||
      static_cast<std::uint64_t>(width) * height > kMaxPixels) {
    return nullptr;
  }
  const std::uint32_t channels = source.bitCount == 32 ? 4 : 3;
  ImageBlock block = AllocateImage(width, height, channels == 4 ? 32 : 24, 0);
  if (!block) {
    return nullptr;
  }
  const ImageView target = ViewOwnImage(block);
  const AxisWeights across = ComputeAxisWeights(source.width, width);
  const AxisWeights down = ComputeAxisWeights(source.height, height);

  // Rows: source.height rows of the target width.
  const std::size_t middleStride = static_cast<std::size_t>(width) * channels;
  std::vector<std::uint8_t> middle(middleStride * source.height);
  // Rows of indexed sources are expanded to colours first. (assign, not
  // resize: GCC 12 at -O3 reports a null dereference in resize of an empty
  // vector.)
  std::vector<std::uint8_t> expanded;
  if (source.bitCount <= 8) {
    expanded.assign(3 * static_cast<std::size_t>(source.width), 0);
  }
  for (std::uint32_t y = 0; y < source.height; ++y) {
    const std::uint8_t *in = source.Row(y);
    if (source.bitCount <= 8) {
      ExpandRowToBgr(source, y, expanded.data());
      in = expanded.data();
    }
    std::uint8_t *out = &middle[middleStride * y];
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::int32_t *weights =
          &across.weights[static_cast<std::size_t>(x) * across.taps];
      const std::uint32_t first = across.first[x];
      const std::uint32_t taps = std::min(across.taps, source.width - first);
      for (std::uint32_t c = 0; c < channels; ++c) {
        std::int32_t sum = 0;
        for (std::uint32_t t = 0; t < taps; ++t) {
          sum += weights[t] * in[(first + t) * channels + c];
        }
        out[x * channels + c] = ToSample(sum);
      }
    }
  }

  // Columns: whole rows at a time, which the compiler vectorises.
  std::vector<std::int32_t> sums(middleStride);
  for (std::uint32_t y = 0; y < height; ++y) {
    std::fill(sums.begin(), sums.end(), 0);
    const std::int32_t *weights =
        &down.weights[static_cast<std::size_t>(y) * down.taps];
    const std::uint32_t first = down.first[y];
    const std::uint32_t taps = std::min(down.taps, source.height - first);
    for (std::uint32_t t = 0; t < taps; ++t) {
      const std::int32_t weight = weights[t];
      if (weight == 0) {
        continue;
      }
      const std::uint8_t *in = &middle[middleStride * (first + t)];
      for (std::size_t k = 0; k < middleStride; ++k) {
        sums[k] += weight * in[k];
      }
    }
    std::uint8_t *out = target.Row(y);
    for (std::size_t k = 0; k < middleStride; ++k) {
      out[k] = ToSample(sums[k]);
    }
  }
  return block;
}

} // namespace vorafile::qvimage
