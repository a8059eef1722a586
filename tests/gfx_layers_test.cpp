// The layers drawn in one pass must give the bytes of the same layers drawn
// one after the other, whatever the sizes, positions and factors.
#include <gtest/gtest.h>

#include "gfx/Layers.h"
#include "gfx_test_support.h"

namespace {

using gfxtest::randomize;
using gfxtest::TestBitmap;
using gfxtest::uniform;

struct Case {
    int32_t width, height;
};

// Canvas sizes from one pixel pair up, odd heights and widths that are not a
// multiple of any register.
Case randomCase(std::mt19937& rng) {
    return {2 * uniform(rng, 1, 300), uniform(rng, 1, 9)};
}

TEST(GfxLayers, ClearThenBlendMatchesTheClearAndTheBlendForEveryFactor) {
    std::mt19937 rng(51);
    for (int32_t alpha = -3; alpha <= 260; ++alpha) {
        const Case c = randomCase(rng);
        TestBitmap fused(c.width, c.height), plain(c.width, c.height);
        randomize(rng, fused);
        plain.storage = fused.storage;
        // Mostly a source over the whole canvas; now and then one that is
        // placed elsewhere or is smaller, which takes the plain sequence.
        const int32_t shape = uniform(rng, 0, 5);
        const int32_t sw = shape == 4 ? c.width - 2 : c.width;
        TestBitmap source(sw > 0 ? sw : 2, c.height);
        randomize(rng, source);
        source.y = shape == 5 && c.height > 1 ? 1 : 0;
        source.height = c.height - source.y;
        clearThenBlend(fused, source, alpha);
        plain.fill(0);
        source.blend(plain, alpha);
        ASSERT_EQ(fused.storage, plain.storage) << "alpha " << alpha << " shape " << shape;
    }
}

TEST(GfxLayers, AddInTurnMatchesTwoAdds) {
    std::mt19937 rng(52);
    for (int trial = 0; trial < 200; ++trial) {
        const Case c = randomCase(rng);
        TestBitmap fused(c.width, c.height), plain(c.width, c.height);
        TestBitmap first(c.width, c.height), second(c.width, c.height);
        randomize(rng, fused);
        randomize(rng, first);
        randomize(rng, second);
        plain.storage = fused.storage;
        const int32_t shape = uniform(rng, 0, 3);
        if (shape == 3 && c.height > 1) {
            second.y = 1;
            second.height = c.height - 1;
        }
        Bitmap* one = &first;
        Bitmap* two = shape == 2 ? &first : &second; // the same picture twice
        addInTurn(fused, *one, *two);
        one->add(plain);
        two->add(plain);
        ASSERT_EQ(fused.storage, plain.storage) << "trial " << trial << " shape " << shape;
    }
}

TEST(GfxLayers, ClearThenBlendThenAddInTurnMatchesTheLayersInTurn) {
    std::mt19937 rng(54);
    for (int32_t alpha = -3; alpha <= 260; ++alpha) {
        const Case c = randomCase(rng);
        TestBitmap fused(c.width, c.height), plain(c.width, c.height);
        TestBitmap clouds(c.width, c.height), first(c.width, c.height), second(c.width, c.height);
        for (TestBitmap* b : {&fused, &clouds, &first, &second}) randomize(rng, *b);
        plain.storage = fused.storage;
        // Mostly three sources over the whole canvas; now and then one placed
        // lower, which takes the layers one after the other.
        const int32_t shape = uniform(rng, 0, 5);
        TestBitmap* lowered = shape == 3 ? &clouds : shape == 4 ? &first : &second;
        if (shape >= 3 && c.height > 1) {
            lowered->y = 1;
            lowered->height = c.height - 1;
        }
        clearThenBlendThenAddInTurn(fused, clouds, alpha, first, second);
        plain.fill(0);
        clouds.blend(plain, alpha);
        first.add(plain);
        second.add(plain);
        ASSERT_EQ(fused.storage, plain.storage) << "alpha " << alpha << " shape " << shape;
    }
}

// A source that shares the canvas's memory sees the clear (and an add sees
// the first add) when the layers are drawn in turn: the one-pass path must
// not be taken.
TEST(GfxLayers, SourcesOverlappingTheCanvasAreDrawnInTurn) {
    std::mt19937 rng(53);
    TestBitmap canvas(64, 4), plain(64, 4);
    randomize(rng, canvas);
    plain.storage = canvas.storage;
    Bitmap view, plainView;
    view.width = plainView.width = 64;
    view.height = plainView.height = 4;
    view.pixels = canvas.pixels + 3; // overlaps, shifted by three pixels
    plainView.pixels = plain.pixels + 3;
    clearThenBlend(canvas, view, 200);
    plain.fill(0);
    plainView.blend(plain, 200);
    EXPECT_EQ(canvas.storage, plain.storage);

    randomize(rng, canvas);
    plain.storage = canvas.storage;
    TestBitmap other(64, 4);
    randomize(rng, other);
    addInTurn(canvas, other, view);
    other.add(plain);
    plainView.add(plain);
    EXPECT_EQ(canvas.storage, plain.storage);
}

} // namespace
