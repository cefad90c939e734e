// Another Wayland application for the end-to-end tests: sets the clipboard through data-control
// offering several types at once, which wl-copy cannot, and answers for them until another client
// takes the clipboard. Arguments: TYPE=FILE ...; prints "offered" once the compositor has the
// selection.
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <unistd.h>

namespace {

struct State
{
    wl_seat *seat = nullptr;
    zwlr_data_control_manager_v1 *manager = nullptr;
    std::map<std::string, std::string> flavours;
    bool cancelled = false;
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
    const std::string &bytes = static_cast<State *>(data)->flavours[mimeType];
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (count <= 0)
            break;
        written += size_t(count);
    }
    ::close(fd);
}
void cancelled(void *data, zwlr_data_control_source_v1 *)
{
    static_cast<State *>(data)->cancelled = true;
}
const zwlr_data_control_source_v1_listener SourceListener = {send, cancelled};

} // namespace

int main(int argc, char *argv[])
{
    State state;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const size_t equals = argument.find('=');
        std::ifstream file(argument.substr(equals + 1), std::ios::binary);
        if (equals == std::string::npos || !file)
            return std::fprintf(stderr, "cannot read %s\n", argv[i]), 1;
        state.flavours[argument.substr(0, equals)] =
            std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return std::fprintf(stderr, "no Wayland display\n"), 1;
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &RegistryListener, &state);
    wl_display_roundtrip(display);
    if (!state.seat || !state.manager)
        return std::fprintf(stderr, "no data-control\n"), 1;
    zwlr_data_control_device_v1 *device = zwlr_data_control_manager_v1_get_data_device(state.manager, state.seat);
    zwlr_data_control_source_v1 *source = zwlr_data_control_manager_v1_create_data_source(state.manager);
    zwlr_data_control_source_v1_add_listener(source, &SourceListener, &state);
    for (const auto &flavour : state.flavours)
        zwlr_data_control_source_v1_offer(source, flavour.first.c_str());
    zwlr_data_control_device_v1_set_selection(device, source);
    wl_display_roundtrip(display);
    std::puts("offered");
    std::fflush(stdout);
    while (!state.cancelled && wl_display_dispatch(display) >= 0) {
    }
    zwlr_data_control_source_v1_destroy(source);
    zwlr_data_control_device_v1_destroy(device);
    zwlr_data_control_manager_v1_destroy(state.manager);
    wl_seat_destroy(state.seat);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
