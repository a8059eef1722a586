#include "display/RendererChoice.h"

#include <SDL2/SDL.h>

#include <filesystem>
#include <system_error>

bool hasGraphicsDevice() {
    std::error_code error;
    // Any card or render node of the kernel's graphics drivers.
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("card") || name.starts_with("renderD")) return true;
    }
    // NVIDIA's own driver has device nodes of its own.
    return std::filesystem::exists("/dev/nvidiactl", error);
}

void chooseRenderer() {
    if (hasGraphicsDevice()) return;
    // Default priority: the same variables set in the environment win.
    SDL_SetHintWithPriority(SDL_HINT_RENDER_DRIVER, "software", SDL_HINT_DEFAULT);
    // Otherwise SDL would put the software renderer's window surface on an
    // OpenGL texture of its own, bringing the slow start back.
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
}
