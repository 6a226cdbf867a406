// The integration harness, compiled into this test executable as well.
#include "integration/harness.cpp"
