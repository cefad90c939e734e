#pragma once

// Kavla's windows are plain widgets made top-level, which assistive tools would otherwise be told
// are "fillers": they report themselves as frames instead. Installed once, before the first
// window is built (WindowRoot, the root of each window's content, sees to it).
namespace AccessibleWindows {

void install();

} // namespace AccessibleWindows
