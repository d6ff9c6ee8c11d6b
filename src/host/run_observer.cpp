#include "host/run_observer.h"

namespace trelmix {

RunObserver* detail::runObserver = nullptr;

void SetRunObserver(RunObserver* observer) { detail::runObserver = observer; }

}  // namespace trelmix
