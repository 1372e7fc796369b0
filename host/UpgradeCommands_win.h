#pragma once

// The commands that carry the services of this installation across a replacement of its
// programs: an upgrade by either installer, or by hand. Each acts only on services whose program
// is this installation's Velmora.exe and reports every service it acts on.
namespace host {

// -stopall: stops the running services of this installation and adds them to the record in its
// folder (stopped_record), which is written even when none ran.
int StopAllServices();
// -startstopped: starts the services the record names and removes it; those that did not start
// stay in it. No record: nothing to do.
int StartStoppedServices();
// -checkuninstall: whether this installation can go: kDone when none of its services is
// installed, or while an upgrade has stopped them (the record is there); otherwise
// kInstallationInUse after naming them, also in a message box with `messageBox` (an installer
// with a user interface).
int CheckUninstall(bool messageBox);

}  // namespace host
