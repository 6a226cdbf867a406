// Scheduling weight of the calling thread.
#pragma once

namespace ruz {

/// Puts the calling thread's priority steps (1 to 19) below the process's main
/// thread (the nice value of this thread alone; a thread inherits its
/// creator's, so the result does not depend on which thread made this one).
/// Best effort: failure is ignored, since the thread works the same, only with
/// other weight.
void LowerCurrentThreadPriority(int steps);

}  // namespace ruz
