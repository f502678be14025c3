#pragma once

#include <QString>

#include <sys/types.h>

#include <string>
#include <vector>

// What the kernel tells of this process (Linux /proc), for tests that wait until a
// thread is blocked or a file is in use instead of sleeping for a while.

pid_t CurrentThreadId();
// The thread is asleep (blocked in a wait, a lock or a read).
bool ThreadIsAsleep(pid_t thread);
// The times the thread has gone to sleep of its own accord: a thread that polls
// in a wait with a time-out keeps adding to it, one waiting for good does not.
long VoluntarySwitches(pid_t thread);
// This process's peak resident memory so far (VmHWM), in KiB; -1 when unknown.
long PeakResidentKiB();
// This process's threads of that name (as platform::Worker sets it).
std::vector<pid_t> ThreadsNamed(const std::string& name);
// Some descriptor of this process has the file open.
bool FileIsOpen(const QString& path);
