// The GUI thread: widgets may only be touched on the thread that made the application object.
// Runtime threads that show dialogs or open windows hand their work to it through these calls.
#pragma once

#include <functional>

namespace rt {

// True on the application object's thread (and when there is no application object yet, so
// start-up code may build widgets before the event loop runs).
bool OnGuiThread();

// Runs work on the GUI thread and returns when it has finished. On the GUI thread it runs at
// once; from another thread it is queued to the GUI thread's event loop (a blocking queued
// call), so that thread must keep running its events: the GUI thread is either in an event
// loop or in a runtime wait, which runs one.
void RunOnGuiThread(const std::function<void()>& work);

// Queues work for the GUI thread without waiting; for notices where the caller must never
// block (an ending thread, a halt).
void PostToGuiThread(std::function<void()> work);

// Runs work at once on the GUI thread, and queues it without waiting from any other: for
// changes nobody waits for (the cursor, the beep), so a thread that the GUI thread is
// waiting for never blocks on them.
void DoOnGuiThread(std::function<void()> work);

}  // namespace rt
