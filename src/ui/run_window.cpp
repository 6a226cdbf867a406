// Placeholder until the main window exists: no window can be shown.
#include "ui/run_window.h"

namespace ruz {

int RunMainWindow(int, char **) { return -1; }

}  // namespace ruz
