#pragma once

#include <QString>

// Whether a process holds a lock on a file, as the kernel lists them in /proc/locks (SQLite
// holds a shared lock on a database file and its -shm file as long as it has them open).
namespace FileLocks
{
// Whether the text of /proc/locks lists a lock of any kind on the file with this device and
// inode. Total: lines it does not understand are skipped.
bool listsLock(const QString& procLocks, unsigned major, unsigned minor, quint64 inode);
// Whether any process, this one too, holds a lock on path; false for a file that does not exist
// or where /proc/locks cannot be read.
bool isLocked(const QString& path);
} // namespace FileLocks
