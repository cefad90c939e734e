#pragma once

class QWidget;

// Setting controls (sliders, pickers, spin boxes) take the mouse wheel only while they have the
// keyboard focus. Otherwise a turn of the wheel over one goes on to the page it sits on, which
// scrolls, as if the control were not there: scrolling a page never changes a setting.
namespace WheelGuard {

void guard(QWidget *control);
// Guards every slider, picker and spin box inside `root` (scroll bars excepted).
void guardChildren(QWidget *root);

} // namespace WheelGuard
