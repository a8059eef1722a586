#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/Picture.h"
#include "loaders/PixelSink.h"
#include "support/loader_files.h"

// Storage a reader fills, with a record of what it was asked.
class VectorSink final : public PixelSink {
  public:
    std::string refuseSize(int32_t width, int32_t height) override {
        askedWidth = width;
        askedHeight = height;
        return refusal;
    }
    uint32_t* allocate(int32_t width, int32_t height) override {
        allocated = true;
        this->width = width;
        pixels.assign(static_cast<size_t>(width) * height, 0);
        return pixels.data();
    }

    std::string refusal;
    int32_t askedWidth = 0, askedHeight = 0, width = 0;
    bool allocated = false;
    std::vector<uint32_t> pixels;
};

// Every loader test gets its own directory, and message boxes print instead
// of waiting for a click, whatever display the tests happen to run under.
class LoaderTest : public ::testing::Test {
  protected:
    void SetUp() override { setenv("DEMO_NO_MESSAGE_BOXES", "1", 1); }

    std::string file(const std::string& leaf, const LoaderBytes& bytes) const {
        const std::string name = dir.path(leaf);
        loaderWriteFile(name, bytes);
        return name;
    }

    static uint32_t at(const Picture& picture, int row, int column) {
        return picture.pixels[row * picture.width + column];
    }

    // A refused load leaves the picture without pixels and at its old size.
    static void expectEmpty(const Picture& picture) {
        EXPECT_EQ(picture.pixels, nullptr);
        EXPECT_EQ(picture.width, 0);
        EXPECT_EQ(picture.height, 0);
    }

    LoaderTempDir dir;
};
