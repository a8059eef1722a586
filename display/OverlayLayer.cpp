#include "display/OverlayLayer.h"

#include <SDL2/SDL.h>

void OverlayLayer::show(const uint32_t* argb, int32_t width, int32_t height) {
    if (!argb || width <= 0 || height <= 0) {
        visible = false;
        return;
    }
    image.assign(argb, argb + static_cast<size_t>(width) * static_cast<size_t>(height));
    imageWidth = width;
    imageHeight = height;
    visible = true;
    uploaded = false;
}

void OverlayLayer::drop(bool destroy) {
    if (texture && destroy) SDL_DestroyTexture(texture);
    texture = nullptr;
    uploaded = false;
}

void OverlayLayer::draw(SDL_Renderer* renderer, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!visible || !renderer) return;
    if (texture && (textureWidth != imageWidth || textureHeight != imageHeight)) drop(true);
    if (!texture) {
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                    imageWidth, imageHeight);
        if (!texture) return;
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
        textureWidth = imageWidth;
        textureHeight = imageHeight;
    }
    if (!uploaded) {
        if (SDL_UpdateTexture(texture, nullptr, image.data(), imageWidth * 4) != 0) return;
        uploaded = true;
    }
    const SDL_Rect where{x, y, w, h};
    SDL_RenderCopy(renderer, texture, nullptr, &where);
}
