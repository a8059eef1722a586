// The graphics library's hot operations on a 512 × 256 canvas, beside pixman
// doing comparable work on the same sizes (the memset/memcpy references are in
// reference_bench.cpp). Read the results as ratios within one run.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <random>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Kernels.h"
#include "gfx/Layers.h"

namespace {

constexpr int32_t canvasWidth = 512, canvasHeight = 256;

// A Bitmap over its own storage with 1024 readable pixels either side (blur8
// and the rotozoom read past both ends).
struct BenchBitmap : Bitmap {
    BenchBitmap(int32_t w, int32_t h, uint32_t seed)
        : storage(static_cast<size_t>(w) * static_cast<size_t>(h) + 2048) {
        width = w;
        height = h;
        pixels = storage.data() + 1024;
        std::mt19937 rng(seed);
        for (uint32_t& p : storage) p = static_cast<uint32_t>(rng()) & 0x00FFFFFFu;
    }
    std::vector<uint32_t> storage;
};

void setPixelCounters(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * canvasWidth * canvasHeight);
}

void BM_gfx_fill_black(benchmark::State& state) {
    BenchBitmap canvas(canvasWidth, canvasHeight, 1);
    for (auto _ : state) {
        canvas.fill(0);
        benchmark::ClobberMemory();
    }
    setPixelCounters(state);
}
BENCHMARK(BM_gfx_fill_black);

void BM_gfx_fill_colour(benchmark::State& state) {
    BenchBitmap canvas(canvasWidth, canvasHeight, 1);
    for (auto _ : state) {
        canvas.fill(0x00123456);
        benchmark::ClobberMemory();
    }
    setPixelCounters(state);
}
BENCHMARK(BM_gfx_fill_colour);

// The scroller: a 512-wide source taller than the canvas, 1:1 through the
// scaled-and-clipped copy.
void BM_gfx_blitScaledClipped_1x1(benchmark::State& state) {
    BenchBitmap canvas(canvasWidth, canvasHeight, 1), scroll(512, 1024, 2);
    scroll.x = 256;
    scroll.y = 300;
    for (auto _ : state) {
        scroll.blitScaledClipped(canvas, 1.0f, 1.0f);
        benchmark::ClobberMemory();
    }
    setPixelCounters(state);
}
BENCHMARK(BM_gfx_blitScaledClipped_1x1);

template <typename Draw> void pairwise(benchmark::State& state, Draw draw) {
    BenchBitmap canvas(canvasWidth, canvasHeight, 1), source(canvasWidth, canvasHeight, 2);
    for (auto _ : state) {
        draw(source, canvas);
        benchmark::ClobberMemory();
    }
    setPixelCounters(state);
}

void BM_gfx_add(benchmark::State& state) {
    pairwise(state, [](Bitmap& s, Bitmap& d) { s.add(d); });
}
BENCHMARK(BM_gfx_add);

void BM_gfx_blend(benchmark::State& state) {
    pairwise(state, [](Bitmap& s, Bitmap& d) { s.blend(d, 100); });
}
BENCHMARK(BM_gfx_blend);

void BM_gfx_addFactor(benchmark::State& state) {
    pairwise(state, [](Bitmap& s, Bitmap& d) { s.addFactor(d, 100); });
}
BENCHMARK(BM_gfx_addFactor);

// The layers a frame draws in one pass: the clear with a cross-fade over the
// whole canvas (against BM_gfx_fill_black plus BM_gfx_blend), and two adds
// (against two BM_gfx_add).
void BM_gfx_clearThenBlend(benchmark::State& state) {
    pairwise(state, [](Bitmap& s, Bitmap& d) { clearThenBlend(d, s, 100); });
}
BENCHMARK(BM_gfx_clearThenBlend);

void BM_gfx_addInTurn(benchmark::State& state) {
    BenchBitmap second(canvasWidth, canvasHeight, 3);
    pairwise(state, [&second](Bitmap& s, Bitmap& d) { addInTurn(d, s, second); });
}
BENCHMARK(BM_gfx_addInTurn);

// Scene one's background: the cross-fade onto black and two adds in one pass
// (against BM_gfx_clearThenBlend plus BM_gfx_addInTurn).
void BM_gfx_clearThenBlendThenAddInTurn(benchmark::State& state) {
    BenchBitmap first(canvasWidth, canvasHeight, 3), second(canvasWidth, canvasHeight, 4);
    pairwise(state, [&first, &second](Bitmap& s, Bitmap& d) {
        clearThenBlendThenAddInTurn(d, s, 100, first, second);
    });
}
BENCHMARK(BM_gfx_clearThenBlendThenAddInTurn);

void BM_gfx_average(benchmark::State& state) {
    pairwise(state, [](Bitmap& s, Bitmap& d) { s.average(d); });
}
BENCHMARK(BM_gfx_average);

void BM_gfx_rotozoom(benchmark::State& state) {
    BenchBitmap canvas(canvasWidth, canvasHeight, 1), texture(512, 256, 3);
    for (auto _ : state) {
        canvas.fill(0); // keeps the additions from saturating the canvas
        rotozoom(canvas, texture, 0.3f, 2.0f, 10.0f, 5.0f, 200);
        benchmark::ClobberMemory();
    }
    setPixelCounters(state);
}
BENCHMARK(BM_gfx_rotozoom);

// Scene one's case: no rotation, so each row reads two texture rows only.
void BM_gfx_rotozoom_angle0(benchmark::State& state) {
    BenchBitmap canvas(canvasWidth, canvasHeight, 1), texture(512, 256, 3);
    for (auto _ : state) {
        canvas.fill(0);
        rotozoom(canvas, texture, 0.0f, 2.0f, 10.0f, 5.0f, 200);
        benchmark::ClobberMemory();
    }
    setPixelCounters(state);
}
BENCHMARK(BM_gfx_rotozoom_angle0);

void BM_gfx_blur8(benchmark::State& state) {
    BenchBitmap canvas(canvasWidth, canvasHeight, 1);
    for (auto _ : state) {
        canvas.blur8();
        benchmark::ClobberMemory();
    }
    setPixelCounters(state);
}
BENCHMARK(BM_gfx_blur8);

// Ten triangles of three lines each, spread over the canvas like the show's.
void BM_gfx_drawLine_10x3(benchmark::State& state) {
    BenchBitmap canvas(canvasWidth, canvasHeight, 1);
    for (auto _ : state) {
        for (int t = 0; t < 10; ++t) {
            const int32_t cx = 60 + 40 * t, cy = 128, r = 50 + 4 * t;
            const int32_t ax = cx, ay = cy - r, bx = cx - r, by = cy + r / 2, qx = cx + r,
                          qy = cy + r / 2;
            drawLine(ax, ay, bx, by, canvas, 0x00203080, 200);
            drawLine(bx, by, qx, qy, canvas, 0x00203080, 200);
            drawLine(qx, qy, ax, ay, canvas, 0x00203080, 200);
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_gfx_drawLine_10x3);

// pixman on the same sizes.
struct PixmanImages {
    PixmanImages() : a(canvasWidth, canvasHeight, 4), b(canvasWidth, canvasHeight, 5) {
        src = image(a);
        dst = image(b);
    }
    ~PixmanImages() {
        pixman_image_unref(src);
        pixman_image_unref(dst);
    }
    static pixman_image_t* image(BenchBitmap& bitmap) {
        return pixman_image_create_bits(PIXMAN_a8r8g8b8, bitmap.width, bitmap.height, bitmap.pixels,
                                        bitmap.width * 4);
    }
    void composite(pixman_op_t op, pixman_image_t* mask = nullptr) {
        pixman_image_composite32(op, src, mask, dst, 0, 0, 0, 0, 0, 0, canvasWidth, canvasHeight);
    }
    BenchBitmap a, b;
    pixman_image_t* src = nullptr;
    pixman_image_t* dst = nullptr;
};

void BM_pixman_src(benchmark::State& state) {
    PixmanImages images;
    for (auto _ : state) {
        images.composite(PIXMAN_OP_SRC);
        benchmark::ClobberMemory();
    }
    setPixelCounters(state);
}
BENCHMARK(BM_pixman_src);

void BM_pixman_add(benchmark::State& state) {
    PixmanImages images;
    for (auto _ : state) {
        images.composite(PIXMAN_OP_ADD);
        benchmark::ClobberMemory();
    }
    setPixelCounters(state);
}
BENCHMARK(BM_pixman_add);

void BM_pixman_over_half_mask(benchmark::State& state) {
    PixmanImages images;
    const pixman_color_t half = {0, 0, 0, 0x8000};
    pixman_image_t* mask = pixman_image_create_solid_fill(&half);
    for (auto _ : state) {
        images.composite(PIXMAN_OP_OVER, mask);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(mask);
    setPixelCounters(state);
}
BENCHMARK(BM_pixman_over_half_mask);

// A 512 × 256 texture magnified 2× with bilinear filtering, repeating.
void BM_pixman_bilinear_2x(benchmark::State& state) {
    PixmanImages images;
    pixman_transform_t transform;
    pixman_transform_init_scale(&transform, pixman_double_to_fixed(0.5),
                                pixman_double_to_fixed(0.5));
    pixman_image_set_transform(images.src, &transform);
    pixman_image_set_filter(images.src, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    pixman_image_set_repeat(images.src, PIXMAN_REPEAT_NORMAL);
    for (auto _ : state) {
        images.composite(PIXMAN_OP_SRC);
        benchmark::ClobberMemory();
    }
    setPixelCounters(state);
}
BENCHMARK(BM_pixman_bilinear_2x);

} // namespace

// Each kernel set on its own, for the two operations whose inner loops are
// not plain streams (the members above use the set chosen at run time).
namespace {

void kernelSetBench(benchmark::State& state, const kernels::RowKernels* set, bool blur,
                    bool angle0 = false) {
    if (!set) {
        state.SkipWithError("not supported on this processor");
        return;
    }
    BenchBitmap canvas(canvasWidth, canvasHeight, 1), texture(512, 256, 3);
    kernels::RotozoomRow row;
    row.du = angle0 ? 2048 : 1956; // zoom 2, angle 0 or 0.3
    row.dv = angle0 ? 0 : 605;
    row.maskX = 511;
    row.maskY = 255;
    row.brightness = 200;
    row.count = 512;
    for (auto _ : state) {
        if (blur) {
            set->blur8(canvas.pixels, canvasWidth * canvasHeight);
        } else {
            for (int32_t r = 0; r < canvasHeight; ++r) {
                row.u = 1000000u - row.dv * static_cast<uint32_t>(r);
                row.v = 500000u + row.du * static_cast<uint32_t>(r);
                (angle0 ? set->zoomRow : set->rotozoomRow)(canvas.pixels + r * 512, texture.pixels,
                                                           row);
            }
        }
        benchmark::ClobberMemory();
    }
    setPixelCounters(state);
}

// A whole zoom without rotation through zoomRows, at the scene's zooms 1, 2
// and 3 (rows sharing a texture row: one, two, three).
void zoomRowsBench(benchmark::State& state, const kernels::RowKernels* set, uint32_t du) {
    if (!set) {
        state.SkipWithError("not supported on this processor");
        return;
    }
    BenchBitmap canvas(canvasWidth, canvasHeight, 1), texture(512, 256, 3);
    kernels::RotozoomRow row;
    row.u = 1000000u;
    row.v = 500000u;
    row.du = du;
    row.maskX = 511;
    row.maskY = 255;
    row.brightness = 200;
    row.count = 512;
    for (auto _ : state) {
        set->zoomRows(canvas.pixels, texture.pixels, row, du, canvasHeight);
        benchmark::ClobberMemory();
    }
    setPixelCounters(state);
}

BENCHMARK_CAPTURE(zoomRowsBench, avx2_zoom1, kernels::avx2Kernels(), 4096);
BENCHMARK_CAPTURE(zoomRowsBench, avx2_zoom2, kernels::avx2Kernels(), 2048);
BENCHMARK_CAPTURE(zoomRowsBench, avx2_zoom3, kernels::avx2Kernels(), 1365);
BENCHMARK_CAPTURE(zoomRowsBench, avx512_zoom1, kernels::avx512Kernels(), 4096);
BENCHMARK_CAPTURE(zoomRowsBench, avx512_zoom2, kernels::avx512Kernels(), 2048);
BENCHMARK_CAPTURE(zoomRowsBench, avx512_zoom3, kernels::avx512Kernels(), 1365);

BENCHMARK_CAPTURE(kernelSetBench, rotozoom_scalar, &kernels::scalarKernels(), false);
BENCHMARK_CAPTURE(kernelSetBench, rotozoom_sse2, kernels::sse2Kernels(), false);
BENCHMARK_CAPTURE(kernelSetBench, rotozoom_avx2, kernels::avx2Kernels(), false);
BENCHMARK_CAPTURE(kernelSetBench, rotozoom_avx512, kernels::avx512Kernels(), false);
BENCHMARK_CAPTURE(kernelSetBench, zoom_sse2, kernels::sse2Kernels(), false, true);
BENCHMARK_CAPTURE(kernelSetBench, zoom_avx2, kernels::avx2Kernels(), false, true);
BENCHMARK_CAPTURE(kernelSetBench, zoom_avx512, kernels::avx512Kernels(), false, true);
BENCHMARK_CAPTURE(kernelSetBench, blur8_scalar, &kernels::scalarKernels(), true);
BENCHMARK_CAPTURE(kernelSetBench, blur8_sse2, kernels::sse2Kernels(), true);
BENCHMARK_CAPTURE(kernelSetBench, blur8_avx2, kernels::avx2Kernels(), true);

} // namespace
