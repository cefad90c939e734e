#include "platform/wayland/WaylandSession.h"

#include <QtGlobal>

#include <wayland-client.h>

#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <thread>

namespace WaylandSession {

namespace {

struct Globals
{
    bool seat = false;
    bool dataControl = false;
};

void onGlobal(void *data, wl_registry *, uint32_t, const char *interface, uint32_t)
{
    auto *globals = static_cast<Globals *>(data);
    if (std::strcmp(interface, "wl_seat") == 0)
        globals->seat = true;
    else if (std::strcmp(interface, "ext_data_control_manager_v1") == 0
             || std::strcmp(interface, "zwlr_data_control_manager_v1") == 0)
        globals->dataControl = true;
}
void onGlobalRemove(void *, wl_registry *, uint32_t) {}
const wl_registry_listener Listener = {onGlobal, onGlobalRemove};

Probe ask()
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return Probe::NoCompositor;
    Globals globals;
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &Listener, &globals);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!answered)
        return Probe::NoCompositor;
    return globals.dataControl && globals.seat ? Probe::DataControl : Probe::NoDataControl;
}

} // namespace

Probe probe()
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return Probe::NoCompositor;
    // On a thread of its own: a compositor that accepts the connection and never answers would
    // otherwise block the start for good.
    auto result = std::make_shared<std::promise<Probe>>();
    std::future<Probe> answer = result->get_future();
    std::thread([result] { result->set_value(ask()); }).detach();
    if (answer.wait_for(std::chrono::milliseconds(ConnectTimeoutMs)) != std::future_status::ready)
        return Probe::NoCompositor;
    return answer.get();
}

} // namespace WaylandSession
