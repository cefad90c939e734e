#pragma once

namespace WaylandSession {

// How long the compositor named by WAYLAND_DISPLAY has to answer before Kavla gives up on it.
constexpr int ConnectTimeoutMs = 3000;

enum class Probe {
    NoCompositor,  // WAYLAND_DISPLAY unset, or no compositor answers there
    NoDataControl, // a compositor without a clipboard data-control protocol (GNOME)
    DataControl,   // ext_data_control_manager_v1 or zwlr_data_control_manager_v1, and a seat
};

// Asks the compositor of this session, before the Qt application exists, whether Kavla can run
// natively on it.
Probe probe();

} // namespace WaylandSession
