// Scheduling weight of the calling thread.
#pragma once

namespace ruz {

/// Lowers the calling thread's priority by steps (1 to 19) below the threads
/// of the process that keep theirs (the nice value of this thread alone). Best
/// effort: failure is ignored, since the thread works the same, only with
/// other weight.
void LowerCurrentThreadPriority(int steps);

}  // namespace ruz
