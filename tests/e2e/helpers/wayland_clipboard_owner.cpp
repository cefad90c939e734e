// Another Wayland application for the end-to-end tests and benchmarks: sets the clipboard through
// data-control offering several types at once, which wl-copy cannot, and answers for them.
// Commands, one per line on standard input, each answered with "offered" once the compositor has
// the offer; it quits at the input's end:
//   offer TYPE=FILE ...   offer each type with that file's bytes
//   hang TYPE=FILE ...    the same, but never answer a request for them: the pipe stays open and
//                         empty until the helper is killed
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <poll.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Flavours = std::map<std::string, std::string>;

struct State
{
    wl_seat *seat = nullptr;
    zwlr_data_control_manager_v1 *manager = nullptr;
    zwlr_data_control_device_v1 *device = nullptr;
    zwlr_data_control_source_v1 *current = nullptr;
    std::vector<int> heldFds;
};

struct Source
{
    State *state;
    Flavours flavours;
    bool hang;
};

void global(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
{
    auto *state = static_cast<State *>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !state->seat)
        state->seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0)
        state->manager = static_cast<zwlr_data_control_manager_v1 *>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
}
void globalRemove(void *, wl_registry *, uint32_t) {}
const wl_registry_listener RegistryListener = {global, globalRemove};

void send(void *data, zwlr_data_control_source_v1 *, const char *mimeType, int32_t fd)
{
    auto *source = static_cast<Source *>(data);
    if (source->hang) {
        source->state->heldFds.push_back(fd);
        return;
    }
    const std::string &bytes = source->flavours[mimeType];
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (count <= 0)
            break;
        written += size_t(count);
    }
    ::close(fd);
}
void cancelled(void *data, zwlr_data_control_source_v1 *source)
{
    auto *owned = static_cast<Source *>(data);
    if (owned->state->current == source)
        owned->state->current = nullptr;
    zwlr_data_control_source_v1_destroy(source);
    delete owned;
}
const zwlr_data_control_source_v1_listener SourceListener = {send, cancelled};

bool readFlavours(std::istream &words, Flavours *flavours)
{
    std::string word;
    while (words >> word) {
        const size_t equals = word.find('=');
        std::ifstream file(word.substr(equals == std::string::npos ? 0 : equals + 1), std::ios::binary);
        if (equals == std::string::npos || !file)
            return false;
        (*flavours)[word.substr(0, equals)] =
            std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    return true;
}

void offer(wl_display *display, State &state, Flavours flavours, bool hang)
{
    auto *owned = new Source{&state, std::move(flavours), hang};
    zwlr_data_control_source_v1 *source = zwlr_data_control_manager_v1_create_data_source(state.manager);
    zwlr_data_control_source_v1_add_listener(source, &SourceListener, owned);
    for (const auto &flavour : owned->flavours)
        zwlr_data_control_source_v1_offer(source, flavour.first.c_str());
    zwlr_data_control_device_v1_set_selection(state.device, source);
    state.current = source;
    wl_display_roundtrip(display);
    std::puts("offered");
    std::fflush(stdout);
}

} // namespace

int main()
{
    State state;
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return std::fprintf(stderr, "no Wayland display\n"), 1;
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &RegistryListener, &state);
    wl_display_roundtrip(display);
    if (!state.seat || !state.manager)
        return std::fprintf(stderr, "no data-control\n"), 1;
    state.device = zwlr_data_control_manager_v1_get_data_device(state.manager, state.seat);
    const auto finish = [&](int status) {
        if (state.current) {
            delete static_cast<Source *>(zwlr_data_control_source_v1_get_user_data(state.current));
            zwlr_data_control_source_v1_destroy(state.current);
        }
        zwlr_data_control_device_v1_destroy(state.device);
        zwlr_data_control_manager_v1_destroy(state.manager);
        wl_seat_destroy(state.seat);
        wl_registry_destroy(registry);
        wl_display_disconnect(display);
        for (int fd : state.heldFds)
            ::close(fd);
        return status;
    };

    std::string pending;
    for (;;) {
        wl_display_flush(display);
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {wl_display_get_fd(display), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            return finish(1);
        if ((fds[1].revents & POLLIN) && wl_display_dispatch(display) < 0)
            return finish(1);
        if (!(fds[0].revents & (POLLIN | POLLHUP)))
            continue;
        char buffer[4096];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0)
            return finish(0);
        pending.append(buffer, size_t(count));
        size_t newline;
        while ((newline = pending.find('\n')) != std::string::npos) {
            std::istringstream line(pending.substr(0, newline));
            pending.erase(0, newline + 1);
            std::string command;
            Flavours flavours;
            if (line >> command && (command == "offer" || command == "hang") && readFlavours(line, &flavours))
                offer(display, state, std::move(flavours), command == "hang");
            else
                std::puts("error");
            std::fflush(stdout);
        }
    }
}
