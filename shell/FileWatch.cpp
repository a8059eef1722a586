#include "shell/FileWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

void ChangeDebounce::changed(const std::string& path, Clock::time_point now) {
    paths.insert(path);
    lastChange = now;
}

std::vector<std::string> ChangeDebounce::settled(Clock::time_point now) {
    if (paths.empty() || now - lastChange < quiet) return {};
    std::vector<std::string> done(paths.begin(), paths.end());
    paths.clear();
    return done;
}

FileWatch::~FileWatch() {
    if (descriptor >= 0) close(descriptor);
}

bool FileWatch::watch(const std::vector<std::string>& folders, std::string& error) {
    if (descriptor < 0) descriptor = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor < 0) {
        error = std::string("inotify: ") + std::strerror(errno);
        return false;
    }
    for (const std::string& folder : folders) {
        const int id =
            inotify_add_watch(descriptor, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE);
        if (id < 0) {
            error = "cannot watch " + folder + ": " + std::strerror(errno);
            continue;
        }
        watched.emplace_back(id, folder);
    }
    return !watched.empty();
}

std::vector<std::string> FileWatch::poll() {
    const auto now = ChangeDebounce::Clock::now();
    if (descriptor >= 0) {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = read(descriptor, buffer, sizeof buffer);
            if (got <= 0) break;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                if (event->len == 0) continue;
                for (const auto& [id, folder] : watched) {
                    if (id != event->wd) continue;
                    const std::string name = event->name;
                    debounce.changed(folder == "." ? name : folder + "/" + name, now);
                }
            }
        }
    }
    return debounce.settled(now);
}
