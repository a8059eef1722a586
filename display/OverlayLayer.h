#pragma once
#include <cstdint>
#include <vector>

struct SDL_Renderer;
struct SDL_Texture;

// An image laid over the presented picture, blended by its alpha: drawn into
// the window after the frame, never into the back buffer, so frames, captures
// and pixel tests are the same with it or without. The image has the display
// mode's size and is scaled with the picture.
class OverlayLayer {
  public:
    OverlayLayer() = default;
    ~OverlayLayer() = default; // the texture goes with its renderer (see drop)
    OverlayLayer(const OverlayLayer&) = delete;
    OverlayLayer& operator=(const OverlayLayer&) = delete;

    // width × height pixels, alpha in the top byte (SDL's ARGB8888). Copied.
    void show(const uint32_t* argb, int32_t width, int32_t height);
    void hide() { visible = false; }
    bool shown() const { return visible; }

    // Draws the image over the rectangle (x, y, w, h) of the renderer's
    // output, making or refreshing its texture first.
    void draw(SDL_Renderer* renderer, int32_t x, int32_t y, int32_t w, int32_t h);
    // Forgets the texture after destroying it (`destroy`) or after the
    // renderer lost it; the next draw makes it anew.
    void drop(bool destroy);

  private:
    std::vector<uint32_t> image;
    int32_t imageWidth = 0;
    int32_t imageHeight = 0;
    bool visible = false;
    bool uploaded = false;
    SDL_Texture* texture = nullptr;
    int32_t textureWidth = 0;
    int32_t textureHeight = 0;
};
