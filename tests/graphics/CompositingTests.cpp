// The compositing rows against the plain integer rule: every (source alpha, result alpha)
// pair with a spread of channel values, through the four-pixel path and the one-pixel path.
#include "graphics/Pixels.h"

#include "GraphicsModel.h"

#include <gtest/gtest.h>

namespace {

TEST(Compositing, EveryAlphaPairEqualsTheIntegerRule) {
    const std::uint8_t spread[10] = {0, 1, 2, 63, 127, 128, 129, 200, 254, 255};
    // Pixel j pairs every spread value with every other in its blue and green channels.
    std::vector<std::uint32_t> source, result;
    for (std::uint32_t pa = 0; pa < 256; ++pa)
        for (int j = 0; j < 100; ++j) {
            source.push_back(spread[j % 10] | spread[j / 10] << 8 | spread[(j + 3) % 10] << 16);
            result.push_back(spread[j / 10] | spread[j % 10] << 8 | spread[j * 7 % 10] << 16 |
                             pa << 24);
        }
    for (std::uint32_t sa = 0; sa < 256; ++sa) {
        std::vector<std::uint32_t> expected(result.size()), wide = result, single = result;
        for (std::size_t i = 0; i < source.size(); ++i) {
            source[i] = (source[i] & 0xFFFFFF) | sa << 24;
            expected[i] = gfxtest::ModelOver(result[i], source[i]);
            tu::graphics::CompositeRow(&single[i], &source[i], 1);
        }
        tu::graphics::CompositeRow(wide.data(), source.data(), wide.size());
        ASSERT_TRUE(gfxtest::SamePixels(expected, wide)) << "source alpha " << sa;
        ASSERT_TRUE(gfxtest::SamePixels(expected, single)) << "source alpha " << sa;
    }
}

} // namespace
