#pragma once

#include <windows.h>

#include <chrono>

#include "ui/StepSession.h"

namespace upd::win32 {

// A Win32 window's part of StepHost::Post: an event without delay is a posted message (the
// worker's way), a delayed one a timer of its own for each event, so that a delayed event
// never takes another's place.
void PostStepEvent(HWND window, StepEvent event, std::chrono::milliseconds delay);

// Hands a step event's message (the posted one or its timer) on to the session; false for any
// other message.
bool DeliverStepEvent(HWND window, UINT message, WPARAM wParam, StepSession& session);

}  // namespace upd::win32
