#include "shell/WindowX11.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>

namespace {

bool destroyed = false;

#if defined(SDL_VIDEO_DRIVER_X11)
Display* watchedDisplay = nullptr;
Window watchedWindow = 0;
XErrorHandler previousHandler = nullptr;

int onXError(Display* display, XErrorEvent* error) {
    if (watchedWindow != 0 && error->resourceid == watchedWindow) {
        destroyed = true;
        return 0;
    }
    return previousHandler ? previousHandler(display, error) : 0;
}
#endif

} // namespace

void watchWindowDestruction(SDL_Window* window) {
    destroyed = false;
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    watchedDisplay = info.info.x11.display;
    watchedWindow = info.info.x11.window;
    XErrorHandler previous = XSetErrorHandler(onXError);
    if (previous != onXError) previousHandler = previous;
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
#else
    (void)window;
#endif
}

bool windowDestroyedOutside() {
    return destroyed;
}

void noteSystemEvent(const SDL_Event& event) {
#if defined(SDL_VIDEO_DRIVER_X11)
    if (event.type != SDL_SYSWMEVENT || !event.syswm.msg ||
        event.syswm.msg->subsystem != SDL_SYSWM_X11)
        return;
    const XEvent& x = event.syswm.msg->msg.x11.event;
    if (x.type == DestroyNotify && watchedWindow != 0 && x.xdestroywindow.window == watchedWindow)
        destroyed = true;
#else
    (void)event;
#endif
}

void settleWindowErrors() {
#if defined(SDL_VIDEO_DRIVER_X11)
    // Errors arrive late: whatever the last requests about the window caused
    // is taken now, while the handler above is still in place.
    if (watchedDisplay) XSync(watchedDisplay, False);
    watchedDisplay = nullptr;
    watchedWindow = 0;
#endif
}
