#include "host/run_observer.h"

namespace trelmix {

namespace {
RunObserver* g_observer = nullptr;
}

void SetRunObserver(RunObserver* observer) { g_observer = observer; }

RunObserver* CurrentRunObserver() { return g_observer; }

}  // namespace trelmix
