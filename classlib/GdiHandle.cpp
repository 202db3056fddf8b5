#include "classlib/GdiHandle.h"

#if TALVERA_COUNT_HANDLES
#include <atomic>

namespace {
std::atomic<long> live[3];
}

void CountHandleTaken(THandleKind kind) { live[int(kind)].fetch_add(1, std::memory_order_relaxed); }
void CountHandleFreed(THandleKind kind) { live[int(kind)].fetch_sub(1, std::memory_order_relaxed); }
long LiveHandles(THandleKind kind) { return live[int(kind)].load(std::memory_order_relaxed); }
#endif
