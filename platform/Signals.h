#pragma once
// SIGTERM, SIGHUP and SIGINT mean the session is ending: the handler only
// raises a flag, and the pump turns it into msg::kEndSession on the primary
// thread, so the settings are still written on a logout or Ctrl+C.
namespace plat {

void InstallSessionEndSignals();
// True once per caught signal (the flag is cleared).
bool TakeSessionEndRequest();
// Raises the flag as a signal would (for tests and callers of our own).
void RequestSessionEnd();

}  // namespace plat
